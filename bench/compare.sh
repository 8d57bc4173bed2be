#!/usr/bin/env bash
# Times whole processes side by side: each pair runs alternately (A B A B ...), 7 times each,
# and the median wall time, the median CPU time (user + system) and the peak memory
# (maximum resident set, of one more run) of each are shown, with the ratios of the medians
# (a run of the 2-s file is timed as 10 runs in a row, for the clock's millisecond).
#   - chpimport resample against sox (sox IN -r 11111 OUT, sox IN -r 11025 OUT) and against
#     sox without dither (sox -D, which does less work), in both modes, on three 22222 Hz mono
#     files: 120 s of speech and 2 s of speech (the demo project's voices, made by the build:
#     bench/make_speech.sh) and 120 s of full-scale noise (fixturegen);
#   - chpimport import of a generated 120-second ISD25120 project (60 messages of 2 s), in
#     both modes, with the fast converter against the reference converter, and without
#     against with --report (the report's page must stay under 2 MB);
#   - that import durable against the same import without syncs (no_sync.c preloaded);
#   - chpimport import of an archive of 20 such projects (made by the build: bench_archive)
#     with --jobs 1 against --jobs with every core (3 runs each).
# It also checks that the fast and the reference converter wrote the same files, and the
# archive's imports the same outputs.
#
# Usage: bench/compare.sh [BUILD_DIR]   (default build/release; needs chpimport, fixturegen,
#        the speech files (target bench_speech), sox and /usr/bin/time). Timings on a shared
#        machine are noisy: look at the load it prints, and run it again when it is quiet.
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
chpimport=$build/chpimport
fixturegen=$build/tests/fixturegen
runs=7
for tool in "$chpimport" "$fixturegen" sox /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "compare: $tool is missing" >&2; exit 1; }
done
if [ ! -f "$build/bench/speech-120s.wav" ] || [ ! -f "$build/bench/speech-2s.wav" ] ||
    [ ! -f "$build/bench/archive/P20/PROJECT.CHP" ]; then
    cmake --build "$build" --target bench_speech bench_archive >/dev/null
fi
[ -f "$build/bench/libno_sync.so" ] || cmake --build "$build" --target no_sync >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$build/bench/speech-120s.wav" "$work/speech120.wav"
cp "$build/bench/speech-2s.wav" "$work/speech2.wav"
"$fixturegen" wav "$work/noise120.wav" 16 --seconds 120
"$fixturegen" project "$work/fast" --chip 8 --messages 60 --seconds 2
"$fixturegen" project "$work/reference" --chip 8 --messages 60 --seconds 2
"$fixturegen" project "$work/report" --chip 8 --messages 60 --seconds 2

echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores;" \
    "$("$chpimport" --version | tr '\n' ' ')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# run NAME DIR COMMAND...: one timed run; appends "wall-s cpu-s" to $work/NAME (bash's own
# timing of the command alone, to the millisecond; cpu: user + system). With repeat > 1 the
# command runs that many times in a row and the time of one is the total's share: a process of
# a few milliseconds is then resolved to a tenth of one.
repeat=1
run() {
    local name=$1 dir=$2
    shift 2
    local TIMEFORMAT='%3R %3U %3S' timing
    cd "$dir"
    timing=$( { time for ((i = 0; i < repeat; ++i)); do
        "$@" >/dev/null 2>"$work/$name.err" || exit 1
    done; } 2>&1) ||
        { echo "compare: $name failed:" >&2; cat "$work/$name.err" >&2; exit 1; }
    cd - >/dev/null
    echo "$timing" | awk -v n="$repeat" '{ print $1 / n, ($2 + $3) / n }' >>"$work/$name"
}

# peak DIR COMMAND...: the peak memory (maximum resident set, KiB) of one more run.
peak() {
    local dir=$1
    shift
    (cd "$dir" && /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1)
    tail -1 "$work/peak"
}

# medians NAME PEAK-KiB: "wall-s cpu-s peak-MiB", the medians of the runs of NAME.
medians() {
    local mid=$(( (runs + 1) / 2 ))
    local wall cpu
    wall=$(cut -d' ' -f1 "$work/$1" | sort -g | sed -n "${mid}p")
    cpu=$(cut -d' ' -f2 "$work/$1" | sort -g | sed -n "${mid}p")
    echo "$wall $cpu $2" | awk '{ printf "%.4f %.4f %.1f", $1, $2, $3 / 1024 }'
}

# pair TITLE NAME-A DIR-A COMMAND-A -- NAME-B DIR-B COMMAND-B
cases=0
pair() {
    local title=$1 a=$2 adir=$3
    shift 3
    local acmd=() bcmd=()
    while [ "$1" != -- ]; do acmd+=("$1"); shift; done
    shift
    local b=$1 bdir=$2
    shift 2
    bcmd=("$@")
    cases=$((cases + 1))
    for _ in $(seq "$runs"); do
        run "$cases-$a" "$adir" "${acmd[@]}"
        run "$cases-$b" "$bdir" "${bcmd[@]}"
    done
    local ma mb
    read -r -a ma <<<"$(medians "$cases-$a" "$(peak "$adir" "${acmd[@]}")")"
    read -r -a mb <<<"$(medians "$cases-$b" "$(peak "$bdir" "${bcmd[@]}")")"
    printf '%-36s %-10s %8.4f s %8.4f s %7.1f MiB\n' "$title" "$a" "${ma[0]}" "${ma[1]}" "${ma[2]}"
    printf '%-36s %-10s %8.4f s %8.4f s %7.1f MiB   %s/%s: wall %.2f, cpu %.2f\n' \
        "" "$b" "${mb[0]}" "${mb[1]}" "${mb[2]}" "$a" "$b" \
        "$(echo "${ma[0]} ${mb[0]}" | awk '{ print $1 / $2 }')" \
        "$(echo "${ma[1]} ${mb[1]}" | awk '{ print ($2 > 0) ? $1 / $2 : 0 }')"
}

