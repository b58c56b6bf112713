#!/usr/bin/env bash
# Start-up of klv-loader.exe to its painted window under Wine, against a bare
# Win32 dialog program built beside it, in paired runs on a virtual display;
# prints each pair, the medians and their ratio (target <= 1.5), and the size
# of klv-loader.exe (target <= 5 MB). Not part of the test command.
#
#   bench/startup_windows.sh [PAIRS]      (after scripts/build-windows.sh)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/build-windows"
pairs="${1:-10}"
cmake --build "$out" -j "${KLV_JOBS:-2}" --target klv-loader klv-bare-dialog klv-startup-probe
program="$out/src/win32/klv-loader.exe"
export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
trap 'timeout 30 wineserver -k 2>/dev/null || true' EXIT
echo "klv-loader.exe: $(stat -c %s "$program") bytes ($(numfmt --to=iec-i --suffix=B "$(stat -c %s "$program")"); target <= 5 MB)"
# Wine's drive Z: is the root. (Not winepath: a Wine started without the
# display would leave the next one unable to make windows.)
windows() { local path="$1"; echo "Z:${path//\//\\}"; }
xvfb-run -a -s "-screen 0 1280x1024x24" timeout 600 wine "$out/bench/win32/klv-startup-probe.exe" "$pairs" \
  "$(windows "$program")" "$(windows "$out/bench/win32/klv-bare-dialog.exe")"
