#!/usr/bin/env bash
# The Windows installer as users and administrators use it, under Wine in a private prefix:
# built by the mingw package target; installed silently per user (files, Start menu shortcut,
# .CHP file type, Apps & features entry), a .CHP file opened through its type shows in the
# dialog; run again it repairs; a signed package of a higher version replaces it (one entry);
# uninstalled, nothing it made is left and the user's files stay; then once per machine
# (ALLUSERS=1, ADDTOPATH=1), where a .CHP file opened by its type shows in the dialog; and per
# user beside another program that owns .CHP, which keeps it.
#
# Wine knows a file type only from HKLM\Software\Classes (its HKEY_CLASSES_ROOT takes nothing
# from HKCU\Software\Classes, where Windows merges a user's own types): the per-user type is
# checked in the registry, opening a file by its type in the per-machine install.
#
# usage: tests/installer_test.sh MINGW_BUILD_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 MINGW_BUILD_DIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
mingw=$(cd "$1" && pwd)
driver=$mingw/tests/gui/gui_driver.exe

cmake --build "$mingw" --target package >/dev/null
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$mingw/CPackConfig.cmake")
msi=$mingw/chpimport-$version-win64.msi
[ -f "$msi" ] || { echo "installer_test: $msi was not written" >&2; exit 1; }

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No menu entries on this machine's desktop for what the prefix installs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
xvfb=
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() { echo "FAIL  $*"; failed=1; }
ok() { echo "ok    $*"; }
not() { ! "$@"; }
check() { # WHAT COMMAND...
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

# The package's properties, as msiinfo reads them.
property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
for p in ProductName ProductVersion Manufacturer UpgradeCode; do
    echo "msiinfo: $p = $(property "$msi" "$p")"
done
check "msiinfo: ProductVersion is the project's $version" [ "$(property "$msi" ProductVersion)" = "$version" ]

. "$here/gui/wine_display.sh"
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 # one server for the whole run: every wine call below starts in a blink
wineboot -i >/dev/null 2>&1
start_display
wine_desktop

msiexec() { wine msiexec "$@" >/dev/null 2>&1; }
# A registry value, or nothing (status 1) when it or its key is missing.
reg_value() { # KEY [NAME]
    local out
    if [ $# -eq 1 ]; then
        out=$(wine reg query "$1" /ve 2>/dev/null) || return 1
    else
        out=$(wine reg query "$1" /v "$2" 2>/dev/null) || return 1
    fi
    out=$(tr -d '\r' <<<"$out" | grep -E '^    .*    REG_') || return 1
    sed -E 's/^    .*    REG_[A-Z_]+    ?//' <<<"$out"
}
has_value() { reg_value "$@" >/dev/null; }
has_key() { wine reg query "$1" >/dev/null 2>&1; }
# The Apps & features entries of chpimport (Wine keeps them under HKLM either way).
uninstall_entries() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | grep -c 'DisplayName    REG_SZ    chpimport$' || true
}
unix_of() { winepath -u "$(wine cmd /c echo "$1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
# Every file and registry line of the prefix, to compare before and after.
snapshot() { # NAME
    (cd "$WINEPREFIX/drive_c" && find . -path ./windows -prune -o -print | sort) >"$work/$1.files"
    wine reg export HKCU "$work/$1.hkcu" /y >/dev/null 2>&1
    wine reg export HKLM "$work/$1.hklm" /y >/dev/null 2>&1
}
# What uninstalling left of the package: new registry lines naming it or .CHP, new files but
# those matching KEEP (the user's).
leftovers() { # BEFORE AFTER KEEP
    snapshot "$2"
    local hive
    for hive in hkcu hklm; do
        comm -13 <(iconv -f UTF-16LE -t UTF-8 "$work/$1.$hive" | tr -d '\r' | sort) \
            <(iconv -f UTF-16LE -t UTF-8 "$work/$2.$hive" | tr -d '\r' | sort) |
            grep -i -E 'chpimport|\.chp' || true
    done
    comm -13 "$work/$1.files" "$work/$2.files" | grep -v -E "$3" || true
}

local_appdata=$(unix_of '%LOCALAPPDATA%')
start_menu="$(unix_of '%APPDATA%')/Microsoft/Windows/Start Menu/Programs"
program_files=$(unix_of '%ProgramW6432%')
common_menu="$(unix_of '%ProgramData%')/Microsoft/Windows/Start Menu/Programs"
count=$(tr -d '\r' <<<"$(wine "$mingw/chpimport.exe" info "$(winpath "$root/examples/demo/DEMO.CHP")" 2>/dev/null)" |
    sed -n 's/^Messages: //p')

# What the package must install: the zip's tree, file for file.
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$mingw/chpimport-$version-win64.zip")
zip_top=$work/zip/chpimport-$version-win64
same_tree() { diff -r -q "$zip_top" "$1" >/dev/null; } # DIR holds the zip's files, byte for byte
classes='HKCU\Software\Classes'

echo "--- per user, silently: msiexec /i chpimport-$version-win64.msi /qn"
snapshot before
check "installed per user (exit 0)" msiexec /i "$(winpath "$msi")" /qn
user_dir=$local_appdata/Programs/chpimport
check "the files are the zip's, in %LOCALAPPDATA%\\Programs\\chpimport" same_tree "$user_dir"
check "nothing under Program Files" [ ! -e "$program_files/chpimport" ]
lnk=$start_menu/chpimport.lnk
# A shortcut keeps its target as a list of names; the folder it starts in whole.
shortcut_to_dialog() { # LNK DIR
    local texts
    texts=$(strings -e l "$1" 2>/dev/null) &&
        grep -qx 'ChpImportDialog.exe' <<<"$texts" &&
        grep -qF "$(winepath -w "$2" 2>/dev/null | tr -d '\r')\\" <<<"$texts" &&
        grep -q 'Import ISD voice-chip projects for Zuvan' <<<"$texts"
}
check "Start menu shortcut chpimport.lnk to the dialog, with its description" shortcut_to_dialog "$lnk" "$user_dir"
check ".CHP opens with chpimport.Project" [ "$(reg_value "$classes\\.CHP")" = chpimport.Project ]
check "the file type is named \"ISD voice-chip project\"" \
    [ "$(reg_value "$classes\\chpimport.Project")" = "ISD voice-chip project" ]
dialog_win=$(reg_value "$classes\\chpimport.Project\\shell\\open\\command" || true)
check "its open verb starts the installed dialog with \"%1\"" \
    [ "$dialog_win" = "\"$(winepath -w "$user_dir/ChpImportDialog.exe" 2>/dev/null | tr -d '\r')\" \"%1\"" ]
check "its icon is the program's" grep -q 'ChpImportDialog.exe",0$' <(reg_value "$classes\\chpimport.Project\\DefaultIcon")
check "\"Open with\" lists the program" has_value "$classes\\.CHP\\OpenWithProgids" chpimport.Project
check "nothing per machine" not has_key 'HKLM\Software\Classes\chpimport.Project'
check "PATH untouched (the option is off by default)" not grep -qi chpimport <(reg_value 'HKCU\Environment' PATH)
check "one Apps & features entry" [ "$(uninstall_entries)" = 1 ]
products=$(wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s 2>/dev/null | tr -d '\r')
icon=$(sed -n 's/^    ProductIcon    REG_SZ    //p' <<<"$products" | head -1)
same_icon() { [ -n "$icon" ] && cmp -s "$(winepath -u "$icon")" "$root/res/chpimport.ico"; }
check "its icon is the program's icon" same_icon
entry=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    grep -B8 -A20 'DisplayName    REG_SZ    chpimport$')
for field in "DisplayVersion    REG_SZ    $version" "Publisher    REG_SZ    chpimport developers" \
    'HelpLink    REG_SZ    https://'; do
    check "the entry's ${field%%    *}" grep -q "$field" <<<"$entry"
done

echo "--- the same package again: repairs"
rm "$user_dir/HELP.txt" "$lnk"
wine reg delete "$classes\\chpimport.Project\\shell" /f >/dev/null 2>&1
check "run again (exit 0)" msiexec /i "$(winpath "$msi")" /qn
repaired() { [ -f "$user_dir/HELP.txt" ] && [ -f "$lnk" ] && has_key "$classes\\chpimport.Project\\shell\\open\\command"; }
check "the deleted file, shortcut and open verb are back" repaired
check "still one entry" [ "$(uninstall_entries)" = 1 ]

echo "--- a signed package of a higher version replaces it"
next=${version%.*}.$((${version##*.} + 1))
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=chpimport test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
cpack --config "$mingw/CPackConfig.cmake" -B "$work/next" -R "$next" \
    -D "CPACK_PACKAGE_FILE_NAME=chpimport-$next-win64" \
    -D "CPACK_CHPIMPORT_SIGN_CERT=$work/cert.pem" -D "CPACK_CHPIMPORT_SIGN_KEY=$work/key.pem" \
    -D CPACK_CHPIMPORT_OSSLSIGNCODE="$(command -v osslsigncode)" >/dev/null
next_msi=$work/next/chpimport-$next-win64.msi
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >/dev/null 2>&1; }
check "the $next .msi is signed, its signature intact" verify "$next_msi"
check "the unsigned $version .msi carries no signature" not verify "$msi"
mkdir "$work/next/zip"
(cd "$work/next/zip" && cmake -E tar xf "$work/next/chpimport-$next-win64.zip")
for exe in ChpImportDialog.exe chpimport.exe; do
    check "$exe in the signed zip is signed" verify "$work/next/zip/chpimport-$next-win64/$exe"
done
check "$next installed over $version with ADDTOPATH=1 (exit 0)" \
    msiexec /i "$(winpath "$next_msi")" /qn ADDTOPATH=1
one_new_entry() {
    [ "$(uninstall_entries)" = 1 ] && wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | grep "DisplayVersion    REG_SZ    $next" >/dev/null
}
check "one entry left, with version $next" one_new_entry
check "the installed dialog is the signed one" verify "$user_dir/ChpImportDialog.exe"
kept() { [ -f "$lnk" ] && [ "$(reg_value "$classes\\.CHP")" = chpimport.Project ]; }
check "the shortcut and the file type are there" kept
check "PATH (the user's) holds the program folder" grep -qi 'Programs\\chpimport' <(reg_value 'HKCU\Environment' PATH)

echo "--- uninstalled: nothing of the package left, the user's files kept"
# The user's outputs: the demo imported where it was installed, and a project of their own.
mkdir -p "$work/Ansagen"
cp "$root"/examples/demo/* "$work/Ansagen/"
(cd "$work/Ansagen" && wine "$user_dir/chpimport.exe" import "$(winpath "$user_dir/demo/DEMO.CHP")" \
    "$(winpath "$work/Ansagen/DEMO.CHP")" >/dev/null 2>&1) || fail "the installed chpimport.exe could not import"
outputs=$( (cd "$user_dir/demo" && ls *.wav DEMO.zpf DEMO.tbl; cd "$work/Ansagen" && sha256sum *) 2>/dev/null)
check "uninstalled (exit 0)" msiexec /x "$(property "$next_msi" ProductCode)" /qn
# Kept: the folders holding the outputs, and Windows Installer's own folder.
left=$(leftovers before after '/Local/Programs(/chpimport(/demo(/(MSG[0-9]+\.wav|DEMO\.zpf|DEMO\.tbl|debug\.bid))?)?)?$|/Roaming/Microsoft/Installer$')
check "no file, folder, shortcut or registry value of the package is left" [ -z "$left" ]
[ -z "$left" ] || head -20 <<<"$left"
check "the user's outputs are kept, untouched" \
    [ "$outputs" = "$( (cd "$user_dir/demo" && ls *.wav DEMO.zpf DEMO.tbl; cd "$work/Ansagen" && sha256sum *) 2>/dev/null)" ]
check "no entry left" [ "$(uninstall_entries)" = 0 ]

echo "--- per machine: msiexec /i ... /qn ALLUSERS=1 ADDTOPATH=1"
rm -rf "$user_dir"
snapshot before-machine
check "installed per machine (exit 0)" msiexec /i "$(winpath "$msi")" /qn ALLUSERS=1 ADDTOPATH=1
check "the files are the zip's, in Program Files\\chpimport" same_tree "$program_files/chpimport"
# Wine's ProgramMenuFolder is the user's even per machine; Windows' is the common one.
machine_menu() { [ -f "$common_menu/chpimport.lnk" ] || [ -f "$lnk" ]; }
check "the Start menu shortcut" machine_menu
check ".CHP opens with chpimport.Project, per machine" [ "$(reg_value 'HKLM\Software\Classes\.CHP')" = chpimport.Project ]
check "nothing per user" not has_key 'HKCU\Software\Classes\chpimport.Project'
session='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
check "the system PATH holds the program folder" grep -qi 'Program Files\\chpimport' <(reg_value "$session" PATH)

echo "--- a .CHP file opened through its type (Wine's start, as a double-click)"
# Wine's shell now and then drops the first start of a fresh prefix's file type: a second
# start is allowed, and said.
opened=
for attempt in 1 2; do
    (cd "$work/Ansagen" && WINEDEBUG=err+all wine start /unix "$work/Ansagen/DEMO.CHP" >"$work/start.log" 2>&1) &
    starter=$!
    if timeout 120 wine "$driver" opened "$(winpath "$work/Ansagen/DEMO.CHP")" "$count" 2>/dev/null; then
        opened=1
    fi
    wait "$starter" || true
    [ -n "$opened" ] && break
    ps aux | grep -i "[C]hpImportDialog" | cut -c1-200 >&2
    echo "note  start $attempt showed no dialog: $(tr -d '\r' <"$work/start.log" | grep -v '^wine: Read' | head -3)"
done
check "the dialog shows DEMO.CHP opened from its folder" [ -n "$opened" ]

check "uninstalled (exit 0)" msiexec /x "$(property "$msi" ProductCode)" /qn
left=$(leftovers before-machine after-machine '^$')
check "nothing of the package left" [ -z "$left" ]
[ -z "$left" ] || head -20 <<<"$left"
check "the system PATH as before" not grep -qi chpimport <(reg_value "$session" PATH)

echo "--- per user, another program owning .CHP"
wine reg add 'HKLM\Software\Classes\.CHP' /ve /d Other.Project /f >/dev/null 2>&1
snapshot before-other
check "installed (exit 0)" msiexec /i "$(winpath "$msi")" /qn
check ".CHP still opens with the other program" [ "$(reg_value "$classes\\.CHP" || true)" != chpimport.Project ]
check "\"Open with\" lists the program" has_value "$classes\\.CHP\\OpenWithProgids" chpimport.Project
check "uninstalled (exit 0)" msiexec /x "$(property "$msi" ProductCode)" /qn
left=$(leftovers before-other after-other '/Local/Programs$')
check "nothing of the package left" [ -z "$left" ]
[ -z "$left" ] || head -20 <<<"$left"
check "the other program keeps .CHP" [ "$(reg_value 'HKLM\Software\Classes\.CHP')" = Other.Project ]

[ $failed -eq 0 ] && echo "installer_test: the .msi of $version installs, opens .CHP files, upgrades, repairs and uninstalls"
exit $failed
