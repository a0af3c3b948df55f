#!/usr/bin/env bash
# Builds everything once more with clang under the address and undefined-behaviour sanitizers
# (plus the fuzz harnesses, which need the same instrumentation) into build-asan/, runs the
# test suite there, then runs each fuzz harness briefly from its seed corpus.
# Usage: scripts/sanitize.sh [FUZZ_SECONDS]   (default 30; 0 skips the fuzz smoke run)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${RX_ASAN_BUILD_DIR:-$root/build-asan}"
seconds="${1:-30}"
"$root/scripts/setup.sh" --packages-only

launcher=()
if [ "${CI:-}" != "true" ] && command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRX_SANITIZE=ON -DRX_FUZZ=ON -DRX_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

# Any finding fails the test that hit it.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
start=$(date +%s)
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure
echo "sanitized test suite: $(( $(date +%s) - start )) s"

if [ "$seconds" != "0" ]; then
    start=$(date +%s)
    RX_FUZZ_BUILD_DIR="$build" RX_FUZZ_CONFIGURED=1 "$root/scripts/fuzz.sh" "$seconds"
    echo "fuzz smoke run: $(( $(date +%s) - start )) s"
fi