printf '%-36s %-10s %10s %10s %11s\n' "case (medians of $runs, A B A B)" "process" "wall" "cpu" \
    "peak memory"
echo "(the 2-s file: each timing is 10 runs in a row, the time of one shown)"
for input in speech120 noise120 speech2; do
    repeat=1
    [ "$input" = speech2 ] && repeat=10
    pair "resample $input to 11111 Hz" chpimport "$work" \
        "$chpimport" resample "$input.wav" "out-fast-11111-$input.wav" -- \
        sox "$work" sox "$input.wav" -r 11111 "out-sox-11111-$input.wav"
    pair "resample $input to 11025 Hz" chpimport "$work" \
        "$chpimport" resample --zuvan "$input.wav" "out-fast-11025-$input.wav" -- \
        sox "$work" sox "$input.wav" -r 11025 "out-sox-11025-$input.wav"
    for mode in 11111 11025; do
        zuvan=()
        [ "$mode" = 11025 ] && zuvan=(--zuvan)
        pair "resample $input to $mode Hz" chpimport "$work" \
            "$chpimport" resample "${zuvan[@]}" "$input.wav" "out-fast-$mode-$input.wav" -- \
            "sox -D" "$work" sox -D "$input.wav" -r "$mode" "out-soxD-$mode-$input.wav"
    done
done
repeat=1
pair "import 60 x 2 s ISD25120, 11111 Hz" fast "$work/fast" \
    "$chpimport" import PROJECT.CHP -- \
    reference "$work/reference" "$chpimport" import PROJECT.CHP --reference-converter
for n in 00001 00030 00060; do
    cmp -s "$work/fast/MSG$n.wav" "$work/reference/MSG$n.wav" ||
        { echo "compare: MSG$n.wav differs between the converters (11111 Hz)" >&2; exit 1; }
done
pair "import 60 x 2 s ISD25120, 11025 Hz" fast "$work/fast" \
    "$chpimport" import PROJECT.CHP --zuvan -- \
    reference "$work/reference" "$chpimport" import PROJECT.CHP --zuvan --reference-converter
for n in 00001 00030 00060; do
    cmp -s "$work/fast/MSG$n.wav" "$work/reference/MSG$n.wav" ||
        { echo "compare: MSG$n.wav differs between the converters (11025 Hz)" >&2; exit 1; }
done
pair "import 60 x 2 s ISD25120, 11111 Hz" plain-import "$work/fast" \
    "$chpimport" import PROJECT.CHP -- \
    report-import "$work/report" "$chpimport" import PROJECT.CHP --report
cp -r "$work/fast" "$work/no-sync"
for mode in 11111 11025; do
    zuvan=()
    [ "$mode" = 11025 ] && zuvan=(--zuvan)
    pair "import 60 x 2 s ISD25120, $mode Hz" durable "$work/fast" \
        "$chpimport" import PROJECT.CHP "${zuvan[@]}" -- \
        no-syncs "$work/no-sync" env LD_PRELOAD="$build/bench/libno_sync.so" "$chpimport" import PROJECT.CHP "${zuvan[@]}"
done
page=$(stat -c %s "$work/report/PROJECT.html")
echo "report page: $page bytes"
[ "$page" -lt 2000000 ] || { echo "compare: the report page is 2 MB or more" >&2; exit 1; }
for input in speech120 noise120; do
    for mode in 11111 11025; do
        zuvan=()
        [ "$mode" = 11025 ] && zuvan=(--zuvan)
        "$chpimport" resample --reference-converter "${zuvan[@]}" "$work/$input.wav" \
            "$work/out-ref.wav" >/dev/null
        cmp -s "$work/out-fast-$mode-$input.wav" "$work/out-ref.wav" ||
            { echo "compare: $input at $mode Hz differs between the converters" >&2; exit 1; }
    done
done
echo "same bytes from both converters: yes"

# The archive, on one core and on all of them; then once more each, into folders compared.
cores=$(nproc)
mkdir -p "$work/archive-runs"
runs=3
pair "import archive 20 x 60 x 2 s, 11111 Hz" jobs-1 "$work/archive-runs" \
    "$chpimport" import -r "$build/bench/archive" -o out --jobs 1 -- \
    "jobs-$cores" "$work/archive-runs" "$chpimport" import -r "$build/bench/archive" -o out --jobs "$cores"
(cd "$work/archive-runs" && "$chpimport" import -r "$build/bench/archive" -o out --jobs 1 >/dev/null &&
    mv out out-1 && "$chpimport" import -r "$build/bench/archive" -o out --jobs "$cores" >/dev/null)
diff -r -q "$work/archive-runs/out-1" "$work/archive-runs/out" >/dev/null ||
    { echo "compare: the archive's outputs differ between --jobs 1 and --jobs $cores" >&2; exit 1; }
echo "same archive outputs with --jobs 1 and --jobs $cores: yes"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
