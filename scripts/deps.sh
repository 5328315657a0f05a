#!/usr/bin/env bash
# Installs the Debian 12 packages Vimbo needs to build and run, when any is
# missing; with --tests also what only the tests use (a headless browser).
# dpkg-dev makes the .deb (dpkg-shlibdeps), appstream checks its metainfo.
# Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    clang libclang-rt-14-dev
    qt6-base-dev qt6-qpa-plugins libgl-dev
    libsqlite3-dev sqlite3
    libmpg123-dev libsndfile1-dev libsdl2-dev libcdio-dev libcdio-paranoia-dev
    libjpeg62-turbo-dev
    libgtest-dev libbenchmark-dev
    xvfb xauth fonts-dejavu-core
    sox lame mpg123
    xdg-utils shared-mime-info desktop-file-utils trayer x11-utils dbus-daemon
    playerctl systemd xdotool
    dpkg-dev appstream
)
if [ "${1:-}" = "--tests" ]; then
    packages+=(chromium)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
