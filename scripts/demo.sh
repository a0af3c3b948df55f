#!/usr/bin/env bash
# Builds everything and starts the program on its embedded simulated selector.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${RX_BUILD_DIR:-$root/build}"
if [ -x "$build/tools/rxconfig/rxconfig" ]; then
    exec "$build/tools/rxconfig/rxconfig" --demo --data-dir "$root/data" "$@"
fi
# Without the desktop program, the command-line tool shows the simulated selector.
exec "$build/tools/rxconfig-cli/rxconfig-cli" --demo --data-dir "$root/data" identify "$@"
