#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, -DRX_FUZZ=ON) into build-fuzz/ and runs each for
# SECONDS (default 30) from a working copy of its seed corpus, two at a time.
# Usage: scripts/fuzz.sh [SECONDS] [HARNESS...]   (harness names without "fuzz_")
# A crash or a broken property leaves its input in build-fuzz/fuzz-work/NAME/artifacts/.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${RX_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-30}"
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=(config_open inifile srecord sim_frames sim_control sim_state link_replies)

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# scripts/sanitize.sh hands over a build it configured itself.
if [ -z "${RX_FUZZ_CONFIGURED:-}" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRX_FUZZ=ON \
        -DRX_BUILD_GUI=OFF "${launcher[@]}" >/dev/null
fi
cmake --build "$build" --target fuzzers -j "$(nproc)"

run() {
    local name="$1" work="$build/fuzz-work/$1"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp -n "$root/fuzz/corpus/$name/"* "$work/corpus/" 2>/dev/null || true
    "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log.txt" 2>&1
    local status=$?
    local runs
    runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log.txt" | grep -o '[0-9]*$' || true)"
    echo "fuzz_$name: status $status, ${runs:-?} runs, $(grep -o 'cov: [0-9]* ft: [0-9]*' "$work/log.txt" | tail -n 1)"
    return $status
}

failed=0
for ((i = 0; i < ${#harnesses[@]}; i += 2)); do
    pids=()
    for name in "${harnesses[@]:i:2}"; do
        run "$name" &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do
        wait "$pid" || failed=1
    done
done
exit $failed
