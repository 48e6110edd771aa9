// The sampling tick runs at the system timer rate on the UI thread: one full keyboard scan
// plus a pointer movement per tick must stay far below a microsecond.
#include "app/sampling.h"

#include <benchmark/benchmark.h>

namespace {

void BM_SamplingTickMovingAndTyping(benchmark::State& bench) {
    SamplingState state;
    CounterSet counters;
    ResetSampling(state, {0, 0});
    state.MoreClics = true;
    InputSnapshot in;
    int32_t x = 0;
    uint32_t n = 0;
    for (auto _ : bench) {
        ++n;
        x = (x + 7) % 1000;
        in.mouse_dx = 7;
        in.mouse_dy = static_cast<int32_t>(n & 1);
        in.cursor = {x, static_cast<int32_t>(n & 255)};
        in.wheel_delta = (n & 4) ? 120 : 0;
        in.buttons[0] = (n & 8) ? 0x80 : 0;
        // A few keys change every tick, so the scan cannot stop early.
        in.keys[n & 255] = 0x80;
        in.keys[(n + 128) & 255] = 0;
        benchmark::DoNotOptimize(SamplingTick(state, counters, in));
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(counters);
}
BENCHMARK(BM_SamplingTickMovingAndTyping);

} // namespace

BENCHMARK_MAIN();
