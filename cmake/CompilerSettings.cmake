# Warnings and sanitizers shared by every target of the project.
add_library(klv_build_flags INTERFACE)
target_compile_options(klv_build_flags INTERFACE -Wall -Wextra -Wpedantic)
if(KLV_WERROR)
  target_compile_options(klv_build_flags INTERFACE -Werror)
endif()
if(WIN32)
  # The Windows headers without their min/max macros and rarely used parts,
  # for Windows 10 and later.
  target_compile_definitions(klv_build_flags INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
endif()

if(KLV_SANITIZE)
  # A sanitizer report must fail the run, never scroll past.
  set(klv_sanitize_flags -fsanitize=${KLV_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${klv_sanitize_flags})
  add_link_options(${klv_sanitize_flags})
endif()

if(KLV_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "KLV_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()

# A fuzzer is only as good as the inputs it gets through: a Debug fuzz build
# still optimises (-O1 after Debug's -O0 wins), keeping its assertions and
# debug information, so every target runs millions of inputs in minutes.
if(KLV_FUZZ AND CMAKE_BUILD_TYPE STREQUAL "Debug")
  add_compile_options(-O1)
endif()
