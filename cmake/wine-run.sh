#!/bin/sh
# Runs a Windows executable under Wine with a private, quiet prefix next to it.
# WINEPREFIX may be set by the caller; otherwise the build tree's own is used.
exe=$1
shift
if [ -z "${WINEPREFIX:-}" ]; then
    dir=$(cd "$(dirname "$exe")" && pwd)
    while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    [ "$dir" = "/" ] && dir=$(cd "$(dirname "$exe")" && pwd)
    WINEPREFIX="$dir/wineprefix"
fi
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exec wine "$exe" "$@"
