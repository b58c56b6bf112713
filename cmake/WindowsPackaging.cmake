# The Windows ZIP: `cpack -G ZIP` in the Windows build folder (scripts/
# build-windows.sh) makes klv-loader-<version>-windows-x64.zip with the
# licence, a short README and the .klv registration scripts at its top and the window program and the
# command-line tool (stripped) in bin/, where their own install rules put
# them, with the user manual's PDFs beside them (docs/manual). The Windows
# build installs nothing else.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
# install.cmd opens .klv files with bin\klv-loader.exe for the current user;
# uninstall.cmd takes that back.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/install.cmd
  ${PROJECT_SOURCE_DIR}/packaging/windows/uninstall.cmd DESTINATION .)

set(CPACK_GENERATOR "ZIP")
set(CPACK_PACKAGE_NAME "klv-loader")
set(CPACK_PACKAGE_VENDOR "the KLV Loader developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "klv-loader-${PROJECT_VERSION}-windows-x64")
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_STRIP_FILES ON)
include(CPack)
