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

# From outside: each run is `wine klv-startup-probe.exe once PROGRAM`, so Wine's
# own start is in both; the wine server stays up between runs, as it does on a
# desktop where Wine already runs.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  windows() { local path="$1"; echo "Z:${path//\//\\}"; }
  outside() {
    local began ended
    began=$(date +%s%N)
    timeout 120 wine "$4" once "$(windows "$1")" || return 1
    ended=$(date +%s%N)
    echo $(( (ended - began) / 1000000 ))
  }
  wineserver -p 60
  outside "$1" "" "" "$4" >/dev/null; outside "$2" "" "" "$4" >/dev/null
  a=(); b=()
  for ((i = 1; i <= $3; i++)); do
    x=$(outside "$1" "" "" "$4"); y=$(outside "$2" "" "" "$4")
    printf "whole wine start, pair %2d  program %6d ms  yardstick %6d ms\n" "$i" "$x" "$y"
    a+=("$x"); b+=("$y")
  done
  ma=$(printf "%s\n" "${a[@]}" | sort -n | sed -n "$(( ($3 + 1) / 2 ))p")
  mb=$(printf "%s\n" "${b[@]}" | sort -n | sed -n "$(( ($3 + 1) / 2 ))p")
  awk -v a="$ma" -v b="$mb" "BEGIN { printf \"whole wine start, median  program %6d ms  yardstick %6d ms  ratio %.2f (target <= 1.5)\\n\", a, b, a / b }"
  wineserver -k
' _ "$program" "$out/bench/win32/klv-bare-dialog.exe" "$pairs" "$out/bench/win32/klv-startup-probe.exe"
