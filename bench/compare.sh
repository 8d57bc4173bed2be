#!/usr/bin/env bash
# Times whole processes side by side: each pair runs alternately (A B A B ...), 5 times each,
# and the median wall time and the peak memory (maximum resident set) of each are shown.
#   - chpimport resample of a 120-second 22222 Hz mono file against sox, in both modes
#     (sox IN -r 11111 OUT, sox IN -r 11025 OUT);
#   - chpimport import of a generated 120-second ISD25120 project (60 messages of 2 s), in
#     both modes, with the fast converter against the reference converter, and without
#     against with --report (the report's page must stay under 2 MB).
# It also checks that the fast and the reference converter wrote the same files.
#
# Usage: bench/compare.sh [BUILD_DIR]   (default build/release; needs chpimport, fixturegen,
#        sox and /usr/bin/time). Timings on a shared machine are noisy: look at the load it
#        prints, and run it again when the machine is quiet.
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
chpimport=$build/chpimport
fixturegen=$build/tests/fixturegen
runs=5
for tool in "$chpimport" "$fixturegen" sox /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "compare: $tool is missing" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$fixturegen" wav "$work/in120.wav" 16 --seconds 120
"$fixturegen" project "$work/fast" --chip 8 --messages 60 --seconds 2
"$fixturegen" project "$work/reference" --chip 8 --messages 60 --seconds 2
"$fixturegen" project "$work/report" --chip 8 --messages 60 --seconds 2

echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# run NAME DIR COMMAND...: one timed run; appends "seconds peak-KiB" to $work/NAME.
run() {
    local name=$1 dir=$2
    shift 2
    local start end
    start=$(date +%s%N)
    (cd "$dir" && /usr/bin/time -f %M -o "$work/$name.mem" "$@" >/dev/null 2>"$work/$name.err") ||
        { echo "compare: $name failed:" >&2; cat "$work/$name.err" >&2; exit 1; }
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 )) $(tail -1 "$work/$name.mem")" >>"$work/$name"
}

# median NAME: "median-seconds peak-MiB" over the runs of NAME.
median() {
    sort -n "$work/$1" | awk -v n="$runs" '
        { t[NR] = $1; if ($2 > m) m = $2 }
        END { printf "%.3f s  %5.1f MiB", t[int((n + 1) / 2)] / 1e6, m / 1024 }'
}

# pair TITLE NAME-A DIR-A COMMAND-A -- NAME-B DIR-B COMMAND-B
pair() {
    local title=$1 a=$2 adir=$3
    shift 3
    local acmd=() bcmd=()
    while [ "$1" != -- ]; do acmd+=("$1"); shift; done
    shift
    local b=$1 bdir=$2
    shift 2
    bcmd=("$@")
    for _ in $(seq "$runs"); do
        run "$a" "$adir" "${acmd[@]}"
        run "$b" "$bdir" "${bcmd[@]}"
    done
    printf '%-34s %-22s %s\n' "$title" "$a" "$(median "$a")"
    printf '%-34s %-22s %s\n' "" "$b" "$(median "$b")"
}

printf '%-34s %-22s %s\n' "case (median of $runs, A B A B)" "process" "wall     peak memory"
pair "resample 120 s to 11111 Hz" chpimport-11111 "$work" \
    "$chpimport" resample in120.wav out-fast-11111.wav -- \
    sox-11111 "$work" sox in120.wav -r 11111 out-sox-11111.wav
pair "resample 120 s to 11025 Hz" chpimport-11025 "$work" \
    "$chpimport" resample --zuvan in120.wav out-fast-11025.wav -- \
    sox-11025 "$work" sox in120.wav -r 11025 out-sox-11025.wav
pair "import 60 x 2 s ISD25120, 11111 Hz" fast-11111 "$work/fast" \
    "$chpimport" import PROJECT.CHP -- \
    reference-11111 "$work/reference" "$chpimport" import PROJECT.CHP --reference-converter
for n in 00001 00030 00060; do
    cmp -s "$work/fast/MSG$n.wav" "$work/reference/MSG$n.wav" ||
        { echo "compare: MSG$n.wav differs between the converters (11111 Hz)" >&2; exit 1; }
done
pair "import 60 x 2 s ISD25120, 11025 Hz" fast-11025 "$work/fast" \
    "$chpimport" import PROJECT.CHP --zuvan -- \
    reference-11025 "$work/reference" "$chpimport" import PROJECT.CHP --zuvan --reference-converter
for n in 00001 00030 00060; do
    cmp -s "$work/fast/MSG$n.wav" "$work/reference/MSG$n.wav" ||
        { echo "compare: MSG$n.wav differs between the converters (11025 Hz)" >&2; exit 1; }
done
pair "import 60 x 2 s ISD25120, 11111 Hz" plain-import "$work/fast" \
    "$chpimport" import PROJECT.CHP -- \
    report-import "$work/report" "$chpimport" import PROJECT.CHP --report
page=$(stat -c %s "$work/report/PROJECT.html")
echo "report page: $page bytes"
[ "$page" -lt 2000000 ] || { echo "compare: the report page is 2 MB or more" >&2; exit 1; }
"$chpimport" resample --reference-converter "$work/in120.wav" "$work/out-ref-11111.wav" >/dev/null
cmp -s "$work/out-fast-11111.wav" "$work/out-ref-11111.wav" ||
    { echo "compare: resample output differs between the converters" >&2; exit 1; }
echo "same bytes from both converters: yes"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
