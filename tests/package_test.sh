#!/usr/bin/env bash
# The packages as a user gets them: builds the .deb, the tarball and the Windows zip, unpacks
# each into a scratch folder and uses what is inside: the program's version, an import of
# the bundled demo, the man page, the bash completion, and the Windows programs under Wine.
# `cmake --install` with DESTDIR must give the .deb's layout.
#   tests/package_test.sh RELEASE_BUILD MINGW_BUILD
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 RELEASE_BUILD MINGW_BUILD" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
release=$(cd "$1" && pwd)
mingw=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
fail() { echo "FAIL  $*"; failed=1; }
ok() { echo "ok    $*"; }
check() { # description, command...
    local what=$1
    shift
    if "$@" >"$work/out" 2>&1; then ok "$what"; else fail "$what"; sed 's/^/      /' "$work/out"; fi
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$release/CMakeCache.txt")
[ -n "$version" ] || { echo "package_test: no project version in $release/CMakeCache.txt" >&2; exit 2; }
cmake --build "$release" --target package >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
cmake --build "$mingw" --target package >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
deb=$release/chpimport-$version-Linux-x86_64.deb
tgz=$release/chpimport-$version-Linux-x86_64.tar.gz
zip=$mingw/chpimport-$version-win64.zip
for f in "$deb" "$tgz" "$zip"; do [ -f "$f" ] || fail "package $(basename "$f") written"; done
[ $failed -eq 0 ] || exit 1

# The demo imported by the build's own program, to compare the packaged ones with.
cp -r "$root/examples/demo" "$work/reference"
(cd "$work/reference" && "$release/chpimport" import DEMO.CHP >/dev/null)

# A Linux tree (usr/ of the .deb, or the tarball's top folder) used as a user would.
linux_tree() { # name, prefix folder
    local name=$1 prefix=$2 f
    for f in bin/chpimport share/man/man1/chpimport.1 share/bash-completion/completions/chpimport \
        share/doc/chpimport/README.md share/doc/chpimport/LICENSE \
        share/doc/chpimport/examples/demo/DEMO.CHP; do
        [ -f "$prefix/$f" ] || fail "$name holds $f"
    done
    check "$name: chpimport --version says $version" \
        grep -qx "chpimport $version" <("$prefix/bin/chpimport" --version)
    cp -r "$prefix/share/doc/chpimport/examples/demo" "$work/$name-demo"
    check "$name: imports its demo project" \
        sh -c "cd '$work/$name-demo' && '$prefix/bin/chpimport' import DEMO.CHP"
    # (the .tbl and .zpf name the folder, which differs)
    for f in "$work/reference"/*.wav; do
        cmp -s "$f" "$work/$name-demo/$(basename "$f")" || fail "$name: $(basename "$f") as the build writes it"
    done
}

mkdir "$work/deb"
dpkg-deb -x "$deb" "$work/deb"
linux_tree deb "$work/deb/usr"
field() { dpkg-deb -f "$deb" "$1"; }
check ".deb metadata: version, section sound, maintainer, description" \
    test "$(field Version)" = "$version" -a "$(field Section)" = sound -a -n "$(field Maintainer)" \
    -a -n "$(field Description)"
# Worked out from the binary: libc, which it links; the C++ runtime is inside it.
check ".deb depends on the C library the binary links, not on libstdc++ (linked in)" \
    sh -c "dpkg-deb -f '$deb' Depends | grep -q 'libc6 (>=' && ! dpkg-deb -f '$deb' Depends | grep -q 'libstdc++'"

mkdir "$work/tgz"
tar -xzf "$tgz" -C "$work/tgz"
linux_tree tarball "$work/tgz/chpimport-$version-Linux-x86_64"

# cmake --install: the .deb's files, under DESTDIR.
DESTDIR="$work/destdir" cmake --install "$release" --prefix /usr >/dev/null
check "cmake --install with DESTDIR gives the .deb's files" \
    diff <(cd "$work/deb" && find . -type f | sort) <(cd "$work/destdir" && find . -type f | sort)

man=$work/deb/usr/share/man/man1/chpimport.1
check "man page: mandoc finds nothing to warn about" sh -c "! mandoc -T lint -W warning '$man' | grep ."
check "man page: man renders it, with the version" \
    sh -c "MANWIDTH=80 man -l '$man' 2>&1 | grep -q 'chpimport $version'"
completion=$work/deb/usr/share/bash-completion/completions/chpimport
check "completion: loads in bash and completes 'chpimport im' to import" \
    test "$(bash --norc --noprofile -c "source '$completion' && complete -p chpimport >/dev/null &&
        COMP_WORDS=(chpimport im) COMP_CWORD=1 && _chpimport && echo \"\${COMPREPLY[*]}\"")" = import

# The Windows zip: everything in one top folder, the texts with CR LF, the programs run.
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
top=$work/zip/chpimport-$version-win64
for f in ChpImportDialog.exe chpimport.exe README.txt LICENSE.txt HELP.txt demo/DEMO.CHP; do
    [ -f "$top/$f" ] || fail "zip holds chpimport-$version-win64/$f"
done
for f in README.txt LICENSE.txt HELP.txt; do
    [ "$(grep -c $'\r$' "$top/$f")" = "$(wc -l <"$top/$f")" ] || fail "zip: $f has CR LF line ends"
done
export WINEPREFIX=${WINEPREFIX:-$mingw/wineprefix}
wine=$root/cmake/wine-run.sh
check "zip: chpimport.exe --version says $version" \
    grep -q "^chpimport $version" <("$wine" "$top/chpimport.exe" --version | tr -d '\r')
(cd "$top/demo" && "$wine" "$top/chpimport.exe" info DEMO.CHP | tr -d '\r') >"$work/info.windows" || true
(cd "$work/reference" && "$release/chpimport" info DEMO.CHP) >"$work/info.native"
check "zip: chpimport.exe info on its demo shows what the Linux build shows" \
    diff "$work/info.native" "$work/info.windows"

[ $failed -eq 0 ] || exit 1
echo "package_test: the .deb, the tarball and the Windows zip of $version work as installed"
