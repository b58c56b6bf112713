# Checks that the program's folders only include downwards:
#
#   platform <- text <- (widgets) <- model <- serial <- device
#            <- transfer, monitor, editor, sim <- app <- win32
#
# A folder may include its own files and those of any lower layer, never a
# folder beside it or above it. Qt is for window code only: files in a ui/
# folder and in widgets/; core files never include a ui/ file.
#
# win32/ (the window program on Windows) sits on top of everything: it may
# include the core and app/, never Qt, a ui/ file or widgets/, and nothing
# includes it.
#
# The tools (TOOLS_DIR) sit on top of the core: they may include any core
# folder but no window code (a ui/ file or Qt), and neither tool includes the
# other's files; both may include tools/common. The core never includes a
# tool.
#
# Run as: cmake -DSOURCE_DIR=<src folder> [-DTOOLS_DIR=<tools folder>] -P CheckLayers.cmake
cmake_policy(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

# widgets/ (window helpers that know only texts) sits just above text/, so
# the window code of every layer may use it.
set(rank_platform 0)
set(rank_text 10)
set(rank_widgets 15)
set(rank_model 20)
set(rank_serial 30)
set(rank_device 40)
set(rank_transfer 50)
set(rank_monitor 50)
set(rank_editor 50)
set(rank_sim 50)
set(rank_app 70)
set(rank_win32 80)

# The tools' folders; the core includes none of them.
set(tool_folders common klv-loader-cli klv-sim)

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(violations "")
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" folder "${file}")
  if(NOT DEFINED rank_${folder})
    string(APPEND violations "\n  ${file}: the folder ${folder}/ has no place in the layers")
    continue()
  endif()
  set(is_window_code FALSE)
  if(file MATCHES "/ui/" OR folder STREQUAL "widgets")
    set(is_window_code TRUE)
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z0-9_]*|Qt[A-Za-z0-9_]*/[^>]*)>")
      if(NOT is_window_code)
        string(APPEND violations "\n  ${file}: includes Qt (${CMAKE_MATCH_1}) outside window code")
      endif()
      continue()
    endif()
    if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/([^\"]*)\"")
      continue()
    endif()
    set(target ${CMAKE_MATCH_1})
    set(rest ${CMAKE_MATCH_2})
    if(target IN_LIST tool_folders)
      string(APPEND violations "\n  ${file}: the core includes the tool file ${target}/${rest}")
      continue()
    endif()
    if(NOT DEFINED rank_${target})
      continue()  # not one of the program's folders
    endif()
    if(rest MATCHES "(^|/)ui/" AND NOT is_window_code)
      string(APPEND violations "\n  ${file}: includes window code ${target}/${rest}")
    elseif(folder STREQUAL "win32" AND target STREQUAL "widgets")
      string(APPEND violations "\n  ${file}: the Win32 windows include the Qt helpers ${target}/${rest}")
    elseif(target STREQUAL folder)
      # its own layer
    elseif(NOT rank_${target} LESS rank_${folder})
      string(APPEND violations "\n  ${file}: ${folder}/ includes ${target}/${rest}, which is not below it")
    endif()
  endforeach()
endforeach()

list(LENGTH files count)

# The tools. The command-line tool's report command is the one exception to
# "no window code": it draws the unit report's PDF pages with Qt Gui and is
# built only where Qt is.
set(tools_window_code klv-loader-cli/report_command.cpp)
if(TOOLS_DIR)
  get_filename_component(TOOLS_DIR "${TOOLS_DIR}" ABSOLUTE)
  file(GLOB_RECURSE tool_files RELATIVE ${TOOLS_DIR} ${TOOLS_DIR}/*.h ${TOOLS_DIR}/*.cpp)
  foreach(file IN LISTS tool_files)
    string(REGEX MATCH "^[^/]+" folder "${file}")
    if(NOT folder IN_LIST tool_folders)
      string(APPEND violations "\n  ${file}: the folder tools/${folder}/ has no place in the layers")
      continue()
    endif()
    set(is_window_code FALSE)
    if(file IN_LIST tools_window_code)
      set(is_window_code TRUE)
    endif()
    file(STRINGS ${TOOLS_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
      if(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z0-9_]*|Qt[A-Za-z0-9_]*/[^>]*)>")
        if(NOT is_window_code)
          string(APPEND violations "\n  tools/${file}: includes Qt (${CMAKE_MATCH_1})")
        endif()
        continue()
      endif()
      if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/([^\"]*)\"")
        continue()  # a file of the tool's own folder, or the system's
      endif()
      set(target ${CMAKE_MATCH_1})
      set(rest ${CMAKE_MATCH_2})
      if(target IN_LIST tool_folders)
        if(NOT target STREQUAL folder AND NOT target STREQUAL "common")
          string(APPEND violations "\n  tools/${file}: tools/${folder}/ includes tools/${target}/${rest}, another tool's file")
        endif()
      elseif(target STREQUAL "win32")
        string(APPEND violations "\n  tools/${file}: includes the Win32 windows ${target}/${rest}")
      elseif(DEFINED rank_${target})
        if(rest MATCHES "(^|/)ui/" AND NOT is_window_code)
          string(APPEND violations "\n  tools/${file}: includes window code ${target}/${rest}")
        endif()
      endif()
    endforeach()
  endforeach()
  list(LENGTH tool_files tool_count)
  math(EXPR count "${count} + ${tool_count}")
endif()

if(violations)
  message(FATAL_ERROR "Includes that break the layers:${violations}")
endif()
message(STATUS "Layers kept: ${count} files checked")
