#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (missing packages), builds everything and
# runs every test: the normal build, the core under the address and undefined
# behaviour sanitizers and under the thread sanitizer, and the libFuzzer targets built with clang replaying
# their seed corpora, the Windows build of the core and klv-loader-cli under Wine
# (scripts/build-windows.sh); then builds the Debian package from the normal build and checks it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="$(nproc)"

"$root/scripts/setup.sh"

echo "=== Core tests under the address and undefined behaviour sanitizers"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKLV_WERROR=ON \
  -DKLV_SANITIZE=address,undefined -DKLV_BUILD_BENCH=OFF -DKLV_BUILD_GUI=OFF
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs" -L core

echo "=== Core tests under the thread sanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKLV_WERROR=ON \
  -DKLV_SANITIZE=thread -DKLV_BUILD_BENCH=OFF -DKLV_BUILD_GUI=OFF
cmake --build build-tsan -j "$jobs"
ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L core

echo "=== libFuzzer targets (clang), seed corpora replayed"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DKLV_FUZZ=ON -DKLV_SANITIZE=address,undefined -DKLV_BUILD_BENCH=OFF -DKLV_BUILD_GUI=OFF
cmake --build build-fuzz -j "$jobs"
"$root/scripts/fuzz.sh" --replay build-fuzz

echo "=== Windows: klv-loader-cli.exe and the core cross-built, tested under Wine"
KLV_JOBS="$jobs" "$root/scripts/build-windows.sh"

echo "=== Build and test (gcc, warnings as errors)"
cmake -S . -B build -G Ninja -DKLV_WERROR=ON
cmake --build build -j "$jobs"
"$root/scripts/check_package.sh" build
ctest --test-dir build --output-on-failure -j "$jobs"
