# manufacturers.dat: the table of manufacturer names by BSSID prefix, made at build
# time on the build machine from the IEEE OUI list (Debian's ieee-data package) by
# tools/make_manufacturers.py, and placed beside the program. The script says the
# line format.

set(NEARBEAM_OUI_FILE /usr/share/ieee-data/oui.txt CACHE FILEPATH
    "The IEEE OUI list manufacturers.dat is made from")
set(manufacturers_dat ${CMAKE_BINARY_DIR}/manufacturers.dat)
set(manufacturers_tool ${PROJECT_SOURCE_DIR}/tools/make_manufacturers.py)
find_package(Python3 COMPONENTS Interpreter)
if(NOT EXISTS ${NEARBEAM_OUI_FILE})
    message(WARNING "${NEARBEAM_OUI_FILE} not found (package ieee-data): "
                    "manufacturers.dat is not made")
elseif(NOT Python3_Interpreter_FOUND)
    message(WARNING "python3 not found: manufacturers.dat is not made")
else()
    add_custom_command(
        OUTPUT ${manufacturers_dat}
        COMMAND Python3::Interpreter ${manufacturers_tool} ${NEARBEAM_OUI_FILE} ${manufacturers_dat}
        DEPENDS ${NEARBEAM_OUI_FILE} ${manufacturers_tool}
        COMMENT "Making manufacturers.dat from ${NEARBEAM_OUI_FILE}"
        VERBATIM)
    add_custom_target(manufacturers_dat ALL DEPENDS ${manufacturers_dat})
endif()

# The generator's own test, on a few real lines of the list (on the build machine).
if(NEARBEAM_TESTS AND Python3_Interpreter_FOUND AND NOT CMAKE_CROSSCOMPILING)
    add_test(NAME make_manufacturers
             COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tests/tools/make_manufacturers_test.py)
    add_test(NAME check_includes
             COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tests/tools/check_includes_test.py)
endif()
