#!/usr/bin/env bash
# Time from process start to the main window's first paint, under Xvfb, with
# an empty store (only "FirstRun2" set, so no first-run dialog waits for a
# click) and the embedded files already written by an earlier run.
#   bench/startup.sh [RUNS]      (default 15; needs a built tree in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
player=build/src/vimbo
storetool=build/tests/vimbo-storetool
[ -x "$player" ] && [ -x "$storetool" ] || { echo "build first: scripts/test.sh or cmake --build build" >&2; exit 1; }

work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1

export DISPLAY=$display QT_QPA_PLATFORM=xcb VIMBO_NP_PORT=0
export VIMBO_DATA_DIR=$work/data VIMBO_PROGRAM_DIR=$work/program XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

times=()
for i in $(seq 0 "$runs"); do
    export VIMBO_CONFIG_DIR=$work/config$i VIMBO_BENCH_SHOWN_FILE=$work/shown$i
    "$storetool" "$VIMBO_CONFIG_DIR/registry.db" set FirstRun2 no
    export VIMBO_BENCH_T0_NS=$(date +%s%N)
    timeout 30 "$player"
    # Run 0 writes the library and fonts; it is reported apart.
    if [ "$i" -eq 0 ]; then first=$(cat "$work/shown0"); else times+=("$(cat "$work/shown$i")"); fi
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}')
echo "start to first paint: median ${median} ms over ${runs} runs (min $(printf '%s\n' "${times[@]}" | sort -n | head -1), max $(printf '%s\n' "${times[@]}" | sort -n | tail -1)); first run writing the embedded files: ${first} ms"
