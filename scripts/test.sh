#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (missing packages), builds everything and
# runs every test:
#  1. clang with the address and undefined behaviour sanitizers: the core tests
#     and the fuzz corpus replays, and the libFuzzer programs over their seed
#     corpora (one build serves both);
#  2. gcc with the thread sanitizer: the core tests;
#  3. the Windows build of the core and klv-loader-cli under Wine
#     (scripts/build-windows.sh);
#  4. gcc with warnings as errors, everything: the window tests (the core
#     tests, the layers check and the man page checks ran in stages 1 and 2,
#     under two sanitizers and two compilers, and are not run a third time);
#     then the Debian package is built from it and checked.
# Compilations go through ccache when it is there, so a second run on the same
# machine rebuilds only what changed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="$(nproc)"

"$root/scripts/setup.sh"

launcher=()
if command -v ccache >/dev/null; then
  # Paths below the repository are hashed relative to it, so clones in other
  # folders share the cache.
  export CCACHE_BASEDIR="$root"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
started=$SECONDS
stage() { echo "=== [$(( SECONDS - started )) s] $*"; }

stage "Core tests and fuzz corpora under the address and undefined behaviour sanitizers (clang)"
cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DKLV_WERROR=ON -DKLV_FUZZ=ON -DKLV_SANITIZE=address,undefined -DKLV_BUILD_BENCH=OFF \
  -DKLV_BUILD_GUI=OFF "${launcher[@]}"
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs" -L core
"$root/scripts/fuzz.sh" --replay build-asan

stage "Core tests under the thread sanitizer (gcc)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKLV_WERROR=ON \
  -DKLV_SANITIZE=thread -DKLV_BUILD_BENCH=OFF -DKLV_BUILD_GUI=OFF "${launcher[@]}"
cmake --build build-tsan -j "$jobs"
ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L core

stage "Windows: klv-loader-cli.exe and the core cross-built, tested under Wine"
KLV_JOBS="$jobs" KLV_LAUNCHER="${launcher[*]}" "$root/scripts/build-windows.sh"

stage "Build and test (gcc, warnings as errors)"
cmake -S . -B build -G Ninja -DKLV_WERROR=ON "${launcher[@]}"
cmake --build build -j "$jobs"
"$root/scripts/check_package.sh" build
ctest --test-dir build --output-on-failure -j "$jobs" -LE core
stage "Done"
