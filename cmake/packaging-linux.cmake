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
# Dependencies on shared libraries are computed by dpkg-shlibdeps. Each package
# carries what Debian's checker (lintian) asks of one: its copyright file, its
# changelog and its man page, compressed as dpkg does it.

set(NEARBEAM_RELEASE_DATE 2026-12-08)
set(NEARBEAM_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 12:00:00 +0000")
set(NEARBEAM_MAINTAINER "${NEARBEAM_PUBLISHER} <developers@nearbeam.net>")
set(linux_packaging ${CMAKE_CURRENT_LIST_DIR}/packaging-linux)
configure_file(${linux_packaging}/changelog.in ${CMAKE_BINARY_DIR}/package-docs/changelog @ONLY)

# What Debian's own packaging adds to a program's package: the copyright file
# as it is; the changelog and the man page compressed without a name or time
# stamp (made with the program); and, after the strip, the compilers' notes
# (.comment) removed from the program.
function(nearbeam_debian_package program component)
    set(docs ${CMAKE_BINARY_DIR}/package-docs/${program})
    add_custom_command(
        OUTPUT ${docs}/changelog.gz ${docs}/${program}.1.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${docs}
        COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/package-docs/changelog > ${docs}/changelog.gz
        COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/res/linux/${program}.1 > ${docs}/${program}.1.gz
        DEPENDS ${CMAKE_BINARY_DIR}/package-docs/changelog
                ${PROJECT_SOURCE_DIR}/res/linux/${program}.1
        VERBATIM)
    add_custom_target(${program}_docs DEPENDS ${docs}/changelog.gz ${docs}/${program}.1.gz)
    add_dependencies(${program} ${program}_docs)
    install(FILES ${linux_packaging}/copyright ${docs}/changelog.gz
            DESTINATION share/doc/${program} COMPONENT ${component})
    install(FILES ${docs}/${program}.1.gz DESTINATION share/man/man1 COMPONENT ${component})
    install(CODE "execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)"
            COMPONENT ${component})
endfunction()

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
    nearbeam_debian_package(nearbeam desktop)

    set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME nearbeam)
    set(CPACK_DEBIAN_DESKTOP_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION utils)
    # The summary line, then the rest.
    set(CPACK_DEBIAN_DESKTOP_DESCRIPTION [[where you are, from the Wi-Fi access points in range
Nearbeam sits in the system tray, reads the Wi-Fi access points in range
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
    install(TARGETS nearbeam-server RUNTIME DESTINATION bin COMPONENT server)
    install(FILES ${linux_packaging}/nearbeam-server.service DESTINATION lib/systemd/system
            COMPONENT server)
    install(FILES ${linux_packaging}/nearbeam-server.default DESTINATION /etc/default
            RENAME nearbeam-server COMPONENT server)
    nearbeam_debian_package(nearbeam-server server)
    set(CPACK_DEBIAN_SERVER_PACKAGE_NAME nearbeam-server)
    set(CPACK_DEBIAN_SERVER_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
    set(CPACK_DEBIAN_SERVER_DESCRIPTION [[location server for the Nearbeam program
The server that Nearbeam asks where unknown access points are and to which
users upload the places they add: SQLite or PostgreSQL storage, HTTP and
HTTPS, accounts kept as Argon2id hashes. It runs as a systemd service.]])
    set(CPACK_DEBIAN_SERVER_PACKAGE_SOURCE nearbeam)
    # The maintainer scripts enable, start and stop the service through
    # deb-systemd-helper and deb-systemd-invoke (init-system-helpers, which is
    # essential).
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
    set(CPACK_PACKAGE_CONTACT ${NEARBEAM_MAINTAINER})
    # Each package's description begins with its own summary line.
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
    set(CPACK_STRIP_FILES ON)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://nearbeam.net/)
    include(CPack)
endif()
