#!/usr/bin/env bash
# The media bus's costs, on a session bus of this script's own:
#  1. the cost of connecting and registering, timed alone in fresh processes,
#     and start to first paint with the bus service on and off (bench/startup.sh
#     each way, in alternating rounds so that drift of the machine hits both);
#  2. the player's CPU while it plays, alone and with a client asking for
#     Position ten times a second (as a desktop widget's progress bar does).
#   bench/mpris.sh [ROUNDS]    (default 3 rounds of 11 starts each way)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${VIMBO_MPRIS_BENCH_BUS:-}" ]; then
    exec env VIMBO_MPRIS_BENCH_BUS=1 dbus-run-session -- "$0" "$@" 2>/dev/null
fi
rounds=${1:-3}

echo "== what the service adds to a start"
build/bench/mpris_bench 31
echo "== start to first paint"
for r in $(seq "$rounds"); do
    for mode in 0 1; do
        printf 'bus service %-3s ' "$([ $mode = 1 ] && echo on || echo off)"
        VIMBO_MPRIS=$mode bench/startup.sh 11 | sed 's/; first run.*//'
    done
done

echo "== CPU while playing (60 s MP3, SDL dummy output)"
work=$(mktemp -d)
trap 'kill $player $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=$display QT_QPA_PLATFORM=xcb VIMBO_NP_PORT=0 SDL_AUDIODRIVER=dummy
export VIMBO_CONFIG_DIR=$work/config VIMBO_DATA_DIR=$work/data VIMBO_PROGRAM_DIR=$work/program XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
build/tests/vimbo-storetool "$VIMBO_CONFIG_DIR/registry.db" set FirstRun2 no
sox -q -n -r 44100 -c 2 -b 16 -t wav - synth 60 sine 440 vol 0.3 | lame --quiet -b 192 - "$work/track.mp3"
build/src/vimbo "$work/track.mp3" &
player=$!
for _ in $(seq 100); do [ "$(playerctl -p vimbo status 2>/dev/null)" = Playing ] && break; sleep 0.1; done

ticks() { awk '{print $14 + $15}' "/proc/$player/stat"; }
hz=$(getconf CLK_TCK)
measure() { # seconds, label, [poll]
    local before after
    before=$(ticks)
    if [ "${3:-}" = poll ]; then
        local end=$((SECONDS + $1))
        while [ $SECONDS -lt $end ]; do
            busctl --user get-property org.mpris.MediaPlayer2.vimbo /org/mpris/MediaPlayer2 \
                org.mpris.MediaPlayer2.Player Position >/dev/null
            sleep 0.1
        done
    else
        sleep "$1"
    fi
    after=$(ticks)
    awk -v t=$((after - before)) -v hz="$hz" -v s="$1" -v l="$2" \
        'BEGIN {printf "%-34s %5.2f %% of one core (%d ticks in %d s)\n", l, 100 * t / hz / s, t, s}'
}
measure 15 "playing, no client"
measure 15 "playing, Position polled at 10/s" poll
measure 15 "playing, no client again"
