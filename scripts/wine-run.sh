#!/usr/bin/env bash
# Runs one Windows program under Wine in a fresh copy of the test prefix, then removes the
# copy. Used as CMake's cross-compiling emulator, so every Windows test gets its own prefix.
# WANDREL_KEEP_PREFIX=1 keeps it (its path is printed) for a look afterwards.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

wandrel_ensure_display || exit 1
wandrel_prepare_template || exit 1
prefix=$(mktemp -d "$WANDREL_WINE_ROOT/run.XXXXXX")
wandrel_new_prefix "$prefix"
export WINEPREFIX=$prefix

"$WANDREL_WINE" "$@"
rc=$?

if [ "${WANDREL_KEEP_PREFIX:-0}" = 1 ]; then
    "$WANDREL_WINESERVER" -k >/dev/null 2>&1
    echo "wine-run: prefix kept in $prefix" >&2
else
    wandrel_drop_prefix "$prefix"
fi
wandrel_stop_display
exit $rc
