#!/usr/bin/env bash
# Builds the Windows programs and tests them under Wine:
#  1. installs the Debian packages it needs (MinGW-w64, Wine, GoogleTest
#     sources, zip, Xvfb) when missing;
#  2. cross-builds the core, klv-loader-cli.exe, the window program
#     klv-loader.exe and their tests into build-windows/ (static runtime: no
#     MinGW DLLs needed);
#  3. runs the core tests under Wine (a private Wine prefix in build-windows/),
#     then the window tests under Wine on a virtual display (xvfb-run: Wine
#     makes no window without an X display);
#  4. builds klv-sim and klv-loader-cli for Linux (build-windows/linux) and
#     runs the end-to-end tests of the .exe files against klv-sim
#     (tests/windows/e2e.sh, the CLI; tests/windows/e2e_window.sh, the windows);
#  5. packs build-windows/packages/klv-loader-<version>-windows-x64.zip and
#     checks that its install.cmd registers .klv files under Wine
#     (tests/windows/file_association.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="${KLV_JOBS:-$(nproc)}"
# The compiler launcher of scripts/test.sh (ccache), if any.
read -r -a launcher <<< "${KLV_LAUNCHER:-}"
out="$root/build-windows"

# python3-markdown, weasyprint and fonts-noto-cjk build the user manual's PDFs
# that go into the ZIP beside the programs (Help > Manual opens them).
packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest zip file xvfb xauth python3-markdown weasyprint fonts-noto-cjk)
missing=()
for pkg in "${packages[@]}"; do
  status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ "$(id -u)" == 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

echo "=== Windows build (MinGW-w64, warnings as errors)"
# -O2 without debug information: GCC 12 at -O3 warns falsely (-Wrestrict) in
# the standard library's string code, and debug information doubles the time
# the static test program takes to link.
cmake -S . -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DKLV_WERROR=ON -DKLV_BUILD_GUI=OFF -DKLV_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build "$out" -j "$jobs"
file "$out/tools/klv-loader-cli/klv-loader-cli.exe" "$out/src/win32/klv-loader.exe"

export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
trap 'timeout 30 wineserver -k 2>/dev/null || true' EXIT
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "=== Wine prefix $WINEPREFIX"
  timeout 300 wine wineboot -i >/dev/null 2>&1
  timeout 60 wineserver -w
fi

echo "=== Core tests under Wine"
ctest --test-dir "$out" --output-on-failure -L core --timeout 600

echo "=== Window tests under Wine on a virtual display"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$out" --output-on-failure -L win32 --timeout 600

echo "=== klv-sim and klv-loader-cli for Linux, then the end-to-end test under Wine"
cmake -S . -B "$out/linux" -G Ninja -DKLV_WERROR=ON -DKLV_BUILD_GUI=OFF -DKLV_BUILD_BENCH=OFF -DKLV_BUILD_TESTS=OFF "${launcher[@]}"
cmake --build "$out/linux" -j "$jobs" --target klv-sim klv-loader-cli
"$root/tests/windows/e2e.sh" "$out/linux" "$out"
"$root/tests/windows/e2e_window.sh" "$out/linux" "$out"

echo "=== ZIP"
(cd "$out" && cpack -G ZIP)
zip="$out/packages/klv-loader-$(sed -nE 's/^project\(KlvLoader VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)-windows-x64.zip"
unzip -l "$zip" | tee "$out/packages/contents.txt"
grep -q 'bin/klv-loader-cli.exe$' "$out/packages/contents.txt"
grep -q 'bin/klv-loader.exe$' "$out/packages/contents.txt"
grep -q 'bin/KlvToolEng.pdf$' "$out/packages/contents.txt"
grep -q 'bin/KlvTool.pdf$' "$out/packages/contents.txt"

echo "=== install.cmd and uninstall.cmd of the zip under Wine"
"$root/tests/windows/file_association.sh" "$zip" "$WINEPREFIX"
