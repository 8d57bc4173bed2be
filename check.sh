#!/usr/bin/env bash
# The whole test suite: native release and sanitizer builds, the kill test, the Windows
# build with its unit tests under Wine, the cross-platform comparisons, the report in a
# browser, the browser page, the packages, the Windows installer and a short run of every
# fuzz target.
# Installs missing test dependencies first when run as root (see .ci/install-deps), then
# stops at once if a command the tests call is still missing.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)
step() { printf '\n=== %s  (%d s in)\n' "$*" "$SECONDS"; }
# Wine takes Windows' code page from the locale: without a UTF-8 one (a bare Debian's root
# has none set) the non-ASCII names the tests use can't be written there.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
    *UTF-8* | *utf8*) ;;
    *) export LC_ALL=C.UTF-8 ;;
esac

if ! .ci/install-deps; then
    echo "check: some test dependencies are missing (see above)" >&2
    exit 1
fi
missing=()
while read -r cmd pkg; do
    case "$cmd" in '' | '#'*) continue ;; esac
    command -v "$cmd" >/dev/null || missing+=("$cmd (Debian package $pkg)")
done <.ci/test-commands
if [ ${#missing[@]} -gt 0 ]; then
    printf 'check: the tests need these commands, which are missing:\n' >&2
    printf '  %s\n' "${missing[@]}" >&2
    exit 1
fi

step "fresh machine: every command the tests call comes from a package install-deps installs"
tests/fresh_machine.sh
tests/fresh_machine_test.sh

for preset in release asan; do
    step "$preset: build and unit tests"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done

step "kill test: imports killed at random moments leave whole project files"
tests/kill_test.sh build/release 60 300

step "mingw: Windows build, unit tests under Wine"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$jobs"
export WINEPREFIX="$PWD/build/mingw/wineprefix" WINEDEBUG=-all
# The first start of a prefix takes a while; do it once, before anything is timed.
if [ ! -d "$WINEPREFIX" ] && ! wineboot -i >/dev/null 2>&1; then
    echo "check: wineboot could not make the Wine prefix $WINEPREFIX" >&2
    exit 1
fi
ctest --preset mingw

step "mingw: the Windows program under Xvfb and Wine, driven through its windows"
tests/gui/run_gui_tests.sh build/mingw build/release

step "native and Windows builds agree"
tests/cross/compare.sh build/release build/mingw

step "report: the pages in headless Chromium; the Windows pages agree"
tests/report/browser_test.sh build/release build/mingw

step "web: the browser page in headless Chromium, against the native and the Windows imports"
cmake --workflow --preset web >/dev/null
node tests/web/page_test.mjs build/release build/web build/mingw
cmake --build build/web --target package >/dev/null
# grep reads to the end: -q would stop early and, with pipefail, fail on unzip's broken pipe
unzip -l build/web/chpimport-*-web.zip | grep 'web/chpimport.html$' >/dev/null

step "packages: the .deb, the tarball and the Windows zip, unpacked and used"
tests/package_test.sh build/release build/mingw

step "installer: the .msi under Wine: per user and machine, the .CHP type, upgrade, repair, removal, signing"
tests/installer_test.sh build/mingw

step "fuzz: libFuzzer targets (clang, ASan + UBSan), 10 s each"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
tests/fuzz/run.sh 10

printf '\ncheck: all passed\n'
