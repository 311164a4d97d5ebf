# The Linux desktop program: Qt 6 Widgets for the tray, pages and dialogs, QtDBus for
# NetworkManager and the single-instance service, QtKeychain for the upload password.
#   nearbeam_linux        every src/*/linux/*.cpp except the entry
#   nearbeam              the program (src/app/linux/main.cpp)
#   nearbeam_linux_tests  tests/linux/*.cpp, GoogleTest driving Qt on the offscreen platform
#   bench_minimal_tray    the smallest Qt tray program, to measure nearbeam's memory by
find_package(Qt6 REQUIRED COMPONENTS Widgets DBus Test)
find_package(Qt6Keychain REQUIRED)

file(GLOB_RECURSE linux_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*/linux/*.cpp
     ${PROJECT_SOURCE_DIR}/src/*/linux/*.h)
list(FILTER linux_sources EXCLUDE REGEX "/app/linux/main\\.cpp$")
add_library(nearbeam_linux STATIC ${linux_sources})
set_target_properties(nearbeam_linux PROPERTIES AUTOMOC ON)
target_link_libraries(nearbeam_linux PUBLIC nearbeam_core Qt6::Widgets Qt6::DBus qt6keychain)
target_compile_definitions(nearbeam_linux PUBLIC QT_NO_KEYWORDS)
# The pages' images and the tray's icons, built into the program.
file(GLOB linux_images CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/images/*.png
     ${PROJECT_SOURCE_DIR}/res/icons/*.ico)
qt_add_resources(nearbeam_linux nearbeam_images PREFIX / BASE ${PROJECT_SOURCE_DIR}/res
                 FILES ${linux_images})

add_executable(nearbeam src/app/linux/main.cpp)
target_link_libraries(nearbeam PRIVATE nearbeam_linux)
# Run from the build tree, the program reads manufacturers.dat beside it.
if(TARGET manufacturers_dat)
    add_dependencies(nearbeam manufacturers_dat)
endif()

if(NEARBEAM_BENCH)
    # The yardstick of the idle program's memory (scripts/bench-idle-memory).
    add_executable(bench_minimal_tray bench/linux/minimal_tray.cpp)
    target_link_libraries(bench_minimal_tray PRIVATE Qt6::Widgets)
endif()

if(NEARBEAM_TESTS)
    file(GLOB linux_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/linux/*.cpp)
    if(linux_tests)
        add_executable(nearbeam_linux_tests ${linux_tests})
        set_target_properties(nearbeam_linux_tests PROPERTIES AUTOMOC ON)
        target_include_directories(nearbeam_linux_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
        target_link_libraries(nearbeam_linux_tests PRIVATE nearbeam_linux nearbeam_test_support Qt6::Test GTest::gmock GTest::gtest)
        target_compile_definitions(nearbeam_linux_tests PRIVATE
            NEARBEAM_SOURCE_DIR="${PROJECT_SOURCE_DIR}" NEARBEAM_BINARY_DIR="${CMAKE_BINARY_DIR}")
        add_dependencies(nearbeam_linux_tests nearbeam)
        # One CTest entry: the tests share one QApplication and one private bus.
        add_test(NAME linux_tests COMMAND nearbeam_linux_tests)
        set_tests_properties(linux_tests PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
    endif()
endif()
