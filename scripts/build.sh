#!/usr/bin/env bash
# Builds the three configurations: native, native with ASan+UBSan, Windows (mingw-w64).
# Warnings are errors in all of them.
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$src"
jobs=${WANDREL_JOBS:-$(nproc)}

configure() { # dir, extra args...
    local dir=$1
    shift
    [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja -DWANDREL_WERROR=ON "$@" >/dev/null
}
configure build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
configure build/asan -DCMAKE_BUILD_TYPE=Debug -DWANDREL_SANITIZE=ON
configure build/win -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

for dir in ${WANDREL_BUILDS:-build/native build/asan build/win}; do
    echo "== building $dir"
    cmake --build "$dir" -j "$jobs"
done
