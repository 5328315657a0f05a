#!/usr/bin/env bash
# Installs what is missing, builds Vimbo and starts it. Arguments are passed
# to the player (a file to open). Without a display, the player runs on a
# virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIMBO_BUILD_TESTS=OFF >/dev/null
cmake --build build --target vimbo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting Vimbo on a virtual X display."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" build/src/vimbo "$@"
fi
exec build/src/vimbo "$@"
