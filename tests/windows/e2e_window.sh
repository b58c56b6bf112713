#!/usr/bin/env bash
# End-to-end test of the window program under Wine: the real windows (in the
# window test program klvwin32_tests.exe) over real COM ports that Wine's
# Ports key maps to klv-sim's pseudo-terminals. Read from KLV must show what
# the Linux klv-loader-cli reads from the same simulator and save the same
# file byte for byte; Write with Verify against a simulator that keeps one
# register must name it; Tools > Record data must show the simulator's
# control input live and record rows of it.
#
#   tests/windows/e2e_window.sh LINUX_BUILD WINDOWS_BUILD
#
# LINUX_BUILD holds tools/klv-sim/klv-sim and tools/klv-loader-cli/klv-loader-cli,
# WINDOWS_BUILD tests/klvwin32_tests.exe and its Wine prefix; the work files
# go to WINDOWS_BUILD/e2e-window.
set -uo pipefail
linux_build="$(cd "$1" && pwd)"
windows_build="$(cd "$2" && pwd)"
sim="$linux_build/tools/klv-sim/klv-sim"
linux_cli="$linux_build/tools/klv-loader-cli/klv-loader-cli"
tests_exe="$windows_build/tests/klvwin32_tests.exe"
work="$windows_build/e2e-window"
kept=012C

export WINEPREFIX="$windows_build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset DISPLAY

sim_pids=()
sim_ports=()
cleanup() {
  for pid in "${sim_pids[@]}"; do kill "$pid" 2>/dev/null; done
  timeout 30 wineserver -k 2>/dev/null
  true
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work/linux-data/klv-loader/ports"
export XDG_DATA_HOME="$work/linux-data"

# start_sim NAME ARGS...: a klv-sim on a new pseudo-terminal, its path in
# $sim_port; it serves until its standard input (a FIFO held here) closes.
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

# One regulator with values of its own, one that keeps a register.
start_sim taking --model klv30 --set 012C=15 --input 523
taking="$sim_port"
start_sim keeping --model klv30 --stuck "$kept"
keeping="$sim_port"
echo "klv-sim taking on $taking, keeping $kept on $keeping"

ln -s "$taking" "$XDG_DATA_HOME/klv-loader/ports/COM5"
ln -s "$keeping" "$XDG_DATA_HOME/klv-loader/ports/COM6"
for port in 5 6; do
  "$linux_cli" read --port "COM$port" --output "$work/linux-com$port.klv" >"$work/linux-read.out" 2>&1 ||
    { echo "FAIL  the Linux tool could not read COM$port: $(cat "$work/linux-read.out")"; exit 1; }
done

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  timeout 300 wine wineboot -i >/dev/null 2>&1 || { echo "FAIL  wineboot"; exit 1; }
  timeout 60 wineserver -w
fi
timeout 120 wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /t REG_SZ /d "$taking" /f >/dev/null 2>&1
timeout 120 wine reg add 'HKLM\Software\Wine\Ports' /v COM6 /t REG_SZ /d "$keeping" /f >/dev/null 2>&1
timeout 60 wineserver -w

export KLV_E2E_PORT=5 KLV_E2E_KEEPING_PORT=6 KLV_E2E_KEPT="$kept" KLV_E2E_INPUT=523
# Wine's drive Z: is the root. (Not winepath: a Wine started without the
# display would leave the next one unable to make windows.)
windows_work="Z:${work//\//\\}"
export KLV_E2E_WORK="$windows_work" KLV_E2E_EXPECTED="$windows_work\\linux-com5.klv"
export KLV_E2E_KEEPING_FILE="$windows_work\\linux-com6.klv"
failures=0
for case in ReadShowsTheValuesAndSavesTheSameFile WriteWithVerifyShowsTheKeptRegister \
    MonitorShowsTheLiveValuesAndRecordsTheirRows; do
  # A pseudo-terminal cannot hold 7 data bits or parity; clearing IGNBRK
  # (which Wine sets) before each Wine run gives the line setup a change
  # that takes (as e2e.sh does). Hence one case, one port open, per run.
  for port in "${sim_ports[@]}"; do stty -F "$port" -ignbrk 2>/dev/null; done
  xvfb-run -a -s "-screen 0 1280x1024x24" timeout 300 wine "$tests_exe" \
    --gtest_filter="Cases/WindowEndToEndTest.*/$case" 2>&1 | tr -d '\r' >"$work/$case.out"
  status=${PIPESTATUS[0]}
  # A case that skipped did not see the ports.
  if ((status == 0)) && grep -q '^\[  PASSED  \] 1 test' "$work/$case.out" && ! grep -q SKIPPED "$work/$case.out"; then
    echo "PASS  $case"
  else
    echo "FAIL  $case (status $status):"; cat "$work/$case.out"
    failures=$((failures + 1))
  fi
done
if ((failures > 0)); then
  echo "$failures window end-to-end case(s) failed; files in $work"
  exit 1
fi
echo "All window end-to-end checks passed."
