#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${RX_BUILD_DIR:-$root/build}"
# One test at a time: several suites measure time-outs on the 10 ms poll grid.
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure "$@"
