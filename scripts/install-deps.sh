#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing).
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
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" </dev/null
