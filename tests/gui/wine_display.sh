# Sourced by the scripts that show Windows programs under Wine: a private Xvfb display and a
# Wine desktop on it. Needs $WINEPREFIX and a scratch folder $work; kill "$xvfb" when done.

# Room for the dialog at 200 % display scaling.
start_display() {
    Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; return 1; }
    export DISPLAY=:$(cat "$work/display")
}

# Wine draws every window itself on one virtual desktop the size of the screen (there is
# no window manager), and needs its Marlett font for the caption buttons.
wine_desktop() {
    [ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
    if ! grep -q '"Default"="1600x1200"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1600x1200 /f >/dev/null 2>&1
    fi
    local fonts=$WINEPREFIX/drive_c/windows/Fonts font
    for font in /usr/share/wine/fonts/marlett.ttf; do
        [ -f "$font" ] && [ ! -f "$fonts/$(basename "$font")" ] && cp "$font" "$fonts/"
    done
    return 0
}

# A Windows view of a path of this machine (Wine maps Z: to /).
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
