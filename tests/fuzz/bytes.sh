#!/usr/bin/env bash
# Prints a fuzzer's finding as the byte list of a regression case in
# tests/fuzz_regression_test.cpp:   tests/fuzz/bytes.sh FILE
set -euo pipefail
od -An -v -tx1 "${1:?usage: bytes.sh FILE}" | awk '
    { for (i = 1; i <= NF; i++) { line = line sprintf("0x%s, ", $i); if (++n % 12 == 0) { print "        " line; line = "" } } }
    END { if (line != "") print "        " line }' | sed '$ s/, *$//'
