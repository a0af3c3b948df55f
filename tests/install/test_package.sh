#!/usr/bin/env bash
# Usage: test_package.sh CHECK BUILD_DIR ROOT [CMAKE]
#   build: makes the .deb in BUILD_DIR and unpacks it into ROOT (ROOT.deb is the package);
#   lintian, desktop, appstream, manpages, completion: one check of the unpacked package.
# Exits 77 (skipped) when the tool a check needs is not installed.
set -euo pipefail
check=$1 build=$2 root=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
# A build without the desktop program has no desktop entry and no page for it.
gui() { [ -x "$root/usr/bin/rxconfig" ] || { echo "SKIP: no desktop program in this build"; exit 77; }; }
need() { command -v "$1" >/dev/null 2>&1 || { echo "SKIP: $1 is not installed (scripts/setup.sh installs it)"; exit 77; }; }

case $check in
build)
    cmake=$4
    need dpkg-deb
    rm -f "$build"/rxconfig_*.deb
    "$cmake" --build "$build" --target package >"$build/package.log" 2>&1 || { cat "$build/package.log"; fail "package"; }
    deb=$(ls "$build"/rxconfig_*.deb)
    rm -rf "$root"
    dpkg-deb -x "$deb" "$root"
    cp "$deb" "$root.deb"
    echo "built $deb"
    ;;
lintian)
    need lintian
    # Informational tags are printed but do not fail; errors and warnings do.
    lintian --info --display-info --fail-on error,warning "$root.deb" || fail "lintian on $root.deb"
    ;;
desktop)
    need desktop-file-validate
    gui
    out=$(desktop-file-validate "$root/usr/share/applications/rxconfig.desktop" 2>&1) || true
    [ -z "$out" ] || fail "desktop-file-validate: $out"
    ;;
appstream)
    need appstreamcli
    gui
    # The tree check also follows the metainfo's launchable to the installed desktop file.
    appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"
    ;;
manpages)
    need man
    pages="rxconfig-cli rxsim"
    [ -x "$root/usr/bin/rxconfig" ] && pages+=" rxconfig"
    for page in $pages; do
        file="$root/usr/share/man/man1/$page.1.gz"
        [ -f "$file" ] || fail "$page(1) is not in the package (the build makes the pages with help2man)"
        gzip -t "$file" || fail "$file"
        text=$(MANWIDTH=80 man --warnings -l "$file" 2>"$root.man-warnings") || fail "man -l $file"
        [ ! -s "$root.man-warnings" ] || fail "$page(1) renders with warnings: $(cat "$root.man-warnings")"
        # The options come from the program's help, the exit statuses from the hand-written part.
        grep -q -- ' --[a-z]' <<<"$text" || fail "$page(1) lists no options"
        grep -q 'EXIT STATUS' <<<"$text" || fail "$page(1) has no exit statuses"
    done
    grep -q 'burst NAME COUNT MS' <(MANWIDTH=80 man -l "$root/usr/share/man/man1/rxsim.1.gz") ||
        fail "rxsim(1) lacks the control commands"
    ;;
completion)
    script=/usr/share/bash-completion/bash_completion
    [ -f "$script" ] || { echo "SKIP: bash-completion is not installed"; exit 77; }
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/home" "$work/dir"
    touch "$work/dir/cfg.xml" "$work/dir/notes.txt" "$work/dir/RX30.u19" "$work/dir/counters.xls"
    # A program directory of one's own: its template names the sections.
    mkdir -p "$work/data"
    printf '<MachineData>\n<Group caption="Own section">\n<Group caption="Inner">\n</Group>\n</Group>\n</MachineData>\n' \
        >"$work/data/template.xml"
    # Each case: the words typed (the last one is completed) | the completions expected, sorted.
    cases=(
        "rxconfig-cli dow|download"
        "rxconfig-cli --demo s|send show station stats"
        "rxconfig-cli --po|--port"
        "rxconfig-cli --demo download cfg.xml --sec|--sections"
        "rxconfig-cli download cfg.xml --sections Co|Coin\\ channels Configuration"
        "rxconfig-cli upload -o x.xml --sections Statistics,op|Statistics,Operating\\ modes"
        "rxconfig-cli --data-dir ../data upload --sections |Own\\ section all"
        "rxconfig-cli teach --channel 3 --tolerance |high low middle"
        "rxconfig-cli teach --dir |none"
        "rxconfig-cli show |cfg.xml"
        "rxconfig-cli --yes upgrade |RX30.u19"
        "rxconfig-cli stats --xls |counters.xls"
        "rxconfig-cli --log |RX30.u19 cfg.xml counters.xls notes.txt"
        "rxconfig-cli --address |"
    )
    export HOME="$work/home" XDG_DATA_HOME="$work/home/share"
    export PATH="$root/usr/bin:$PATH" LC_ALL=C
    for c in "${cases[@]}"; do
        line=${c%%|*} want=${c#*|}
        read -ra words <<<"$line"
        [[ $line == *" " ]] && words+=("")
        got=$(cd "$work/dir" && bash --norc --noprofile -c '
            source "$1"; source "$2"; shift 2
            COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
            _rxconfig_cli 2>/dev/null
            printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' \
            _ "$script" "$root/usr/share/bash-completion/completions/rxconfig-cli" "${words[@]}")
        got=${got% }
        [ "$got" = "$want" ] || fail "completing '$line': got '$got', expected '$want'"
    done
    echo "${#cases[@]} completions as expected"
    ;;
*) fail "unknown check $check" ;;
esac
