# Cross build for 64-bit Windows with Debian's MinGW-w64 (package
# g++-mingw-w64-x86-64-posix). The posix-threads variant of the compiler is
# the one whose C++ library has std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KLV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KLV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KLV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KLV_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${KLV_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${KLV_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

# Libraries and headers come from the cross tree only; programs (cmake's own
# helpers) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${KLV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run from a copied folder or a ZIP without MinGW's DLLs: the C
# and C++ runtimes and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine on the build machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
