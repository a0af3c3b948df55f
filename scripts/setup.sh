#!/usr/bin/env bash
# Installs what the build needs on Debian 12 (with sudo when not root), then configures and
# builds into build/. Sourced by demo.sh and test.sh; safe to run again. The package checks
# (lintian, desktop-file-validate, appstreamcli, help2man, man, bash-completion) come with it.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
          qt6-qpa-plugins fonts-dejavu-core socat python3-xlrd qt6-translations-l10n dpkg-dev
          clang libfuzzer-14-dev lintian desktop-file-utils appstream help2man bash-completion man-db
          libqt6sql6-sqlite libqt6sql6-psql postgresql)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
[ "${1:-}" = "--packages-only" ] && exit 0

build="${RX_BUILD_DIR:-$root/build}"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
launcher=()
# ccache speeds up rebuilds on a workstation; CI builds from scratch without it.
if [ "${CI:-}" != "true" ] && command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRX_WERROR="$werror" "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
