#!/usr/bin/env bash
# End-to-end test of the Windows klv-loader-cli.exe under Wine against the
# Linux klv-sim on pseudo-terminals, beside the Linux klv-loader-cli on the
# same simulated regulators: the same parameter files byte for byte, the same
# communication log bodies, the same show output, and the same refusal of a
# port that is in use.
#
#   tests/windows/e2e.sh LINUX_BUILD WINDOWS_BUILD
#
# LINUX_BUILD holds tools/klv-sim/klv-sim and tools/klv-loader-cli/klv-loader-cli,
# WINDOWS_BUILD tools/klv-loader-cli/klv-loader-cli.exe. The Wine prefix is
# WINDOWS_BUILD/wineprefix (made on first use); the work files go to
# WINDOWS_BUILD/e2e.
set -uo pipefail
linux_build="$(cd "$1" && pwd)"
windows_build="$(cd "$2" && pwd)"
sim="$linux_build/tools/klv-sim/klv-sim"
linux_cli="$linux_build/tools/klv-loader-cli/klv-loader-cli"
windows_cli="$windows_build/tools/klv-loader-cli/klv-loader-cli.exe"
work="$windows_build/e2e"

export WINEPREFIX="$windows_build/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset DISPLAY
# Every Wine call is bounded; a hung Wine fails the test instead of CI.
# A pseudo-terminal cannot hold 7 data bits or parity; the kernel then
# refuses a line setup that changes nothing else, and Wine reports that as a
# failed SetCommState. Clearing IGNBRK (which Wine sets) before each Wine run
# gives every setup a change that takes, as a real port would.
wine_run() {
  for port in "${sim_ports[@]}"; do stty -F "$port" -ignbrk 2>/dev/null; done
  timeout 120 wine "$@"
}
sim_ports=()

failures=0
check() {  # check NAME COMMAND...: runs the comparison, reports it
  local name="$1"; shift
  if "$@"; then echo "PASS  $name"; else echo "FAIL  $name"; failures=$((failures + 1)); fi
}

