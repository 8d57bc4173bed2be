#!/usr/bin/env bash
# Kills `chpimport import` with SIGKILL at random moments of a three-message import, again
# and again, and checks what every kill leaves: a project file (.zpf) that parses, keeps the
# keys it had and holds every key of the messages the import had reported done, and no WAV
# file cut short under its final name. Every tenth run is left to finish and must import the
# whole project despite what the killed runs left behind.
#   tests/kill_test.sh BUILD [SECONDS] [RUNS]     (BUILD holds chpimport and tests/fixturegen;
#                                                 default 60 s, at most 300 runs)
set -euo pipefail
build="$(cd "${1:?usage: kill_test.sh BUILD [SECONDS] [RUNS]}" && pwd)"
seconds="${2:-60}"
max_runs="${3:-300}"
chpimport="$build/chpimport"
fixturegen="$build/tests/fixturegen"

work="$(mktemp -d "${TMPDIR:-/tmp}/chpimport-kill.XXXXXX")"
trap 'rm -rf "$work"' EXIT
project="$work/project"
mkdir "$project"
# Working folders of killed runs are never removed by the program: keep them in here.
export TMPDIR="$work/tmp"
mkdir "$TMPDIR"
"$fixturegen" chp "$project/DEMO.CHP"
for n in 1 2 3; do "$fixturegen" voc "$project/MSG0000$n.VOC"; done
earlier=$'[KZ_ISD_PROJECT]\r\nfile9=C:\\OLD\\MSG9.wav [1900 950]*\r\n[Mine]\r\nkeep=me\r\n'

fail() {
    echo "kill test: run $run (killed after ${delay_ms} ms): $*" >&2
    echo "--- output:" >&2
    cat "$work/out.txt" >&2
    echo "--- DEMO.zpf:" >&2
    od -c "$project/DEMO.zpf" | head -40 >&2 || true
    exit 1
}

# Every line of the project file whole and CR LF ended, a section header or key=value; the
# earlier keys kept when there were any ($1 = 1); every key of the messages reported done.
check_zpf() {
    local zpf="$project/DEMO.zpf" n key
    if [ ! -f "$zpf" ]; then
        [ "$1" = 0 ] || fail "the project file is gone"
        # Killed before its first write: then nothing can have been reported done.
        grep -q '^message [0-9]*/3: address' "$work/out.txt" && fail "messages done, no project file"
        return 0
    fi
    [ "$(tail -c 2 "$zpf" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "the project file ends inside a line"
    if LC_ALL=C grep -v -a -E $'^(\\[[A-Za-z_]+\\]|[a-z_0-9]+=[^\r]*)\r$' "$zpf" | grep -a . >/dev/null; then
        fail "a line of the project file is not a section header or a key"
    fi
    if [ "$1" = 1 ]; then
        for key in 'file9=C:\OLD\MSG9.wav [1900 950]*' 'keep=me'; do
            grep -q -a -F "$key" "$zpf" || fail "the earlier key '$key' is gone"
        done
    fi
    # Messages reported done: "message N/3: address A, PATH".
    for n in $(sed -n 's|^message \([0-9]*\)/3: address .*|\1|p' "$work/out.txt"); do
        for key in "file$n=" "conc$n=CONC$n" "conc_list$n=$n"; do
            grep -q -a -F "$key" "$zpf" || fail "message $n was reported done but $key is missing"
        done
    done
}

# A WAV file under its final name is complete: its sizes are those of the file.
check_waves() {
    local wav size riff data
    for wav in "$project"/MSG0000?.wav; do
        [ -f "$wav" ] || continue
        size=$(stat -c %s "$wav")
        riff=$(od -An -t u4 -j 4 -N 4 "$wav" | tr -d ' ')
        data=$(od -An -t u4 -j 40 -N 4 "$wav" | tr -d ' ')
        [ "$riff" = $((size - 8)) ] && [ "$data" = $((size - 44)) ] ||
            fail "$(basename "$wav") is cut short: $size bytes, RIFF size $riff, data size $data"
    done
}

now_ms() { date +%s%3N; }

# One uninterrupted import first: how long an import takes here.
cd "$project"
start=$(now_ms)
"$chpimport" import DEMO.CHP >/dev/null
duration=$(($(now_ms) - start + 1))

runs=0
killed=0
end=$(($(now_ms) + seconds * 1000))
for ((run = 1; run <= max_runs && $(now_ms) < end; run++)); do
    rm -f "$project"/MSG0000?.wav
    if ((run % 2)); then printf '%s' "$earlier" >"$project/DEMO.zpf"; else rm -f "$project/DEMO.zpf"; fi
    delay_ms=$((RANDOM % (duration + duration / 4)))
    "$chpimport" import DEMO.CHP >"$work/out.txt" 2>&1 &
    pid=$!
    if ((run % 10 == 0)); then
        delay_ms=none
        wait "$pid" || fail "an import left to finish failed"
        grep -q '^Zuvan Project File Created:' "$work/out.txt" || fail "no completion"
        [ "$(grep -c '^message [123]/3: address' "$work/out.txt")" = 3 ] || fail "not every message imported"
    else
        sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
        kill -KILL "$pid" 2>/dev/null && killed=$((killed + 1))
        wait "$pid" 2>/dev/null || true
    fi
    check_zpf $((run % 2))
    check_waves
    runs=$run
done
echo "kill test: $runs runs ($killed killed, one import takes ${duration} ms): every project file whole"
