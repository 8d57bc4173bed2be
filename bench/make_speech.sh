#!/bin/sh
# Makes the speech files the benchmarks time: the demo project's three spoken messages
# (examples/demo), decoded to 16-bit mono at 22222 Hz and strung together with sox, cut to
# 120 seconds (repeated) and to 2 seconds.
# Usage: make_speech.sh CHPIMPORT DEMO_DIR OUT_DIR
set -eu
chpimport=$1
demo=$2
out=$3
tmp=$out/speech-parts
mkdir -p "$tmp"
for n in 1 2 3; do
    "$chpimport" decode "$demo/MSG0000$n.VOC" "$tmp/$n.wav" >/dev/null
done
sox "$tmp/1.wav" "$tmp/2.wav" "$tmp/3.wav" "$tmp/all.wav"
sox "$tmp/all.wav" "$out/speech-120s.wav" repeat 17 trim 0 120
sox "$tmp/all.wav" "$out/speech-2s.wav" trim 0 2
rm -r "$tmp"
