#!/usr/bin/env bash
# Runs fuzz targets of a fuzz build one after the other, each for a fixed time, on the seed
# corpus (written afresh by fuzz_seeds) and the corpus that earlier runs grew, and prints a
# line of figures per target. Exit status 1 when a target found something: its input is in
# BUILD/fuzz/findings/TARGET/, ready to become a regression test.
#   tests/fuzz/run.sh [-b BUILD] [-d] [-n RUNS] SECONDS [TARGET...]     (BUILD: build/fuzz)
#   -d: the targets' files on the disk instead of in memory
#   -n: each target stops after RUNS executions if that comes before SECONDS
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$here/../../build/fuzz"
disk=0
runs=-1
while [ $# -gt 0 ]; do
    case "$1" in
    -b) build="$2"; shift 2 ;;
    -d) disk=1; shift ;;
    -n) runs="$2"; shift 2 ;;
    *) break ;;
    esac
done
seconds="${1:?usage: run.sh [-b BUILD] [-d] [-n RUNS] SECONDS [TARGET...]}"
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(chp voc converter wavepost profile import)
build="$(cd "$build" && pwd)"
bin="$build/tests/fuzz"
state="$build/fuzz"
log="$state/runs.log"

# The longest input of each target: room for a header and a few blocks, entries or chunks.
max_len() {
    case "$1" in
    chp) echo 512 ;;
    converter) echo 2048 ;;
    import) echo 8192 ;;
    *) echo 4096 ;;
    esac
}
dict() {
    case "$1" in
    converter | wavepost) echo riff ;;
    *) echo "$1" ;;
    esac
}

# The targets keep their files in a file system in memory. With -d they use real files, in a
# private folder (in /dev/shm where there is one): many times slower, for comparison.
if [ "$disk" = 1 ]; then
    scratch_base=/dev/shm
    [ -d "$scratch_base" ] || scratch_base="${TMPDIR:-/tmp}"
    export CHPIMPORT_FUZZ_DIR
    CHPIMPORT_FUZZ_DIR="$(mktemp -d "$scratch_base/chpimport-fuzz-run.XXXXXX")"
    trap 'rm -rf "$CHPIMPORT_FUZZ_DIR"' EXIT
else
    unset CHPIMPORT_FUZZ_DIR
fi
export UBSAN_OPTIONS=print_stacktrace=1
# AddressSanitizer holds freed memory back (256 MB by default) so that a late use of it is
# caught, and records 30 frames of every allocation for its reports: most of the time of an
# execution went there. 16 MB still spans many executions, whose allocations are small, so
# every use after free within one is caught; 5 frames name the code, and a finding replayed
# by the tests (asan preset) shows the whole stack.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16:malloc_context_size=5}"

mkdir -p "$state"
rm -rf "$state/seeds"
"$bin/fuzz_seeds" "$state/seeds"

found=0
printf '%-10s %8s %12s %8s %6s %6s %7s  %s\n' target seconds executions exec/s cov ft corpus result
for t in "${targets[@]}"; do
    mkdir -p "$state/corpus/$t" "$state/findings/$t"
    out="$state/last-$t.txt"
    status=0
    started=$SECONDS
    "$bin/fuzz_$t" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$(max_len "$t")" -dict="$here/dict/$(dict "$t").dict" -print_final_stats=1 \
        -artifact_prefix="$state/findings/$t/" "$state/corpus/$t" "$state/seeds/$t" \
        >"$out" 2>&1 || status=$?
    elapsed=$((SECONDS - started))
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out" | tail -1)
    last=$(grep -E '^#[0-9]+.* cov: ' "$out" | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corpus=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
    result=ok
    if [ "$status" -ne 0 ]; then
        result="FOUND (exit $status, see $out)"
        found=1
        grep -E 'ERROR|rule broken|SUMMARY|Test unit written' "$out" | head -5 | sed 's/^/    /' >&2 || true
    fi
    line=$(printf '%-10s %8s %12s %8s %6s %6s %7s  %s' "$t" "$elapsed" "${execs:-0}" \
        "${rate:-0}" "${cov:-?}" "${ft:-?}" "${corpus:-?}" "$result")
    echo "$line"
    [ "$disk" = 1 ] && line="$line (disk)"
    echo "$(date -u +%Y-%m-%dT%H:%M:%SZ) $line" >>"$log"
done
exit "$found"
