# The Linux packages, made by CPack from the native build (bash scripts/package),
# one Debian package per component:
#   nearbeam-server_<version>_<arch>.deb  the location server as a systemd service
#     (its own system user, its database under /var/lib/nearbeam-server)

set(linux_packaging ${CMAKE_CURRENT_LIST_DIR}/packaging-linux)
install(TARGETS nearbeam-server RUNTIME DESTINATION bin COMPONENT server)
install(FILES ${linux_packaging}/nearbeam-server.service DESTINATION lib/systemd/system
        COMPONENT server)
install(FILES ${linux_packaging}/nearbeam-server.default DESTINATION /etc/default
        RENAME nearbeam-server COMPONENT server)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nearbeam)
set(CPACK_PACKAGE_VENDOR ${NEARBEAM_PUBLISHER})
set(CPACK_PACKAGE_CONTACT ${NEARBEAM_PUBLISHER})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
list(APPEND CPACK_COMPONENTS_ALL server)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME nearbeam-server)
# Each package's description follows the project's one-line summary.
set(CPACK_DEBIAN_SERVER_DESCRIPTION
    "The location server: the server that Nearbeam asks where unknown access points are and to which users upload the places they add: SQLite or PostgreSQL storage, HTTP and HTTPS, accounts kept as Argon2id hashes.")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "adduser, systemd")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${linux_packaging}/conffiles
    ${linux_packaging}/postinst ${linux_packaging}/prerm ${linux_packaging}/postrm)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
