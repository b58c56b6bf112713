# The core tests of the Windows build, run under Wine: every core test that
# needs neither a pseudo-terminal nor POSIX file modes, plus the tests of the
# Windows port and platform files in windows/. GoogleTest comes from its
# sources (Debian's googletest package), built with the cross compiler.
set(KLV_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources for the cross build")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KLV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB_RECURSE windows_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
list(FILTER windows_test_sources EXCLUDE REGEX "/ui/")
# win32/: the window program's own test program, below.
list(FILTER windows_test_sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/win32/")
# Tests that play the regulator on a pseudo-terminal (the simulated
# regulator's server, the POSIX port, the rigs built on them, the tool run
# against them) or that change POSIX file modes (or mount a file system,
# or remove a file that is open).
list(FILTER windows_test_sources EXCLUDE REGEX
  "/(sim/sim_server|serial/posix_serial_port|serial/tcp_serial_port|serial/network_address|transfer/network_cli|serial/line_settings|serial/comm_log|serial/settings_file|platform/file_store|platform/append_file|platform/data_folder|monitor/monitor_pty|monitor/monitor_line|monitor/monitor_cli|transfer/cli|transfer/changed_only_cli|transfer/changed_only_write|transfer/bus_cli|transfer/bus_run|transfer/read_transfer|transfer/write_transfer|transfer/transfer_worker|transfer/transfer_commands|transfer/device_reading|transfer/write_verification|device/scan_cli|editor/report_cli)_test\\.cpp$")
# Checks the Japanese texts' Shift-JIS form with iconv, which MinGW lacks.
list(FILTER windows_test_sources EXCLUDE REGEX "/model/register_catalogue_test\\.cpp$")

# The command-line tool's text table and the simulator's command line are
# checked on their own as well.
# The window programs' shared program state and transfer flow are Qt-free and
# tested here too.
add_executable(klvcore_tests ${PROJECT_SOURCE_DIR}/tools/klv-sim/command_line.cpp ${windows_test_sources} ${PROJECT_SOURCE_DIR}/tools/klv-loader-cli/cli_texts.cpp
  ${PROJECT_SOURCE_DIR}/src/app/program_state.cpp ${PROJECT_SOURCE_DIR}/src/app/transfer_flow.cpp
  ${PROJECT_SOURCE_DIR}/src/app/document_flow.cpp)
target_include_directories(klvcore_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tools ${PROJECT_SOURCE_DIR}/tools/klv-loader-cli)
target_link_libraries(klvcore_tests PRIVATE klvcore klvsim klvtoolargs gtest gmock gtest_main)
target_compile_options(klvcore_tests PRIVATE -include ${CMAKE_CURRENT_SOURCE_DIR}/windows/posix_test_compat.h)

# One Wine process for the whole program: a process per test case would
# spend minutes starting Wine.
# Left out: the POSIX device that COM13 reaches (the Windows names are
# checked in windows/), and file names in Japanese, which need UTF-8 file
# names from std::string (path conversion in MinGW's library is not UTF-8).
add_test(NAME core.windows COMMAND klvcore_tests --gtest_brief=1
  "--gtest_filter=-SerialLineTest.OpensTheResolvedDeviceWithTheLineSettings:DocumentTitleFor.DropsFolderAndLastFourCharacters")
set_tests_properties(core.windows PROPERTIES LABELS core TIMEOUT 600)

# The window program's windows, created in-process and driven through their
# controls' messages. Wine needs a display for them: scripts/build-windows.sh
# runs this label under xvfb-run. The program's resources (manifest for
# common controls 6, shortcut keys) are linked in as in klv-loader.exe.
file(GLOB win32_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/win32/*.cpp)
add_executable(klvwin32_tests WIN32 ${win32_test_sources} ${PROJECT_SOURCE_DIR}/src/win32/klv-loader.rc)
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/win32/klv-loader.rc PROPERTIES
  COMPILE_DEFINITIONS "KLV_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};KLV_VERSION_MINOR=${PROJECT_VERSION_MINOR}")
set_target_properties(klvwin32_tests PROPERTIES WIN32_EXECUTABLE OFF)
target_include_directories(klvwin32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(klvwin32_tests PRIVATE klvwin32 klvsim gtest gtest_main)
add_test(NAME win32.windows COMMAND klvwin32_tests --gtest_brief=1)
set_tests_properties(win32.windows PROPERTIES LABELS win32 TIMEOUT 600)
