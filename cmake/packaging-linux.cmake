# The Debian packages, made by CPack from the native build (bash scripts/package
# --linux), one per component:
#   desktop  nearbeam_<version>_<arch>.deb: the Linux desktop program (its
#            images and icons built in), manufacturers.dat in share/nearbeam,
#            its menu entry, icon and AppStream metainfo; no
#            maintainer scripts: installing and removing it never touches the
#            users' data and settings in their home folders
#   server   nearbeam-server_<version>_<arch>.deb: the location server as a systemd
#            service (its own system user, its database under
#            /var/lib/nearbeam-server)
# Dependencies on shared libraries are computed by dpkg-shlibdeps.

set(NEARBEAM_RELEASE_DATE 2026-12-08)

set(nearbeam_components)
if(TARGET nearbeam)
    list(APPEND nearbeam_components desktop)
    install(TARGETS nearbeam RUNTIME DESTINATION bin COMPONENT desktop)
    if(TARGET manufacturers_dat)
        install(FILES ${CMAKE_BINARY_DIR}/manufacturers.dat DESTINATION share/nearbeam
                COMPONENT desktop)
    endif()
    install(FILES ${PROJECT_SOURCE_DIR}/res/linux/net.nearbeam.Nearbeam.desktop
            DESTINATION share/applications COMPONENT desktop)
    configure_file(${PROJECT_SOURCE_DIR}/res/linux/net.nearbeam.Nearbeam.metainfo.xml.in
                   ${CMAKE_BINARY_DIR}/net.nearbeam.Nearbeam.metainfo.xml @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/net.nearbeam.Nearbeam.metainfo.xml
            DESTINATION share/metainfo COMPONENT desktop)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/icons/hicolor DESTINATION share/icons
            COMPONENT desktop)

    set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME nearbeam)
    set(CPACK_DEBIAN_DESKTOP_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION utils)
    # Below the summary line (the project's description).
    set(CPACK_DEBIAN_DESKTOP_DESCRIPTION [[Nearbeam sits in the system tray, reads the Wi-Fi access points in range
through NetworkManager and tells you where you are, from a database of
places kept on your computer and on a location server. You can place
access points, upload them, and let location-based services hear where
you are.]])
    # The adapter is NetworkManager's, over D-Bus; GNOME shows tray icons only
    # with the AppIndicator extension.
    set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "network-manager")
    set(CPACK_DEBIAN_DESKTOP_PACKAGE_SUGGESTS "gnome-shell-extension-appindicator")
endif()

if(TARGET nearbeam-server)
    list(APPEND nearbeam_components server)
    set(linux_packaging ${CMAKE_CURRENT_LIST_DIR}/packaging-linux)
    install(TARGETS nearbeam-server RUNTIME DESTINATION bin COMPONENT server)
    install(FILES ${linux_packaging}/nearbeam-server.service DESTINATION lib/systemd/system
            COMPONENT server)
    install(FILES ${linux_packaging}/nearbeam-server.default DESTINATION /etc/default
            RENAME nearbeam-server COMPONENT server)
    set(CPACK_DEBIAN_SERVER_PACKAGE_NAME nearbeam-server)
    set(CPACK_DEBIAN_SERVER_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
    set(CPACK_DEBIAN_SERVER_DESCRIPTION
        "The location server: the server that Nearbeam asks where unknown access points are and to which users upload the places they add: SQLite or PostgreSQL storage, HTTP and HTTPS, accounts kept as Argon2id hashes.")
    set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "adduser, systemd")
    set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${linux_packaging}/conffiles
        ${linux_packaging}/postinst ${linux_packaging}/prerm ${linux_packaging}/postrm)
    set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

if(nearbeam_components)
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL ${nearbeam_components})
    set(CPACK_PACKAGE_NAME nearbeam)
    set(CPACK_PACKAGE_VENDOR ${NEARBEAM_PUBLISHER})
    set(CPACK_PACKAGE_CONTACT ${NEARBEAM_PUBLISHER})
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
    set(CPACK_STRIP_FILES ON)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://nearbeam.net/)
    include(CPack)
endif()
