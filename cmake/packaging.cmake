# The Windows packages, made by CPack from the Windows build (bash scripts/package):
#   Nearbeam-<version>-setup.exe  a per-user installer (NSIS, cmake/packaging/)
#   Nearbeam-<version>-win64.zip  the ready-to-run folder
# Both hold the program, manufacturers.dat, the Scanner's images and an empty
# data\ folder for the user's places.

install(TARGETS nearbeam RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/manufacturers.dat DESTINATION .)
file(GLOB nearbeam_images CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/images/*.png)
install(FILES ${nearbeam_images} DESTINATION .)
install(DIRECTORY DESTINATION data)

set(CPACK_PACKAGE_NAME Nearbeam)
set(CPACK_PACKAGE_VENDOR ${NEARBEAM_PUBLISHER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Nearbeam)
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# Our own installer script, and a file name per package.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/packaging)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/packaging/file_names.cmake)
set(CPACK_NEARBEAM_ICON ${PROJECT_SOURCE_DIR}/res/icons/nearbeam.ico)
include(CPack)
