# The location server operators run: a library built natively only (Boost.Beast
# and Asio, OpenSSL), linked into nearbeam-server and the server's tests.
find_package(Boost 1.74 REQUIRED)
find_package(OpenSSL REQUIRED)

set(server_sources ${core_server_excluded})
add_library(nearbeam_server STATIC ${server_sources})
target_link_libraries(nearbeam_server PUBLIC nearbeam_core Boost::boost OpenSSL::SSL OpenSSL::Crypto
                      Threads::Threads)
# Asio keeps no global state beyond what it needs; no deprecated interfaces.
target_compile_definitions(nearbeam_server PUBLIC BOOST_ASIO_NO_DEPRECATED)

add_executable(nearbeam-server tools/server/main.cpp)
target_link_libraries(nearbeam-server PRIVATE nearbeam_server)

if(NEARBEAM_TESTS)
    file(GLOB server_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/server/*.cpp)
    add_executable(nearbeam_server_tests ${server_tests})
    target_include_directories(nearbeam_server_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(nearbeam_server_tests PRIVATE nearbeam_server ${gtest_libs})
    target_compile_definitions(nearbeam_server_tests PRIVATE
        NEARBEAM_SOURCE_DIR="${PROJECT_SOURCE_DIR}" NEARBEAM_BINARY_DIR="${CMAKE_BINARY_DIR}"
        NEARBEAM_SERVER_PROGRAM="$<TARGET_FILE:nearbeam-server>")
    add_dependencies(nearbeam_server_tests nearbeam-server)
    gtest_discover_tests(nearbeam_server_tests DISCOVERY_TIMEOUT 60)
endif()

