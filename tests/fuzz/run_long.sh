#!/usr/bin/env bash
# The long fuzz run: every target (or those named) for SECONDS each (default 3600), one at a
# time and at low priority, then the totals of every run logged so far in this build, as the
# README records them.
#   tests/fuzz/run_long.sh [-b BUILD] [-d] [SECONDS] [TARGET...]   (-d: files on the disk)
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$here/../../build/fuzz"
options=()
while [ $# -gt 0 ]; do
    case "$1" in
    -b) build="$2"; shift 2 ;;
    -d) options+=(-d); shift ;;
    *) break ;;
    esac
done
seconds="${1:-3600}"
[ $# -gt 0 ] && shift
nice -n 10 "$here/run.sh" -b "$build" "${options[@]}" "$seconds" "$@"
status=$?
echo
echo "All runs logged in $build/fuzz/runs.log:"
printf '%-10s %5s %9s %14s %6s %8s\n' target runs seconds executions cov findings
awk '{ t = $2; runs[t]++; secs[t] += $3; execs[t] += $4; if ($6 > cov[t]) cov[t] = $6;
       if ($9 != "ok") found[t]++ }
     END { for (t in runs) printf "%-10s %5d %9d %14d %6d %8d\n", t, runs[t], secs[t], execs[t], cov[t], found[t] }' \
    "$build/fuzz/runs.log" | sort
exit $status
