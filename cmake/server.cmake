# The location server operators run (native builds only): the storages (SQLite,
# PostgreSQL), Argon2id accounts and HTTP, on the portable core.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
pkg_check_modules(LIBSODIUM REQUIRED IMPORTED_TARGET libsodium)

file(GLOB server_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/server/*.cpp)
list(FILTER server_sources INCLUDE REGEX "${server_library_files}")
add_library(nearbeam_server STATIC ${server_sources})
target_link_libraries(nearbeam_server PUBLIC nearbeam_core PkgConfig::SQLITE3 PkgConfig::LIBPQ
                      PkgConfig::LIBSODIUM)
if(TARGET nearbeam-server)
    target_link_libraries(nearbeam-server PRIVATE nearbeam_server)
endif()

if(NEARBEAM_TESTS)
    # The server's tests. The PostgreSQL cases need a server named by
    # NEARBEAM_TEST_POSTGRES (scripts/test-postgres starts a private one).
    file(GLOB server_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/server/*.cpp)
    add_executable(nearbeam_server_tests ${server_tests})
    target_include_directories(nearbeam_server_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(nearbeam_server_tests PRIVATE nearbeam_server ${gtest_libs})
    target_compile_definitions(nearbeam_server_tests PRIVATE
        NEARBEAM_SOURCE_DIR="${PROJECT_SOURCE_DIR}" NEARBEAM_BINARY_DIR="${CMAKE_BINARY_DIR}")
    gtest_discover_tests(nearbeam_server_tests DISCOVERY_TIMEOUT 60)
endif()
