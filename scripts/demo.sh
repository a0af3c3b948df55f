#!/usr/bin/env bash
# Builds everything and starts the program on its embedded simulated selector.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${RX_BUILD_DIR:-$root/build}"
# Without --data-dir the program works in a per-user folder seeded from data/, so a session
# (which writes the port and address back to rx30.ini) never changes the checkout.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display here: showing the simulated selector with the command-line tool instead." >&2
    echo "Run this script from a desktop session to get the window." >&2
    exec "$build/tools/rxconfig-cli/rxconfig-cli" --demo identify
fi
exec "$build/tools/rxconfig/rxconfig" --demo "$@"
