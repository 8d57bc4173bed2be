#!/usr/bin/env bash
# Runs the native chpimport and the Windows chpimport.exe (under Wine) on the same
# generated inputs and checks that they print and write the same bytes.
set -euo pipefail
native=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
run_win() { "$here/../../cmake/wine-run.sh" "$windows/chpimport.exe" "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
same() { # name, file A, file B
    if cmp -s "$2" "$3"; then echo "ok    $1"; else echo "FAIL  $1"; { diff <(xxd "$2") <(xxd "$3") | head -10; } || true; fail=1; fi
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
        # The Windows fast converter (with whichever kernel Wine's processor runs) against
        # the native reference converter.
        "$native/chpimport" resample "$work/signal$bits.wav" "$out.reference.wav" "${flags[@]}" \
            --reference-converter >/dev/null
        same "resample $bits-bit $mode: reference converter" "$out.reference.wav" "$out.windows.wav"
    done
done

# A whole import of the bundled demo project, in both modes: the same WAV bytes, and the same
# project and table files once each side's own folder is taken out of the paths.
demo="$here/../../examples/demo"
normalise() { # file, folder as that side writes it
    sed -e "s|$(printf '%s' "$2" | sed 's/[\\.|]/\\&/g')|<DIR>|g" -e 's|\\|/|g' "$1"
}
for mode in plain zuvan; do
    flags=()
    [ "$mode" = zuvan ] && flags=(--zuvan)
    for side in native windows; do
        rm -rf "$work/$side-$mode"
        cp -r "$demo" "$work/$side-$mode"
    done
    (cd "$work/native-$mode" && "$native/chpimport" import DEMO.CHP "${flags[@]}" >import.txt)
    (cd "$work/windows-$mode" && run_win import DEMO.CHP "${flags[@]}" >import.txt)
    # Redirected, the progress is plain lines: no carriage returns, no escape sequences.
    for side in native windows; do
        if LC_ALL=C grep -q $'[\r\x1b]' "$work/$side-$mode/import.txt"; then
            echo "FAIL  import $mode: $side redirected output holds CR or ESC"
            fail=1
        fi
    done
    windir=$(sed -n 's/^Zuvan Project File Created: \(.*\)[\\/]DEMO.zpf$/\1/p' "$work/windows-$mode/import.txt")
    for wav in MSG00001.wav MSG00002.wav MSG00003.wav; do
        same "import $mode: $wav" "$work/native-$mode/$wav" "$work/windows-$mode/$wav"
    done
    for text in DEMO.zpf DEMO.tbl debug.bid; do
        normalise "$work/native-$mode/$text" "$work/native-$mode" >"$work/$mode-$text.native"
        normalise "$work/windows-$mode/$text" "$windir" >"$work/$mode-$text.windows"
        same "import $mode: $text (paths aside)" "$work/$mode-$text.native" "$work/$mode-$text.windows"
    done
done

# Projects in folders with letters outside ASCII in their names, used as a new user would:
# every command finds them, natively and as a Windows program ("€" is where the Windows code
# page 1252 and Latin-1 part).
run() { if [ "$side" = native ]; then "$native/chpimport" "$@"; else run_win "$@"; fi; }
for folder in "Größe Ansagen" "Preis 5 €"; do
    for side in native windows; do
        dir="$work/$side/$folder"
        mkdir -p "$dir/zwei"
        cp "$demo"/* "$dir/"
        cp "$demo"/* "$dir/zwei/"
        (
            cd "$work/$side"
            run info "$folder/DEMO.CHP" >"$dir/info.txt" &&
                run decode "$folder/MSG00001.VOC" "$folder/decoded.wav" >"$dir/decode.txt" &&
                run resample "$folder/decoded.wav" "$folder/resampled.wav" >"$dir/resample.txt" &&
                run import "$folder/DEMO.CHP" >/dev/null &&
                run import -r "$folder" --output "batch/$folder" --json >"$dir/batch.json" 2>"$dir/batch.err"
        ) || {
            # Which command failed and what the last one said, for a failure seen only rarely.
            echo "FAIL  $folder: a $side command failed; import -r said:"
            tail -5 "$dir/batch.err" 2>/dev/null || true
            fail=1
        }
    done
    for out in info.txt decode.txt resample.txt decoded.wav resampled.wav MSG00001.wav MSG00002.wav MSG00003.wav; do
        same "$folder: $out" "$work/native/$folder/$out" "$work/windows/$folder/$out"
    done
    # Two projects found below the folder, their outputs below another such folder.
    for out in MSG00001.wav zwei/MSG00003.wav zwei/DEMO.zpf; do
        [ -f "$work/native/batch/$folder/$out" ] || { echo "FAIL  $folder: no batch/$out"; fail=1; }
    done
    # --json is UTF-8 on both sides (converted from the code page on Windows).
    for side in native windows; do
        grep -qF "$folder" "$work/$side/$folder/batch.json" ||
            { echo "FAIL  $folder: $side --json does not name the folder in UTF-8"; fail=1; }
    done
    for out in MSG00001.wav zwei/MSG00003.wav; do
        same "$folder: import -r --output: $out" "$work/native/batch/$folder/$out" \
            "$work/windows/batch/$folder/$out"
    done
    # The run's second project gives the bytes of the same project imported alone, in a
    # process of its own: nothing of the first one carried over.
    for side in native windows; do
        for out in MSG00001.wav MSG00002.wav MSG00003.wav; do
            same "$folder: $side: second project as if alone: $out" "$work/$side/$folder/$out" \
                "$work/$side/batch/$folder/zwei/$out"
        done
    done
done

exit $fail
