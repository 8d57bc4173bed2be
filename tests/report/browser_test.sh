#!/usr/bin/env bash
# The import report in a real browser. Imports the bundled demo project and the report's
# test project (tests/support/report_project.hpp: a silent message, one cut off, a refused
# VOC name, overlapping messages, one recorded at another rate, markup in the names) with
# `import --report`, opens each page in headless Chromium and checks the DOM it dumps
# (check_page.py) and that the browser logged no error about the page. Screenshots are left
# in the native build folder (report-demo.png, report-test.png).
# With a Windows build folder as well, chpimport.exe under Wine writes the same pages, by
# `import --report` and by `report`, once paths and the time are taken out.
#
# Usage: tests/report/browser_test.sh NATIVE_BUILD [WINDOWS_BUILD]
set -euo pipefail
native=$(cd "$1" && pwd)
windows=${2:+$(cd "$2" && pwd)}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
ok() { echo "ok    $1"; }
bad() { echo "FAIL  $1"; fail=1; }

# chromium ARGS... : a fresh profile each time, nothing fetched in the background.
chromium_run() {
    chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$(mktemp -d "$work/profile.XXXXXX")" --enable-logging=stderr --v=0 \
        --window-size=1280,900 --hide-scrollbars "$@"
}

# check NAME FOLDER PROJECT.CHP FLAGS...: the page beside PROJECT.CHP in a browser.
check() {
    local name=$1 dir=$2 chp=$3
    shift 3
    local page=$dir/${chp%.*}.html
    chromium_run --dump-dom "file://$page" >"$work/$name.dom" 2>"$work/$name.log"
    chromium_run --screenshot="$native/report-$name.png" "file://$page" >/dev/null 2>>"$work/$name.log"
    if "$here/check_page.py" "$work/$name.dom" "$page" "$dir/$chp" "$@"; then
        ok "$name: one row per message with its numbers and flags, links resolve, no injected markup"
    else
        bad "$name: the page's DOM (above)"
    fi
    # The page's own messages (script, policy, loading) are logged as CONSOLE lines.
    if grep -E 'CONSOLE|Content.Security.Policy|Refused to' "$work/$name.log"; then
        bad "$name: the browser logged the errors above"
    else
        ok "$name: the browser logged no error about the page"
    fi
}

# fits NAME PAGE: in a window 1000 pixels wide the message table needs no sideways scrolling
# and its notes column is in view.
fits() {
    local name=$1 page=$2 m
    m=$(chromium_run --allow-file-access-from-files --virtual-time-budget=5000 \
        --dump-dom "file://$here/fit_1000.html?page=file://$page" 2>>"$work/$name.log" |
        sed -n 's/.*<pre id="result">\([^<]*\)<.*/\1/p')
    read -r _ table _ room _ notes _ window <<<"$m"
    if [ -n "$window" ] && [ "$table" -le "$room" ] && [ "$notes" -le "$window" ]; then
        ok "$name: at 1000 pixels the message table fits, notes in view ($m)"
    else
        bad "$name: at 1000 pixels the message table does not fit: ${m:-not measured}"
    fi
}

# A project in $work/SIDE-NAME, imported with --report there by the native program.
mkdir -p "$work/native-demo"
cp "$here/../../examples/demo/"* "$work/native-demo/"
"$native/tests/fixturegen" report-project "$work/native-test"
(cd "$work/native-demo" && "$native/chpimport" import DEMO.CHP --report >/dev/null)
(cd "$work/native-test" && "$native/chpimport" import REPORT.CHP --report >/dev/null 2>&1) || true
check demo "$work/native-demo" DEMO.CHP
check test "$work/native-test" REPORT.CHP 1=silent "3=cut overlap" 4=failed "5=overlap warning"
fits demo "$work/native-demo/DEMO.html"
fits test "$work/native-test/REPORT.html"

# Ctrl+C during an import: the page shows what was done. The reference converter keeps the
# import slow enough (some seconds) to be stopped after its second message.
"$native/tests/fixturegen" project "$work/native-aborted" --messages 30 --seconds 10
(cd "$work/native-aborted" &&
    exec "$native/chpimport" import PROJECT.CHP --report --reference-converter >out.txt 2>&1) &
pid=$!
until grep -q '^message 2/' "$work/native-aborted/out.txt" 2>/dev/null; do sleep 0.05; done
kill -INT "$pid"
wait "$pid" || true
check aborted "$work/native-aborted" PROJECT.CHP --aborted

[ -n "$windows" ] || exit $fail

# The Windows pages: the same once each side's folder and the time are taken out.
run_win() { "$here/../../cmake/wine-run.sh" "$windows/chpimport.exe" "$@"; }
normalise() { # page, folder as that side writes it
    sed -e "s|$(printf '%s' "$2" | sed 's/[\\.|]/\\&/g')|<DIR>|g" -e 's|\\|/|g' \
        -e 's|<time>[^<]*</time>|<time></time>|' "$1"
}
for project in demo:DEMO test:REPORT; do
    name=${project%:*} base=${project#*:}
    cp -r "$work/native-$name" "$work/windows-$name"
    rm -f "$work/windows-$name/"*.wav "$work/windows-$name/"*.html "$work/windows-$name/$base".zpf
    normalise "$work/native-$name/$base.html" "$work/native-$name" >"$work/$name.native"
    out=$(cd "$work/windows-$name" && run_win import "$base.CHP" --report 2>/dev/null || true)
    windir=$(printf '%s\n' "$out" | sed -n "s/^Report: \(.*\)[\\\\/]$base.html\r*$/\1/p")
    [ -n "$windir" ] || { bad "$name: chpimport.exe import --report wrote no page"; continue; }
    normalise "$work/windows-$name/$base.html" "$windir" >"$work/$name.windows-import"
    rm "$work/windows-$name/$base.html"
    (cd "$work/windows-$name" && run_win report "$base.CHP" >/dev/null)
    normalise "$work/windows-$name/$base.html" "$windir" >"$work/$name.windows-report"
    for how in import report; do
        if cmp -s "$work/$name.native" "$work/$name.windows-$how"; then
            ok "$name: the Windows page by $how is the native one (paths and time aside)"
        else
            bad "$name: the Windows page by $how differs from the native one:"
            diff "$work/$name.native" "$work/$name.windows-$how" | head -20
        fi
    done
done
exit $fail
