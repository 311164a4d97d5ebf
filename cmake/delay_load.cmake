# Libraries that only the windows (OLE and the HTML control, the common controls)
# or the upload (the password's protection) need are loaded when first called,
# not at start-up: a program that only sits in the tray does not pay for them.
# Each is linked through a delay-load import library made from the .def file of
# the functions the program calls (a new call needs its line there).
find_program(NEARBEAM_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
set(delay_loaded)
foreach(dll ole32 oleaut32 comctl32 crypt32)
    set(def ${PROJECT_SOURCE_DIR}/cmake/delay-load/${dll}.def)
    set(lib ${CMAKE_BINARY_DIR}/delay-load/lib${dll}_delay.a)
    add_custom_command(OUTPUT ${lib}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay-load
        COMMAND ${NEARBEAM_DLLTOOL} --input-def ${def} --dllname ${dll}.dll
                --output-delaylib ${lib}
        DEPENDS ${def} VERBATIM)
    list(APPEND delay_loaded ${lib})
endforeach()
add_custom_target(delay_load_libraries DEPENDS ${delay_loaded})
