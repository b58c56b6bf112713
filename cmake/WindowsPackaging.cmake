# The Windows ZIP: `cpack -G ZIP` in the Windows build folder (scripts/
# build-windows.sh) makes klv-loader-cli-<version>-windows-x64.zip with the
# command-line tool, the licence and a short README at its top.
install(PROGRAMS $<TARGET_FILE:klv-loader-cli> DESTINATION . COMPONENT windows_zip)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT windows_zip)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION . COMPONENT windows_zip)

set(CPACK_GENERATOR "ZIP")
set(CPACK_PACKAGE_NAME "klv-loader-cli")
set(CPACK_PACKAGE_VENDOR "the KLV Loader developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "klv-loader-cli-${PROJECT_VERSION}-windows-x64")
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
# Only the files above, not what the other targets install for Linux.
set(CPACK_COMPONENTS_ALL windows_zip)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
