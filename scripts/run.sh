#!/usr/bin/env bash
# Builds everything, starts trekhold-server on 127.0.0.1:8035 with a demo account, installs
# the client with its setup program and starts it under Wine: on your display when there is one, else on an Xvfb display
# (screenshots of it go to build/run/screen.png every few seconds). Ctrl-C stops both.
# The client's Wine prefix (build/run/wine) and the server's database (build/run/) are kept
# between runs, as a user's would be.
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$src"
"$src/scripts/install-deps.sh"
"$src/scripts/build.sh"

run=$src/build/run
mkdir -p "$run"
server=$src/build/native/server/trekhold-server
nick=${DEMO_NICK:-walker}
password=${DEMO_PASSWORD:-wandering}

printf '%s\n' "$password" | "$server" account add "$nick" --db "$run/trekhold.db" >/dev/null 2>&1 || true
"$server" --db "$run/trekhold.db" --port 8035 >"$run/server.log" 2>&1 &
server_pid=$!

source "$src/scripts/wine-env.sh"
cleanup() {
    WINEPREFIX=$run/wine "$WANDREL_WINESERVER" -k >/dev/null 2>&1 || true
    kill "$server_pid" 2>/dev/null || true
    [ -n "${shot_pid:-}" ] && kill "$shot_pid" 2>/dev/null
    wandrel_stop_display
}
trap cleanup EXIT INT TERM

had_display=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then had_display=1; fi
wandrel_ensure_display
wandrel_prepare_template
if [ ! -d "$run/wine" ]; then
    wandrel_new_prefix "$run/wine"
fi
export WINEPREFIX=$run/wine

cat <<TEXT

trekhold-server: http://127.0.0.1:8035/  (rankings; log in $run/server.log)
demo account:    nickname "$nick", password "$password"
                 (type them in the installer the first time the client starts)
TEXT
if [ "$had_display" = 0 ]; then
    echo "display:         Xvfb $DISPLAY; screenshots in $run/screen.png"
    (while sleep 3; do import -window root "$run/screen.png" 2>/dev/null; done) &
    shot_pid=$!
fi
echo
# The client as a user's machine has it: installed by the setup program (silently; a client
# of an earlier run that still runs is asked to quit first), then started from its folder.
"$WANDREL_WINE" "$src/build/win/TheWandrelSetup.exe" /S
"$WANDREL_WINE" 'C:\Program Files\TheWandrel\TheWandrel.exe'
# The client runs on after the loader returns when it was already running; wait for it.
WINEPREFIX=$run/wine "$WANDREL_WINESERVER" -w
