#!/usr/bin/env bash
# Builds everything and runs every test layer:
#   unit (native), unit under ASan+UBSan, Windows tests under Wine, fuzzers (bounded),
#   end-to-end tests (real client under Wine, real server).
# The Debian packages come from scripts/install-deps.sh, run once beforehand.
# Exits non-zero on any failure; the last line counts tests passed and failed.
set -u
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$src"

"$src/scripts/build.sh" || { echo "build failed"; echo "0 passed, 1 failed"; exit 1; }

source "$src/scripts/wine-env.sh"
wandrel_ensure_display || exit 1
trap 'wandrel_stop_display' EXIT
wandrel_prepare_template || exit 1

passed=0
failed=0
layer_failed=()
log_dir=$src/build/test-logs
mkdir -p "$log_dir"

run_ctest() { # name, build dir, extra args
    local name=$1 dir=$2
    shift 2
    echo "== $name"
    local log=$log_dir/$name.log
    (cd "$dir" && ctest --output-on-failure --no-tests=error "$@") 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    local line p f
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -1)
    f=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    local total
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    if [ -n "$line" ]; then
        p=$((total - f))
        passed=$((passed + p))
        failed=$((failed + f))
    fi
    if [ "$rc" -ne 0 ]; then
        layer_failed+=("$name")
        [ -n "$line" ] || failed=$((failed + 1))
    fi
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
run_ctest unit build/native -j "$(nproc)"
run_ctest unit-asan build/asan -j "$(nproc)"
run_ctest win build/win -j 2

if [ -x "$src/tests/fuzz/run.sh" ]; then
    echo "== fuzz"
    if "$src/tests/fuzz/run.sh"; then passed=$((passed + 1)); else failed=$((failed + 1)); layer_failed+=(fuzz); fi
fi

if ls "$src"/tests/e2e/test_*.py >/dev/null 2>&1; then
    echo "== e2e"
    log=$log_dir/e2e.log
    # Two workers, each with its own Xvfb display (the tests mostly wait on Wine).
    /usr/bin/python3 -m pytest -q -p no:cacheprovider -n "${WANDREL_E2E_WORKERS:-2}" \
        "$src/tests/e2e" 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    line=$(grep -E '[0-9]+ (passed|failed)' "$log" | tail -1)
    p=$(grep -oE '[0-9]+ passed' <<<"$line" | grep -oE '[0-9]+' || echo 0)
    f=0
    for n in $(grep -oE '[0-9]+ (failed|errors?)' <<<"$line" | grep -oE '[0-9]+'); do f=$((f + n)); done
    passed=$((passed + ${p:-0}))
    failed=$((failed + ${f:-0}))
    if [ "$rc" -ne 0 ]; then
        layer_failed+=(e2e)
        [ "${f:-0}" -gt 0 ] || failed=$((failed + 1))
    fi
fi

echo
if [ ${#layer_failed[@]} -gt 0 ]; then
    echo "failed layers: ${layer_failed[*]}"
fi
echo "$passed passed, $failed failed"
[ ${#layer_failed[@]} -eq 0 ]
