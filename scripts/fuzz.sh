#!/usr/bin/env bash
# Runs the libFuzzer targets of a clang build (see scripts/test.sh).
#   scripts/fuzz.sh --replay BUILD_DIR        replay each seed corpus once
#   scripts/fuzz.sh BUILD_DIR SECONDS [NAME]  fuzz each target (or NAME) for SECONDS,
#                                             new inputs go to fuzz/found/NAME
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [[ "${1:-}" == "--replay" ]]; then
  build="$2"
  for target in "$build"/fuzz/fuzz_*; do
    name="$(basename "$target")"; name="${name#fuzz_}"
    "$target" -runs=0 "$root/fuzz/corpus/$name" 2>&1 | tail -1
  done
  exit 0
fi
build="$1"; seconds="$2"; only="${3:-}"
for target in "$build"/fuzz/fuzz_*; do
  name="$(basename "$target")"; name="${name#fuzz_}"
  [[ -z "$only" || "$only" == "$name" ]] || continue
  mkdir -p "$root/fuzz/found/$name"
  echo "--- $name"
  "$target" -max_total_time="$seconds" -print_final_stats=1 \
    "$root/fuzz/found/$name" "$root/fuzz/corpus/$name" 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' || true
done
