#!/usr/bin/env bash
# The zip's install.cmd under Wine: run in the unpacked zip, it registers
# .klv for the current user (HKCU\Software\Classes: the ProgID, its icon and
# its open command with the unpacked klv-loader.exe); uninstall.cmd removes
# the keys again.
#
#   tests/windows/file_association.sh ZIP WINEPREFIX
set -uo pipefail
zip="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
export WINEPREFIX="$2" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
work="$(mktemp -d)"
trap 'rm -rf "$work"; timeout 30 wineserver -k 2>/dev/null; true' EXIT
failures=0
check() {
  local name="$1"; shift
  if "$@"; then echo "PASS  $name"; else echo "FAIL  $name"; failures=$((failures + 1)); fi
}
query() { timeout 120 wine reg query "$1" /ve 2>/dev/null | tr -d '\r'; }
absent() { ! timeout 120 wine reg query "$1" >/dev/null 2>&1; }

(cd "$work" && unzip -q "$zip")
folder="$(find "$work" -maxdepth 2 -name install.cmd -printf '%h\n' | head -n 1)"
check "the zip holds install.cmd and uninstall.cmd" test -f "$folder/install.cmd" -a -f "$folder/uninstall.cmd"
program="$(timeout 60 wine winepath -w "$folder/bin/klv-loader.exe" 2>/dev/null | tr -d '\r')"

(cd "$folder" && timeout 120 wine cmd /c install.cmd >"$work/install.out" 2>&1)
echo "install.cmd: $?"; tr -d '\r' <"$work/install.out"
classes='HKCU\Software\Classes'
check "install: .klv names the program's file type" grep -q 'KlvLoader.ParameterFile' <(query "$classes\\.klv")
check "install: the file type has a name" grep -q 'KLV Loader parameter file' <(query "$classes\\KlvLoader.ParameterFile")
check "install: the icon is the program's" grep -qF "\"$program\",0" <(query "$classes\\KlvLoader.ParameterFile\\DefaultIcon")
check "install: open runs the program with the file" \
  grep -qF "\"$program\" \"%1\"" <(query "$classes\\KlvLoader.ParameterFile\\shell\\open\\command")

(cd "$folder" && timeout 120 wine cmd /c uninstall.cmd >"$work/uninstall.out" 2>&1)
echo "uninstall.cmd: $?"
check "uninstall: the file type is gone" absent "$classes\\KlvLoader.ParameterFile"
check "uninstall: .klv is gone" absent "$classes\\.klv"

if ((failures > 0)); then
  echo "$failures file association check(s) failed"
  exit 1
fi
echo "All file association checks passed."
