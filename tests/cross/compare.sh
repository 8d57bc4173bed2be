#!/usr/bin/env bash
# Runs the native chpimport and the Windows chpimport.exe (under Wine) on the same
# generated inputs and checks that they print and write the same bytes.
set -euo pipefail
native=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
run_win() { "$(dirname "$0")/../../cmake/wine-run.sh" "$windows/chpimport.exe" "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
same() { # name, file A, file B
    if cmp -s "$2" "$3"; then echo "ok    $1"; else echo "FAIL  $1"; diff <(xxd "$2") <(xxd "$3") | head -10; fail=1; fi
}

"$native/tests/fixturegen" chp "$work/SAMPLE.CHP"
"$native/chpimport" info "$work/SAMPLE.CHP" >"$work/info.native"
run_win info "$work/SAMPLE.CHP" >"$work/info.windows"
same "info on a sample project" "$work/info.native" "$work/info.windows"

"$native/tests/fixturegen" voc "$work/MSG.VOC"
"$native/chpimport" decode "$work/MSG.VOC" "$work/native.wav" >"$work/decode.native"
run_win decode "$work/MSG.VOC" "$work/windows.wav" >"$work/decode.windows"
same "decode: printed trailer" "$work/decode.native" "$work/decode.windows"
same "decode: wave file" "$work/native.wav" "$work/windows.wav"

# The converter's output must not depend on the platform's floating point: both modes, 16-
# and 8-bit input.
for bits in 16 8; do
    "$native/tests/fixturegen" wav "$work/signal$bits.wav" "$bits"
    for mode in plain zuvan; do
        flags=()
        [ "$mode" = zuvan ] && flags=(--zuvan)
        out="$work/resample$bits-$mode"
        "$native/chpimport" resample "$work/signal$bits.wav" "$out.native.wav" "${flags[@]}" \
            >"$out.native.txt"
        run_win resample "$work/signal$bits.wav" "$out.windows.wav" "${flags[@]}" \
            >"$out.windows.txt"
        same "resample $bits-bit $mode: printed count" "$out.native.txt" "$out.windows.txt"
        same "resample $bits-bit $mode: wave file" "$out.native.wav" "$out.windows.wav"
    done
done

exit $fail
