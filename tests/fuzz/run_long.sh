#!/usr/bin/env bash
# The long fuzz run: every target (or those named) for SECONDS each (default 3600), one at a
# time and at low priority, then the totals of every run logged so far in this build, as the
# README records them.
#   tests/fuzz/run_long.sh [-b BUILD] [-d] [-n TOTAL] [SECONDS] [TARGET...]
#   -d: files on the disk
#   -n: each target in rounds of SECONDS until the executions logged for it (in memory) reach
#       TOTAL (a finding ends its rounds); a run that was stopped picks up where the log left it
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$here/../../build/fuzz"
options=()
total=0
while [ $# -gt 0 ]; do
    case "$1" in
    -b) build="$2"; shift 2 ;;
    -d) options+=(-d); shift ;;
    -n) total="$2"; shift 2 ;;
    *) break ;;
    esac
done
seconds="${1:-3600}"
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(chp voc converter wavepost profile import)
log="$build/fuzz/runs.log"

logged() { # TARGET: its executions in memory so far
    [ -f "$log" ] || { echo 0; return; }
    awk -v t="$1" '$2 == t && !/\(disk\)/ { n += $4 } END { printf "%d\n", n }' "$log"
}

status=0
if [ "$total" -gt 0 ]; then
    for t in "${targets[@]}"; do
        while left=$((total - $(logged "$t"))) && [ "$left" -gt 0 ]; do
            # A finding ends the target's rounds: it needs a fix before the next.
            nice -n 10 "$here/run.sh" -b "$build" "${options[@]}" -n "$left" "$seconds" "$t" ||
                { status=1; break; }
        done
    done
else
    nice -n 10 "$here/run.sh" -b "$build" "${options[@]}" "$seconds" "${targets[@]}" || status=1
fi
echo
echo "All runs logged in $log:"
printf '%-10s %5s %9s %14s %6s %8s\n' target runs seconds executions cov findings
awk '!/\(disk\)/ { t = $2; runs[t]++; secs[t] += $3; execs[t] += $4; if ($6 > cov[t]) cov[t] = $6;
       if ($9 != "ok") found[t]++ }
     END { for (t in runs) printf "%-10s %5d %9d %14d %6d %8d\n", t, runs[t], secs[t], execs[t], cov[t], found[t] }' \
    "$log" | sort
exit $status
