# Sourced by the test scripts: one Wine prefix template per run and an Xvfb display.
#
#   WANDREL_WINE_ROOT  where the template and the per-test prefixes live
#                      (default: build/wine under the source tree)
#   wandrel_prepare_template   makes the template once (locked, so parallel callers wait)
#   wandrel_ensure_display     starts Xvfb when DISPLAY is not usable
#   wandrel_new_prefix DIR     copies the template into DIR

WANDREL_SRC=${WANDREL_SRC:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
WANDREL_WINE_ROOT=${WANDREL_WINE_ROOT:-$WANDREL_SRC/build/wine}
WANDREL_SCREEN=${WANDREL_SCREEN:-1024x768}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

if [ -x /usr/lib/wine/wine64 ]; then
    WANDREL_WINE=/usr/lib/wine/wine64
else
    WANDREL_WINE=$(command -v wine64 || command -v wine)
fi
WANDREL_WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

wandrel_ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    # -displayfd lets Xvfb pick a free display itself: no race with other runs.
    local numfile
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${WANDREL_SCREEN}x24" -nolisten tcp 3>"$numfile" \
        >/dev/null 2>&1 &
    WANDREL_XVFB_PID=$!
    local i
    for i in $(seq 1 200); do
        if [ -s "$numfile" ]; then
            export DISPLAY=":$(tr -d '[:space:]' <"$numfile")"
            rm -f "$numfile"
            return 0
        fi
        kill -0 "$WANDREL_XVFB_PID" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$numfile"
    kill "$WANDREL_XVFB_PID" 2>/dev/null
    echo "wine-env: could not start Xvfb" >&2
    return 1
}

wandrel_stop_display() {
    if [ -n "${WANDREL_XVFB_PID:-}" ]; then
        kill "$WANDREL_XVFB_PID" 2>/dev/null
        wait "$WANDREL_XVFB_PID" 2>/dev/null
        WANDREL_XVFB_PID=
    fi
}

# Registry settings every test prefix shares: one virtual desktop covering the screen (so
# DirectInput sees all injected input and windows of different processes meet), no crash
# dialog.
_wandrel_template_reg() {
    cat <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="$WANDREL_SCREEN"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashNotification"=dword:00000000

[HKEY_LOCAL_MACHINE\\Software\\Wine\\WineDbg]
"ShowCrashNotification"=dword:00000000
REG
}

wandrel_prepare_template() {
    local tpl=$WANDREL_WINE_ROOT/template
    mkdir -p "$WANDREL_WINE_ROOT"
    (
        flock 9
        if [ -f "$tpl/.ready" ]; then
            exit 0
        fi
        rm -rf "$tpl"
        mkdir -p "$tpl"
        local reg=$WANDREL_WINE_ROOT/template.reg
        _wandrel_template_reg >"$reg"
        WINEPREFIX=$tpl "$WANDREL_WINE" wineboot -i >/dev/null 2>&1
        WINEPREFIX=$tpl "$WANDREL_WINESERVER" -w
        local try
        for try in 1 2 3; do
            WINEPREFIX=$tpl "$WANDREL_WINE" regedit /S "$reg" >/dev/null 2>&1
            WINEPREFIX=$tpl "$WANDREL_WINESERVER" -w
            if grep -qs '"Desktop"="Default"' "$tpl/user.reg" &&
               grep -qs "\"Default\"=\"$WANDREL_SCREEN\"" "$tpl/user.reg"; then
                touch "$tpl/.ready"
                exit 0
            fi
        done
        # Without the shared virtual desktop the tests would fail in ways far from the cause.
        echo "wine-env: the virtual desktop setting did not land in $tpl/user.reg" >&2
        exit 1
    ) 9>"$WANDREL_WINE_ROOT/template.lock"
}

wandrel_new_prefix() {
    local dir=$1
    rm -rf "$dir"
    mkdir -p "$(dirname "$dir")"
    local tpl=$WANDREL_WINE_ROOT/template
    # The system DLLs are never written: link them; copy everything else.
    mkdir -p "$dir"
    local entry
    for entry in "$tpl"/* "$tpl"/.update-timestamp; do
        [ "$(basename "$entry")" = drive_c ] || cp -a "$entry" "$dir/"
    done
    mkdir -p "$dir/drive_c"
    for entry in "$tpl"/drive_c/*; do
        [ "$(basename "$entry")" = windows ] || cp -a "$entry" "$dir/drive_c/"
    done
    mkdir -p "$dir/drive_c/windows"
    for entry in "$tpl"/drive_c/windows/*; do
        if [ "$(basename "$entry")" = system32 ]; then
            cp -al "$entry" "$dir/drive_c/windows/"
        else
            cp -a "$entry" "$dir/drive_c/windows/"
        fi
    done
    rm -f "$dir/.ready"
}

# Ends every Wine process of a prefix and removes it.
wandrel_drop_prefix() {
    local dir=$1
    WINEPREFIX=$dir "$WANDREL_WINESERVER" -k >/dev/null 2>&1
    rm -rf "$dir"
}
