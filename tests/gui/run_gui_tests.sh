#!/usr/bin/env bash
# The Windows program tested for real: ChpImportDialog.exe and the test driver (gui_driver.exe)
# run under Wine on a private Xvfb display, with real windows and real messages. The
# driver starts the program, fills in and clicks the dialog, answers its boxes and checks
# what they show; this script compares the files an import writes with what the native
# `chpimport import --zuvan` writes, and keeps screenshots in the build folder.
#
# usage: tests/gui/run_gui_tests.sh MINGW_BUILD_DIR NATIVE_BUILD_DIR
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 MINGW_BUILD_DIR NATIVE_BUILD_DIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
mingw=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
exe=$mingw/ChpImportDialog.exe
driver=$mingw/tests/gui/gui_driver.exe
for f in "$exe" "$driver" "$native/chpimport"; do
    [ -x "$f" ] || { echo "run_gui_tests: $f is missing; build first" >&2; exit 2; }
done

export WINEPREFIX=${WINEPREFIX:-$mingw/wineprefix} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
work=$(mktemp -d)
xvfb=
watcher=
cleanup() {
    [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
    # Let this prefix's Wine processes end before their display goes.
    timeout 30 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The previous user of the prefix (the unit tests) ran without a display: wait until its
# Wine processes are gone, so that this run's start with the display.
timeout 60 wineserver -w 2>/dev/null || true

. "$here/wine_display.sh"
start_display
wine_desktop
# Display scaling (Windows' "Make everything bigger"): Wine's LogPixels, in dots per inch.
scale() { # PERCENT
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((96 * $1 / 100)) /f \
        >/dev/null 2>&1
}
scale 100

failed=0
fail() { echo "FAIL  $*"; failed=1; }

# Screenshots on the driver's request: it writes "NAME WIDTH HEIGHT X Y" into shot.req
# and waits for shot.done.
shots=$work/shots
mkdir -p "$shots"
(
    while :; do
        if [ -f "$shots/shot.req" ]; then
            read -r name w h x y <"$shots/shot.req"
            import -window root -crop "${w}x${h}+${x}+${y}" +repage "$mingw/$name" 2>/dev/null || true
            rm -f "$shots/shot.req"
            touch "$shots/shot.done"
        fi
        sleep 0.05
    done
) &
watcher=$!
export GUI_SHOT_DIR=$(winpath "$shots")

drive() { # CHECK ARGS...: one driver run, its Wine chatter dropped
    timeout 300 wine "$driver" "$@" 2>"$work/driver.err" || {
        fail "gui_driver $1 (exit $?)"
        grep -v '^wine: Read access denied' "$work/driver.err" | head -5 || true
    }
}
# A fresh copy of the demo project in $work/NAME; prints its directory.
project() { mkdir -p "$work/$1" && cp "$root"/examples/demo/* "$work/$1/" && echo "$work/$1"; }
count=$("$native/chpimport" info "$root/examples/demo/DEMO.CHP" | sed -n 's/^Messages: //p')

# The native import to compare with, as the command line writes it.
ref=$(project native)
mkdir -p "$work/native-cwd"
(cd "$work/native-cwd" && "$native/chpimport" import "$ref/DEMO.CHP" --zuvan >/dev/null) ||
    fail "the native import failed"

# Compares the files of a GUI import in DIR with the native ones, paths aside.
same_as_native() { # CHECK DIR
    local check=$1 dir=$2 wdir name a b n=0 bad=0
    wdir="$(winpath "$dir")\\"
    for f in "$ref"/*.wav; do
        name=$(basename "$f")
        n=$((n + 1))
        cmp -s "$f" "$dir/$name" || { fail "$check: $name differs from the native import"; bad=1; }
    done
    for name in DEMO.zpf DEMO.tbl debug.bid; do
        if [ "$name" == debug.bid ]; then # written into each program's current folder
            a=$(<"$work/native-cwd/$name")
            b=$(<"$dir.cwd/$name")
        else
            a=$(<"$ref/$name")
            b=$(<"$dir/$name")
        fi
        # The Windows program writes paths in its code page (1252 under Wine here).
        b=$(iconv -f CP1252 -t UTF-8 <<<"$b")
        a=${a//"$ref/"/DIR/}
        b=${b//"$wdir"/DIR/}
        if [ "$a" != "$b" ]; then
            fail "$check: $name differs from the native import (paths aside)"
            diff <(echo "$a") <(echo "$b") | head -10
            bad=1
        fi
    done
    [ $bad -eq 1 ] || echo "ok    $check: $n WAV files, DEMO.zpf, DEMO.tbl and debug.bid equal the native import's"
}
ends_with_conc() { # CHECK TBL
    if [ "$(tail -n 1 "$2" | tr -d '\r')" == "CONC" ] && [ "$(grep -c CONC "$2")" == 1 ]; then
        echo "ok    $1: the table file ends with its one CONC line"
    else
        fail "$1: the table file does not end with one CONC line"
    fi
}

echo "--- resources and Windows pieces"
drive resources "$(winpath "$exe")"
mkdir -p "$work/scratch"
drive pieces "$(winpath "$work/scratch")"

echo "--- the program: open, close box, invalid path, help, browse"
mkdir -p "$work/cwd"
cwd=$(winpath "$work/cwd")
drive close "$(winpath "$exe")" "$cwd"
# Started as a user starts it, from the shell: the close box gives exit status 255 (-1).
(
    cd "$work/cwd"
    code=0
    wine "$exe" 2>/dev/null || code=$?
    echo "$code" >"$work/shell-exit"
) &
starter=$!
drive close-attached
wait "$starter" || true
status=$(cat "$work/shell-exit" 2>/dev/null || echo none)
if [ "$status" == 255 ]; then echo "ok    ChpImportDialog.exe started from the shell exits with status 255"; else fail "exit status $status, expected 255"; fi
drive invalid "$(winpath "$exe")" "$cwd" "$(winpath "$work/cwd/NOFILE.CHP")"
drive help "$(winpath "$exe")" "$cwd"
dir=$(project browse)
drive browse "$(winpath "$exe")" "$cwd" "$(winpath "$dir/DEMO.CHP")" "$count"

echo "--- imports: whole, OK answered no, OK answered yes"
for check in import abort-no abort-yes; do
    dir=$(project "$check")
    mkdir -p "$dir.cwd"
    if [ "$check" == import ]; then
        drive import "$(winpath "$exe")" "$(winpath "$dir.cwd")" "$(winpath "$dir/DEMO.CHP")" "$count"
    else
        drive "$check" "$(winpath "$exe")" "$(winpath "$dir.cwd")" "$(winpath "$dir/DEMO.CHP")"
    fi
    [ -f "$dir/DEMO.tbl" ] || { fail "$check: no table file"; continue; }
    ends_with_conc "$check" "$dir/DEMO.tbl"
    [ "$check" == abort-yes ] || same_as_native "$check" "$dir"
done

echo "--- the programs' manifest, icon and version"
drive program "$(winpath "$exe")"
drive program "$(winpath "$mingw/chpimport.exe")"

echo "--- a project dropped on the dialog or given on its command line, in a folder named Größe Ansagen"
dir=$(project "Größe Ansagen")
printf 'not a project' >"$dir/BAD.CHP"
drive drop "$(winpath "$exe")" "$cwd" "$(winpath "$dir/DEMO.CHP")" "$(winpath "$dir/BAD.CHP")" "$count"
drive start "$(winpath "$exe")" "$(winpath "$dir")" DEMO.CHP BAD.CHP "$count"
[ -e "$dir/DEMO.tbl" ] && fail "a project handed over started an import"

echo "--- display scaling 100, 150 and 200 %: texts fit, imports as ever (200 % in Größe Ansagen)"
for percent in 100 150 200; do
    scale "$percent"
    name=scaled-$percent
    [ "$percent" == 200 ] && name="Größe Ansagen $percent"
    dir=$(project "$name")
    mkdir -p "$dir.cwd"
    drive scaled "$(winpath "$exe")" "$(winpath "$dir.cwd")" "$(winpath "$dir/DEMO.CHP")" "$count" \
        "gui-scaled-$percent.png"
    [ -f "$dir/DEMO.zpf" ] || { fail "$percent %: no project file"; continue; }
    same_as_native "$percent %" "$dir"
done
scale 100

ls "$mingw"/gui-*.png 2>/dev/null | sed 's/^/screenshot: /'
exit $failed
