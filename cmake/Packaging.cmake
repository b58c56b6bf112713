# The Debian package: `cpack -G DEB` in a build folder (scripts/check_package.sh
# builds and checks it). It holds what `cmake --install` installs, under /usr.
set(CPACK_PACKAGE_NAME "klv-loader")
set(CPACK_PACKAGE_VENDOR "the KLV Loader developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "parameter loader for KLV40, KLV30 and KLV30E heater power regulators")
set(CPACK_PACKAGE_CONTACT "the KLV Loader developers <klv-loader@localhost>")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_GENERATOR "DEB")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The summary above is the first line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "KLV Loader reads every setup parameter of a connected KLV40, KLV30 or KLV30E
regulator over a serial line, lets a technician edit them on one screen,
checks the connected model, options and control input type and writes them
back, keeps them in parameter files (*.klv), and watches and records live
values.
.
The package holds the program klv-loader with its desktop entry, icon and
MIME type for parameter files, the command-line tool klv-loader-cli, the
simulated regulator klv-sim for practice without a device, man pages and the
user manual in English and Japanese.")

# The library dependencies come from dpkg-shlibdeps (package dpkg-dev). The
# Qt libraries do not pull in the platform plugins that every Qt window needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(KLV_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  # Japanese texts need a CJK font; the manual, the communication log and the
  # data record are opened with the desktop's default programs.
  # The report PDFs embed DejaVu Sans and IPA Gothic.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-dejavu-core, fonts-ipafont-gothic, xdg-utils")
endif()

include(CPack)
