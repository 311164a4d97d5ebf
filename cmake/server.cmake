# The location server operators run (native builds only): the storages (SQLite,
# PostgreSQL), Argon2id accounts, and HTTP and TLS on Boost.Beast and OpenSSL, on
# the portable core; nearbeam-server and the server's tests link it.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
pkg_check_modules(LIBSODIUM REQUIRED IMPORTED_TARGET libsodium)
find_package(Boost 1.74 REQUIRED)
find_package(OpenSSL REQUIRED)

file(GLOB_RECURSE server_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/server/*.cpp)
list(FILTER server_sources INCLUDE REGEX "${server_library_files}")
add_library(nearbeam_server STATIC ${server_sources})
target_link_libraries(nearbeam_server PUBLIC nearbeam_core PkgConfig::SQLITE3 PkgConfig::LIBPQ
                      PkgConfig::LIBSODIUM Boost::boost OpenSSL::SSL OpenSSL::Crypto)
target_compile_definitions(nearbeam_server PUBLIC BOOST_ASIO_NO_DEPRECATED)
# ThreadSanitizer (the native-tsan preset) does not model std::atomic_thread_fence,
# which Asio's scheduler uses, and GCC warns at each use; Clang is silent about the
# same gap. The warning stays a warning in what includes Asio (the server, its
# program and tests) and an error everywhere else.
if(CMAKE_CXX_FLAGS MATCHES "-fsanitize=thread" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(nearbeam_server PUBLIC -Wno-error=tsan)
endif()

add_executable(nearbeam-server src/server/main.cpp)
target_link_libraries(nearbeam-server PRIVATE nearbeam_server)

if(NEARBEAM_TESTS)
    # The server's tests. The PostgreSQL cases need a server named by
    # NEARBEAM_TEST_POSTGRES (scripts/test-postgres starts a private one); some run
    # the real nearbeam-server as a child process.
    file(GLOB_RECURSE server_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/server/*.cpp)
    add_executable(nearbeam_server_tests ${server_tests})
    target_include_directories(nearbeam_server_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(nearbeam_server_tests PRIVATE nearbeam_server nearbeam_test_support
                          ${gtest_libs})
    target_compile_definitions(nearbeam_server_tests PRIVATE
        NEARBEAM_SOURCE_DIR="${PROJECT_SOURCE_DIR}" NEARBEAM_BINARY_DIR="${CMAKE_BINARY_DIR}"
        NEARBEAM_SERVER_PROGRAM="$<TARGET_FILE:nearbeam-server>")
    add_dependencies(nearbeam_server_tests nearbeam-server)
    gtest_discover_tests(nearbeam_server_tests DISCOVERY_TIMEOUT 60)
endif()
