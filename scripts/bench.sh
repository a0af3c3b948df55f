#!/usr/bin/env bash
# Builds the benchmarks and prints one table of the figures the project tracks: each measured
# value beside its floor and their ratio. Benchmarks this script does not know yet are run too
# and their own output is printed under the table.
# Usage: scripts/bench.sh [RUNS]   (RX_BUILD_DIR chooses the build folder)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${RX_BUILD_DIR:-$root/build}"
runs="${1:-200}"
[ -d "$build" ] || "$root/scripts/setup.sh"
targets=(bench_transact bench_files_transfer bench_config_startup)
[ -d "$root/bench/station" ] && targets+=(bench_station)
[ -f "$root/tools/rxconfig/main.cpp" ] && targets+=(rxconfig)
cmake --build "$build" --target "${targets[@]}" >/dev/null
for d in "$build"/bench/*/; do
    # Any benchmark added later is built as well.
    for t in $(sed -n 's/^add_executable(\(bench_[A-Za-z0-9_]*\).*/\1/p' "$root/bench/$(basename "$d")/CMakeLists.txt" 2>/dev/null); do
        cmake --build "$build" --target "$t" >/dev/null 2>&1 || true
    done
done

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

printf '%-46s %14s %14s %8s\n' "figure" "measured" "floor" "ratio"
printf '%-46s %14s %14s %8s\n' "------" "--------" "-----" "-----"
row() { # name measured floor unit
    local ratio="-"
    if [ "$3" != "-" ]; then ratio="$(awk -v m="$2" -v f="$3" 'BEGIN { printf "%.3f", m / f }')"; fi
    printf '%-46s %11s %-2s %11s %-2s %8s\n' "$1" "$2" "$4" "$3" "$([ "$3" = "-" ] && echo "" || echo "$4")" "$ratio"
}

bench="$build/bench"
transact() { "$bench/link/bench_transact" "$runs" "$@" | sed -n 's/.*wall median \([0-9.]*\) ms.*floor \([0-9.]*\) ms.*/\1 \2/p'; }
read -r m f <<<"$(transact)"
row "Transact, simple poll (median)" "$m" "$f" ms
read -r m2 f2 <<<"$(transact --log)"
row "Transact, logged + decoded + log.txt" "$m2" "$f2" ms
row "  logging cost against plain Transact" "$m2" "$m" ms

if [ -x "$bench/files/bench_files_transfer" ]; then
    out="$("$bench/files/bench_files_transfer")"
    for op in upload download; do
        line="$(grep "^$op:" <<<"$out")"
        measured="$(sed -n 's/.*exchanges *\([0-9.]*\) ms.*/\1/p' <<<"$line")"
        poll="$(sed -n 's/.*poll floor *\([0-9.]*\) ms.*/\1/p' <<<"$line")"
        wire="$(sed -n 's/.*wire floor *\([0-9.]*\) ms.*/\1/p' <<<"$line")"
        row "${op^} against the poll floor" "$measured" "$poll" ms
        row "${op^} against the wire floor" "$measured" "$wire" ms
    done
fi

if [ -x "$bench/station/bench_station" ]; then
    # 8 stations on 8 paced rxsim ptys, 100 selectors in all, then one port alone.
    st="$("$bench/station/bench_station" 8 100 || true)"
    many="$(sed -n 's/.* ports [0-9]* selectors \([0-9]*\) \/h;.*/\1/p' <<<"$st")"
    one="$(sed -n 's/.*1 port [0-9]* selectors \([0-9]*\) \/h;.*/\1/p' <<<"$st")"
    wire="$(sed -n 's/.* = \([0-9]*\) \/h per port.*/\1/p' <<<"$st")"
    if [ -n "$many" ] && [ -n "$one" ] && [ -n "$wire" ]; then
        row "Station, 1 port, against the wire floor" "$one" "$wire" /h
        row "Station, 8 ports, against 8 wire floors" "$many" "$((8 * wire))" /h
        row "Station, 8 ports against 8x one port" "$many" "$((8 * one))" /h
    else
        printf 'bench_station: %s\n' "$st"
    fi
fi

startup="$("$bench/config/bench_config_startup" | sed -n 's/.*median \([0-9.]*\) ms.*/\1/p')"
row "Catalogue start-up (median)" "$startup" "-" ms

if [ -x "$build/tools/rxconfig/rxconfig" ]; then
    mkdir -p "$tmp/shots" "$tmp/home"
    run=("$build/tools/rxconfig/rxconfig" --demo --data-dir "$root/data" --screenshot "$tmp/shots")
    if [ -x /usr/bin/time ]; then
        HOME="$tmp/home" /usr/bin/time -f 'RSS %M' -o "$tmp/rss" "${run[@]}" 2>"$tmp/win" >/dev/null || true
        rss="$(sed -n 's/^RSS \([0-9]*\)/\1/p' "$tmp/rss")"
    else
        HOME="$tmp/home" "${run[@]}" 2>"$tmp/win" >/dev/null || true
        rss=""
    fi
    win="$(sed -n 's/^Start-up time (ms): *\([0-9]*\).*/\1/p' "$tmp/win")"
    row "Window start-up (demo)" "${win:--}" "-" ms
    [ -n "$rss" ] && row "Window resident memory" "$((rss / 1024))" "-" MiB
fi

others=""
for exe in "$bench"/*/bench_*; do
    case "$(basename "$exe")" in
    bench_transact | bench_files_transfer | bench_config_startup | bench_station) continue ;;
    esac
    [ -x "$exe" ] || continue
    others+="$(basename "$exe"): $("$exe" 2>&1 | tr '\n' ' ')"$'\n'
done
if [ -n "$others" ]; then
    printf '\nother benchmarks (coin programming, firmware transfer, ... as they exist):\n%s' "$others"
fi