sim_pids=()
cleanup() {
  for pid in "${sim_pids[@]}"; do kill "$pid" 2>/dev/null; done
  timeout 30 wineserver -k 2>/dev/null
  true
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work/linux-data/klv-loader/ports"
export XDG_DATA_HOME="$work/linux-data"
linux_folder="$XDG_DATA_HOME/klv-loader"

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "Making the Wine prefix $WINEPREFIX"
  timeout 300 wine wineboot -i >/dev/null 2>&1 || { echo "FAIL  wineboot"; exit 1; }
  timeout 60 wineserver -w
fi
windows_folder="$WINEPREFIX/drive_c/users/Public/Documents"
rm -f "$windows_folder/KlvTool.ini" "$windows_folder/comlog.txt"

# start_sim NAME ARGS...: a klv-sim on a new pseudo-terminal; its path in
# $sim_port. It serves until its standard input (a FIFO held here) closes.
start_sim() {
  local name="$1"; shift
  mkfifo "$work/$name.in"
  "$sim" "$@" <"$work/$name.in" >"$work/$name.out" 2>"$work/$name.err" &
  sim_pids+=($!)
  exec {fd}>"$work/$name.in"
  for _ in $(seq 100); do
    sim_port="$(head -n 1 "$work/$name.out" 2>/dev/null)"
    if [[ "$sim_port" == /dev/* ]]; then sim_ports+=("$sim_port"); return 0; fi
    sleep 0.1
  done
  echo "FAIL  klv-sim $name did not start: $(cat "$work/$name.err")"
  exit 1
}

start_sim a
port_a="$sim_port"
start_sim b --set 0120=1
port_b="$sim_port"
echo "klv-sim a on $port_a, b on $port_b"

# COM7 and COM8 reach the two simulators: a link in the Linux data folder,
# Wine's port key (read when Wine starts, hence the wait for its server).
ln -s "$port_a" "$linux_folder/ports/COM7"
ln -s "$port_b" "$linux_folder/ports/COM8"
wine_run reg add 'HKLM\Software\Wine\Ports' /v COM7 /t REG_SZ /d "$port_a" /f >/dev/null 2>&1
wine_run reg add 'HKLM\Software\Wine\Ports' /v COM8 /t REG_SZ /d "$port_b" /f >/dev/null 2>&1
timeout 60 wineserver -w

# The communication log without its first line (title, date and time).
log_body() { tail -n +2 "$1" | tr -d '\r'; }
same_file() { cmp -s "$1" "$2"; }
size_is() { [[ "$(stat -c %s "$1" 2>/dev/null)" == "$2" ]]; }
differ() { ! cmp -s "$1" "$2"; }

cd "$work"
# Read: the same 120 bytes and the same exchanges.
"$linux_cli" read --port COM7 --output linux-a.klv >linux-read.out 2>&1
echo "linux read: $?"; cp "$linux_folder/comlog.txt" linux-read.log
wine_run "$windows_cli" read --port COM7 --output windows-a.klv >windows-read.out 2>&1
echo "windows read: $?"; cp "$windows_folder/comlog.txt" windows-read.log
check "read gives a parameter file of 120 bytes" size_is windows-a.klv 120
check "read: the same parameter file as on Linux" same_file linux-a.klv windows-a.klv
check "read: the same communication log body" same_file <(log_body linux-read.log) <(log_body windows-read.log)
check "read: the same report" same_file <(tr -d '\r' <linux-read.out) <(tr -d '\r' <windows-read.out)

# Write: a parameter file read from b (0120 set) written to a by the Windows
# tool; a then reads back as b.
"$linux_cli" read --port COM8 --output b.klv >/dev/null 2>&1
check "the second regulator's file differs" differ b.klv linux-a.klv
wine_run "$windows_cli" write --port COM7 b.klv >windows-write.out 2>&1
echo "windows write: $?"; cp "$windows_folder/comlog.txt" windows-write.log
"$linux_cli" read --port COM7 --output a-after.klv >/dev/null 2>&1
check "write: the regulator holds what the Windows tool wrote" same_file a-after.klv b.klv
"$linux_cli" write --port COM7 b.klv >linux-write.out 2>&1
echo "linux write: $?"; cp "$linux_folder/comlog.txt" linux-write.log
check "write: the same communication log body" same_file <(log_body linux-write.log) <(log_body windows-write.log)
check "write: the same report" same_file <(tr -d '\r' <linux-write.out) <(tr -d '\r' <windows-write.out)

# Show, as text and as JSON.
for format in "" --json; do
  "$linux_cli" show b.klv $format >linux-show.out 2>&1
  wine_run "$windows_cli" show b.klv $format >windows-show.out 2>&1
  check "show $format: the same output" same_file <(tr -d '\r' <linux-show.out) <(tr -d '\r' <windows-show.out)
done

# A Japanese folder name: the Windows tool reads into it (a relative name and
# a C:\users\... one), shows and writes from it, with what it saves and says
# the same as for any other name.
mkdir -p "デスクトップ" "$WINEPREFIX/drive_c/users/Public/デスクトップ"
rm -f "$WINEPREFIX/drive_c/users/Public/デスクトップ/設定.klv"
wine_run "$windows_cli" read --port COM7 --output 'デスクトップ/設定.klv' >windows-jp-read.out 2>&1
echo "windows read into a Japanese folder: $?"
check "Japanese folder: read saves the regulator's file there" same_file a-after.klv "デスクトップ/設定.klv"
wine_run "$windows_cli" read --port COM7 --output 'C:\users\Public\デスクトップ\設定.klv' >/dev/null 2>&1
check "Japanese folder: read saves it under C:\\users as well" \
  same_file a-after.klv "$WINEPREFIX/drive_c/users/Public/デスクトップ/設定.klv"
"$linux_cli" show 'デスクトップ/設定.klv' >linux-jp-show.out 2>&1
wine_run "$windows_cli" show 'デスクトップ/設定.klv' >windows-jp-show.out 2>&1
check "Japanese folder: show gives the same output" same_file <(tr -d '\r' <linux-jp-show.out) <(tr -d '\r' <windows-jp-show.out)
wine_run "$windows_cli" write --port COM7 'C:\users\Public\デスクトップ\設定.klv' >windows-jp-write.out 2>&1
echo "$?" >windows-jp-write.status
check "Japanese folder: write from it succeeds" grep -qx 0 windows-jp-write.status

# A port in use: while a monitor holds COM7, a read is refused with the same
# message on both systems (the device named after the COM number differs).
refusal() {  # refusal OUTPUT: the message with the device name taken out
  tr -d '\r' <"$1" | sed -E 's#^(klv-loader-cli: )?Port cannot be used#Port cannot be used#; s#^(klv-loader-cli: )?COM7, [^:]*: #COM7, DEVICE: #'
}
hold_and_read() {  # hold_and_read HOLDER READER OUTPUT
  local holder="$1" reader="$2" output="$3" pid
  $holder monitor --port COM7 --seconds 6 >"$output.holder" 2>&1 &
  pid=$!
  for _ in $(seq 100); do grep -q '^model=' "$output.holder" 2>/dev/null && break; sleep 0.1; done
  $reader read --port COM7 --output refused.klv >"$output" 2>&1
  echo $? >"$output.status"
  wait "$pid"
}
hold_and_read "$linux_cli" "$linux_cli" linux-refused.out
hold_and_read "wine_run $windows_cli" "wine_run $windows_cli" windows-refused.out
check "in use: Linux refuses with exit status 2" grep -qx 2 linux-refused.out.status
check "in use: Windows refuses with exit status 2" grep -qx 2 windows-refused.out.status
check "in use: the same message" same_file <(refusal linux-refused.out) <(refusal windows-refused.out)
echo "--- refusal on Windows:"; tr -d '\r' <windows-refused.out

if ((failures > 0)); then
  echo "$failures end-to-end check(s) failed; files in $work"
  exit 1
fi
echo "All end-to-end checks passed."
