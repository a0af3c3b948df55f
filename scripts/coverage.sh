#!/usr/bin/env bash
# Builds everything with gcc --coverage into build-cov/, runs the whole test suite there and prints
# line and branch coverage of src/, ui/ and tools/, each top folder and each subsystem folder.
# Tests, benchmarks, fuzz harnesses and build folders are not counted.
# Usage: scripts/coverage.sh [--report-only]   (--report-only skips build and suite, reads the last run)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${RX_COV_BUILD_DIR:-$root/build-cov}"
"$root/scripts/setup.sh" --packages-only
if ! command -v gcovr >/dev/null 2>&1; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends gcovr
fi

if [ "${1:-}" != "--report-only" ]; then
    launcher=()
    if [ "${CI:-}" != "true" ] && command -v ccache >/dev/null 2>&1; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    CC=gcc CXX=g++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
        -DCMAKE_SHARED_LINKER_FLAGS="--coverage" "${launcher[@]}" >/dev/null
    cmake --build "$build" -j "$(nproc)"
    find "$build" -name '*.gcda' -delete
    start=$(date +%s)
    # A failing test still leaves its counts; the table is printed either way.
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure || echo "coverage: some tests failed"
    echo "coverage test suite: $(( $(date +%s) - start )) s"
fi

summary="$build/coverage-summary.json"
# Throw and unreachable branches are the compiler's, not the program's decisions.
gcovr --root "$root" --object-directory "$build" --filter "$root/src/" --filter "$root/ui/" \
    --filter "$root/tools/" --exclude-throw-branches --exclude-unreachable-branches \
    --gcov-ignore-parse-errors --json-summary "$summary" >/dev/null
python3 - "$summary" <<'PY'
import json, sys
from collections import OrderedDict
files = json.load(open(sys.argv[1]))["files"]
groups = OrderedDict()
def add(key, f):
    g = groups.setdefault(key, [0, 0, 0, 0])
    g[0] += f["line_covered"]; g[1] += f["line_total"]
    g[2] += f["branch_covered"]; g[3] += f["branch_total"]
for f in sorted(files, key=lambda f: f["filename"]):
    parts = f["filename"].split("/")
    add("all", f)
    add(parts[0] + "/", f)
    if len(parts) > 2:
        add("/".join(parts[:2]) + "/", f)
def pct(a, b):
    return "%6.1f" % (100.0 * a / b) if b else "     -"
keys = ["all"] + sorted(k for k in groups if k != "all" and k.count("/") == 1)
rows = []
for top in keys[1:]:
    rows.append(top)
    rows += sorted(k for k in groups if k.count("/") == 2 and k.startswith(top))
print("%-28s %8s %8s %8s %8s" % ("folder", "lines", "line %", "branches", "branch %"))
for k in ["all"] + rows:
    lc, lt, bc, bt = groups[k]
    name = k if k == "all" or k.count("/") == 1 else "  " + k
    print("%-28s %8d %8s %8d %8s" % (name, lt, pct(lc, lt), bt, pct(bc, bt)))
PY
