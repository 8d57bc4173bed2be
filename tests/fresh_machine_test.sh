#!/usr/bin/env bash
# tests/fresh_machine.sh on scripts made for the purpose, with programs that no package owns
# first on the PATH: it must fail when a test runs one (a hand install), and pass when such a
# program's name is only a word of a script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/chpimport-fresh.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for tool in handtool project report info; do
    printf '#!/bin/sh\nexit 0\n' >"$work/bin/$tool"
    chmod +x "$work/bin/$tool"
done

# expected|script
cases=(
    'pass|project() { mkdir -p "$1"; }; project out; echo project report; x=report; "$bin" report info'
    'pass|"$bin" import --report "$dir/project" && $bin info x; run() { echo "$@"; }; run handtool'
    'pass|case "$x" in project | report) handtool=1 ;; esac; for report in a b; do :; done'
    'fail|handtool --version'
    'fail|x=$(handtool -q) || exit 1'
    'fail|check() { if "$@"; then echo ok; fi; }; check "it runs" handtool -v'
    'fail|sh -c "cd /tmp && handtool -v"'
    'fail|find . -name x | xargs -r handtool'
    'fail|nice -n 10 timeout 5 handtool'
)
failed=0
for c in "${cases[@]}"; do
    expected=${c%%|*}
    printf '%s\n' "${c#*|}" >"$work/case.sh"
    if PATH="$work/bin:$PATH" "$root/tests/fresh_machine.sh" "$work/case.sh" >"$work/out" 2>&1; then
        got=pass
    else
        got=fail
    fi
    if [ "$got" != "$expected" ]; then
        echo "fresh_machine_test: expected $expected, got $got: ${c#*|}" >&2
        sed 's/^/    /' "$work/out" >&2
        failed=1
    fi
done
[ $failed -eq 0 ] && echo "fresh_machine_test: ${#cases[@]} cases as expected"
exit $failed
