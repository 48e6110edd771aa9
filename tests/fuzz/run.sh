#!/usr/bin/env bash
# Builds each fuzzer with clang (libFuzzer + ASan + UBSan) and runs it for a bounded time.
# Exits non-zero when a fuzzer finds a crash, a leak, undefined behaviour or a failed check.
# FUZZ_SECONDS sets the time per fuzzer (default 20).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=$src/build/fuzz
seconds=${FUZZ_SECONDS:-20}
cxx=${FUZZ_CXX:-clang++}
mkdir -p "$out/obj"

flags=(-std=c++17 -g -O1 -Wall -Wextra -Werror -I"$src"
       -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
sources=(storage/cryptage.cpp storage/file_store.cpp storage/data_files.cpp
         storage/changement_version.cpp base/number_text.cpp storage/settings_store.cpp
         storage/settings_table.cpp storage/settings_readers.cpp base/record_fields.cpp
         base/counter_set.cpp ui/display_layout.cpp)

objects=()
for s in "${sources[@]}"; do
    o=$out/obj/$(echo "$s" | tr / _).o
    if [ ! -f "$o" ] || [ "$src/$s" -nt "$o" ] || [ "$0" -nt "$o" ] ||
       [ -n "$(find "$src/storage" "$src/base" "$src/ui" -name '*.h' -newer "$o" 2>/dev/null | head -1)" ]; then
        "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$src/$s" -o "$o"
    fi
    objects+=("$o")
done

# Seeds: well-formed files, so the fuzzers start past the outer checks.
seeds=$out/seeds
rm -rf "$seeds"
mkdir -p "$seeds/fuzz_data_files" "$seeds/fuzz_decode_paires" "$seeds/fuzz_decrypte_envoi" \
    "$seeds/fuzz_display_settings"
python3 - "$seeds" <<'PY'
import os, random, sys
seeds = sys.argv[1]
random.seed(7)
def binary(b): return ''.join(format(c, '08b') for c in b)
def pairs(b):
    out = bytearray()
    for a in b:
        r = random.randint(0, 175 - a)
        out += bytes([a + r, r])
    return binary(out)
def keyed(text, key):
    return pairs(bytes(c ^ key[i % len(key)] for i, c in enumerate(text)))
key = b"K3y9ab"
record = b"125'2'3'4'5'6'7'8'K3y9ab'35"
def write(d, name, data):
    with open(os.path.join(seeds, d, name), 'wb') as f:
        f.write(data)
write("fuzz_data_files", "totals", b"\x00" + keyed(record, key).encode() + b"\r\n")
write("fuzz_data_files", "key", b"\x01" + pairs(key).encode() + b"\r\n")
write("fuzz_data_files", "password", b"\x02" + pairs(b"secret").encode() + b"\r\n")
wrap = lambda t: b"#!" + binary(t).encode() + b"~~~\r\n"
write("fuzz_data_files", "old", b"\x03" + wrap(b"AAAAAA") + b"|" +
      wrap(bytes([71, 66, 69, 71]) + b"............") + b"|" +
      wrap(bytes([71, 69, 68, 72]) + b"%%%%%%%%%%%%") + b"|" + wrap(b"oldpw"))
write("fuzz_decode_paires", "key", pairs(key).encode())
write("fuzz_decode_paires", "zero", b"0")
write("fuzz_decrypte_envoi", "sent", b"NwUJkwJVeJx#")
write("fuzz_display_settings", "top", b"-4500")
write("fuzz_display_settings", "colour", b"16777215")
PY

status=0
for f in "$src"/tests/fuzz/fuzz_*.cpp; do
    name=$(basename "$f" .cpp)
    exe=$out/$name
    "$cxx" "${flags[@]}" -fsanitize=fuzzer "$f" "${objects[@]}" -o "$exe"
    mkdir -p "$out/corpus/$name" "$out/crashes/$name"
    echo "== $name (${seconds}s)"
    if ! "$exe" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$out/crashes/$name/" \
        "$out/corpus/$name" "$seeds/$name" 2>"$out/$name.log"; then
        echo "$name FAILED: see $out/$name.log and $out/crashes/$name/"
        tail -40 "$out/$name.log"
        status=1
    else
        grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$out/$name.log" | tail -1
    fi
done
exit $status
