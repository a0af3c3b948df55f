#!/bin/sh
# Usage: test_install.sh BUILD_DIR CMAKE. Fails (non-zero) at the first thing that is not as installed.
set -eu
build="$1"
cmake="$2"
tmp="$(mktemp -d)"
trap 'chmod -R u+w "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$tmp/prefix" >/dev/null
for f in bin/rxconfig-cli bin/rxsim share/rxconfig/rx30.ini share/rxconfig/io.ini share/rxconfig/template.xml \
         share/rxconfig/cctalk-headers.txt share/rxconfig/Production.ini; do
    [ -e "$tmp/prefix/$f" ] || fail "$f not installed"
done
if [ -e "$build/tools/rxconfig/rxconfig" ]; then
    for f in bin/rxconfig share/applications/rxconfig.desktop share/icons/hicolor/scalable/apps/rxconfig.svg; do
        [ -e "$tmp/prefix/$f" ] || fail "$f not installed"
    done
    grep -q '^Exec=rxconfig$' "$tmp/prefix/share/applications/rxconfig.desktop" || fail "desktop file"
    # The installed program answers from where it was installed.
    "$tmp/prefix/bin/rxconfig" --version | grep -q '1.203' || fail "rxconfig --version"
fi
# The shipped data has the usual mode of installed files; the user's copies are what gets edited.
perms="$(stat -c %a "$tmp/prefix/share/rxconfig/rx30.ini")"
[ "$perms" = "644" ] || fail "installed data mode $perms"

# A user with an empty home and a working folder without catalogues: the installed copies are seeded.
mkdir -p "$tmp/home" "$tmp/work"
cd "$tmp/work"
HOME="$tmp/home" XDG_DATA_HOME="$tmp/home/.local/share" \
    "$tmp/prefix/bin/rxconfig-cli" --demo --log "$tmp/exchanges.txt" identify >"$tmp/out.txt" 2>"$tmp/err.txt" \
    || { cat "$tmp/err.txt" >&2; fail "installed rxconfig-cli --demo identify"; }
grep -q 'RX' "$tmp/out.txt" || fail "identify printed nothing: $(cat "$tmp/out.txt")"
user="$tmp/home/.local/share/rxconfig"
for f in rx30.ini io.ini template.xml cctalk-headers.txt Production.ini; do
    [ -f "$user/$f" ] || fail "$f not seeded into the user's folder"
    [ -w "$user/$f" ] || fail "seeded $f not writable"
done
grep -q 'Request manufacturer id' "$tmp/exchanges.txt" || fail "exchange log not decoded"
echo "installed and ran from $tmp/prefix"
