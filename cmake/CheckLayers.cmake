# Checks that the program's folders only include downwards:
#
#   platform <- text <- (widgets) <- model <- serial <- device
#            <- transfer, monitor, editor, sim <- app
#
# A folder may include its own files and those of any lower layer, never a
# folder beside it or above it. Qt is for window code only: files in a ui/
# folder and in widgets/; core files never include a ui/ file.
# Run as: cmake -DSOURCE_DIR=<src folder> -P CheckLayers.cmake
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
    if(NOT DEFINED rank_${target})
      continue()  # not one of the program's folders
    endif()
    if(rest MATCHES "(^|/)ui/" AND NOT is_window_code)
      string(APPEND violations "\n  ${file}: includes window code ${target}/${rest}")
    elseif(target STREQUAL folder)
      # its own layer
    elseif(NOT rank_${target} LESS rank_${folder})
      string(APPEND violations "\n  ${file}: ${folder}/ includes ${target}/${rest}, which is not below it")
    endif()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that break the layers:${violations}")
endif()
list(LENGTH files count)
message(STATUS "Layers kept: ${count} files checked")
