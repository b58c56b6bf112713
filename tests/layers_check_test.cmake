# The layers check itself: a tree that keeps the rules passes, and each kind
# of include it must refuse makes it fail. Run as:
#   cmake -DCHECK=<CheckLayers.cmake> -DWORK_DIR=<scratch folder> -P layers_check_test.cmake
cmake_policy(VERSION 3.25)

# Runs the check on a tree of one core file and one tool file with the given
# include lines; expect_pass says how it must end.
function(check_tree name tool_file tool_include core_include expect_pass)
  set(root ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${root})
  file(WRITE ${root}/src/serial/port.h "#pragma once\n${core_include}\n")
  file(WRITE ${root}/tools/${tool_file} "${tool_include}\nint main() { return 0; }\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${root}/src -DTOOLS_DIR=${root}/tools -P ${CHECK}
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
  if(expect_pass AND NOT result EQUAL 0)
    message(SEND_ERROR "${name}: refused a tree that keeps the layers:\n${error}")
  elseif(NOT expect_pass AND result EQUAL 0)
    message(SEND_ERROR "${name}: passed an include that breaks the layers")
  endif()
endfunction()

check_tree(kept klv-sim/main.cpp
  "#include \"common/argument_reader.h\"\n#include \"sim/sim_server.h\"\n#include \"klv-sim/command_line.h\"" "" TRUE)
check_tree(report_draws_with_qt klv-loader-cli/report_command.cpp
  "#include <QGuiApplication>\n#include \"editor/ui/unit_report_pdf.h\"" "" TRUE)
check_tree(sim_includes_cli klv-sim/main.cpp "#include \"klv-loader-cli/cli_options.h\"" "" FALSE)
check_tree(cli_includes_sim klv-loader-cli/main.cpp "#include \"klv-sim/command_line.h\"" "" FALSE)
check_tree(common_includes_a_tool common/argument_reader.cpp "#include \"klv-sim/command_line.h\"" "" FALSE)
check_tree(tool_includes_qt klv-loader-cli/main.cpp "#include <QString>" "" FALSE)
check_tree(tool_includes_window_code klv-sim/main.cpp "#include \"editor/ui/unit_report_pdf.h\"" "" FALSE)
check_tree(unknown_tool_folder klv-other/main.cpp "" "" FALSE)
check_tree(core_includes_a_tool klv-sim/main.cpp "" "#include \"klv-sim/command_line.h\"" FALSE)

# The Win32 windows: on top of the core and app/, without Qt; nothing includes them.
function(check_win32_tree name win32_include core_include tool_include expect_pass)
  set(root ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${root})
  file(WRITE ${root}/src/win32/main_window.cpp "${win32_include}\n")
  file(WRITE ${root}/src/app/program_state.h "#pragma once\n${core_include}\n")
  file(WRITE ${root}/tools/klv-sim/main.cpp "${tool_include}\nint main() { return 0; }\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${root}/src -DTOOLS_DIR=${root}/tools -P ${CHECK}
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
  if(expect_pass AND NOT result EQUAL 0)
    message(SEND_ERROR "${name}: refused a tree that keeps the layers:\n${error}")
  elseif(NOT expect_pass AND result EQUAL 0)
    message(SEND_ERROR "${name}: passed an include that breaks the layers")
  endif()
endfunction()

check_win32_tree(win32_kept "#include \"app/program_state.h\"\n#include \"editor/screen_layout.h\"" "" "" TRUE)
check_win32_tree(win32_includes_qt "#include <QWidget>" "" "" FALSE)
check_win32_tree(win32_includes_window_code "#include \"editor/ui/parameter_screen.h\"" "" "" FALSE)
check_win32_tree(win32_includes_qt_helpers "#include \"widgets/message_box.h\"" "" "" FALSE)
check_win32_tree(app_includes_win32 "" "#include \"win32/main_window.h\"" "" FALSE)
check_win32_tree(tool_includes_win32 "" "" "#include \"win32/wide_text.h\"" FALSE)
