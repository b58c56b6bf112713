#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (missing packages), builds the program and
# starts it. Extra arguments go to the program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
"$root/scripts/setup.sh"
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
# Until the windows are built, the command-line front end shows the default
# parameter set of the model stored in the settings file.
exec "$root/build/tools/klv-loader-cli/klv-loader-cli" defaults "$@"
