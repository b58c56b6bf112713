#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (missing packages), builds the program and
# starts it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
"$root/scripts/setup.sh"
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
# Without arguments the program starts in demo mode, with a simulated KLV40 on
# COM1; any arguments go to the program instead (for example a .klv file, or
# "--demo KLV30E"). For a real regulator start build/src/klv-loader itself.
if (($# == 0)); then set -- --demo; fi
exec "$root/build/src/klv-loader" "$@"
