#!/usr/bin/env bash
# Builds the fuzzers with clang (build/fuzz: libFuzzer + ASan + UBSan over the same core
# library as the other builds), writes their seeds with the program's own encoders, and runs
# each for a bounded time. Exits non-zero when a fuzzer finds a crash, a leak, undefined
# behaviour or a failed check. FUZZ_SECONDS sets the time per fuzzer (default 20).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=$src/build/fuzz
seconds=${FUZZ_SECONDS:-20}

[ -f "$out/build.ninja" ] ||
    cmake -S "$src" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWANDREL_WERROR=ON \
        -DWANDREL_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$out" -j "${WANDREL_JOBS:-$(nproc)}" --target fuzzers

rm -rf "$out/seeds"
"$out/tests/fuzz/fuzz_seeds" "$out/seeds"

status=0
for exe in "$out"/tests/fuzz/fuzz_*; do
    name=$(basename "$exe")
    [ "$name" != fuzz_seeds ] && [ -f "$exe" ] && [ -x "$exe" ] || continue
    mkdir -p "$out/corpus/$name" "$out/crashes/$name" "$out/seeds/$name"
    echo "== $name (${seconds}s)"
    if ! "$exe" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$out/crashes/$name/" \
        "$out/corpus/$name" "$out/seeds/$name" 2>"$out/$name.log"; then
        echo "$name FAILED: see $out/$name.log and $out/crashes/$name/"
        tail -40 "$out/$name.log"
        status=1
    else
        grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$out/$name.log" | tail -1
    fi
done
exit $status
