#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each, one at a time, for
# SECONDS on a copy of its seed corpus in fuzz/corpus/. Prints one line per
# target and exits non-zero when any crashed, hung or ran out of memory; the
# input that did it and the target's log stay under build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: scripts/fuzz.sh SECONDS}
targets=(profile mask skinbitmap request lrc sly audio id3)

scripts/deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIMBO_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"

findings=$PWD/build-fuzz/findings
rm -rf "$findings"
mkdir -p "$findings"
# Readers that take a path get their input through a file; on a disk each
# atomic save waits for the disk, in memory it does not.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
for target in "${targets[@]}"; do
    corpus=$work/corpus-$target
    cp -r "fuzz/corpus/$target" "$corpus"
    mkdir -p "$work/tmp-$target" "$findings/$target"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$findings/$target/")
    [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
    log=$findings/$target.log
    status=0
    TMPDIR=$work/tmp-$target "build-fuzz/fuzz/fuzz-$target" "${options[@]}" "$corpus" >"$log" 2>&1 || status=$?

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
    reproducer=$(find "$findings/$target" -type f | head -1)
    if [ "$status" -eq 0 ] && [ -z "$reproducer" ]; then
        echo "target $target: ${runs:-0} runs, clean"
        continue
    fi
    failed=1
    case "$(basename "${reproducer:-none}")" in
        crash-*) what="crash" ;;
        timeout-*) what="hang" ;;
        oom-*) what="out of memory" ;;
        leak-*) what="leak" ;;
        slow-unit-*) what="slow input" ;;
        *) what="failure (exit $status)" ;;
    esac
    echo "target $target: $what after ${runs:-0} runs, reproducer ${reproducer:-none} (log $log)"
done
exit "$failed"
