#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing), and the
# npm package of the end-to-end tests.
set -eu
packages=(
    cmake ninja-build g++ pkg-config
    mingw-w64 wine64 xvfb xdotool x11-utils imagemagick
    googletest libgtest-dev libbenchmark-dev
    sqlite3 libsqlite3-dev libcpp-httplib-dev libsodium-dev
    clang libclang-rt-14-dev
    python3-pytest python3-pytest-xdist python3-pytest-timeout
    chromium nsis
    nginx iproute2
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# npm: Debian's, unless a Node.js of another origin brings its own.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
    sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq "${missing[@]}" </dev/null
fi

# The accessibility checker the end-to-end tests load into the browser, exactly as the
# committed lock file names it.
cd "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e"
npm ci --prefer-offline --no-audit --no-fund --loglevel=error
