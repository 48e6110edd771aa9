#!/usr/bin/env bash
# Builds everything. (Starting the server and the client under Wine comes with the running
# client.)
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$src/scripts/install-deps.sh"
"$src/scripts/build.sh"
echo "Built: $src/build/win/TheWandrel.exe, $src/build/win/zeptal.dll"
