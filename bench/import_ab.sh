#!/usr/bin/env bash
# Times `chpimport import` of two builds side by side, on the generated 120-second ISD25120
# project of compare.sh (60 messages of 2 s), in both modes: A B A B ..., RUNS times each
# (default 9), each build on its own copy of the project in a folder on the disk, after one
# import that leaves the files every later import replaces. Prints the median and the
# quartiles of the wall time, and the load before and after.
#   bench/import_ab.sh BUILD_A BUILD_B [RUNS] [FOLDER]
# FOLDER (default: a new one under TMPDIR or /tmp) must be on the file system to measure:
# the imports there write, sync and rename 120 files each.
set -euo pipefail
a=$(cd "${1:?usage: import_ab.sh BUILD_A BUILD_B [RUNS] [FOLDER]}" && pwd)
b=$(cd "${2:?usage: import_ab.sh BUILD_A BUILD_B [RUNS] [FOLDER]}" && pwd)
runs=${3:-9}
work=$(mktemp -d "${4:-${TMPDIR:-/tmp}}/import-ab.XXXXXX")
trap 'rm -rf "$work"' EXIT

for side in a b; do
    "$a/tests/fixturegen" project "$work/$side" --chip 8 --messages 60 --seconds 2
done
echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores; files on" \
    "$(df --output=source,fstype "$work" | tail -1)"
echo "A: $a"
echo "B: $b"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# once SIDE BUILD ARGS...: one import; appends its wall time in microseconds to $work/SIDE-ARGS.
once() {
    local side=$1 build=$2
    shift 2
    local start end
    start=$(date +%s%N)
    (cd "$work/$side" && "$build/chpimport" import PROJECT.CHP "$@" >/dev/null)
    end=$(date +%s%N)
    echo $(((end - start) / 1000)) >>"$work/$side$*.times"
}

# stats FILE: median and quartiles in milliseconds.
stats() {
    sort -n "$1" | awk '{ t[NR] = $1 }
        END { printf "median %7.1f ms  (quartiles %.1f to %.1f)", t[int((NR + 1) / 2)] / 1e3,
              t[int((NR + 3) / 4)] / 1e3, t[int((3 * NR + 3) / 4)] / 1e3 }'
}

for mode in "" --zuvan; do
    once a "$a" $mode
    once b "$b" $mode
    rm -f "$work"/*.times
    for _ in $(seq "$runs"); do
        once a "$a" $mode
        once b "$b" $mode
    done
    label="11111 Hz"
    [ -n "$mode" ] && label="11025 Hz"
    echo "import 60 x 2 s, $label  A: $(stats "$work/a$mode.times")"
    echo "                          B: $(stats "$work/b$mode.times")"
done
same=yes
for n in 00001 00030 00060; do cmp -s "$work/a/MSG$n.wav" "$work/b/MSG$n.wav" || same=NO; done
echo "same WAV files from both: $same"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
