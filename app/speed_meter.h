// The speed meter `TimerVitesse` (once a second while the display shows speeds): mouse speed
// from the distance of the last second, keys, clicks and scrolls as sums over the last 60
// seconds.
#pragma once

#include "base/counter_set.h"
#include "storage/settings_readers.h"
#include "ui/display_lines.h"

#include <array>
#include <cstdint>

struct SpeedMeter {
    // Rings of 60 one-second slots; `CaseVitesse` is 0 before the first tick, then 1 to 60.
    std::array<uint8_t, 60> VitesseTouches{};
    std::array<uint8_t, 60> VitesseClics{};
    std::array<uint8_t, 60> VitesseScrolls{};
    uint8_t CaseVitesse = 0;
    // Set by the display when it enters Speed mode: the rings are emptied at the next tick.
    bool NeedSpeedReinit = false;
    // `Distance` at the previous speed tick. The meter's own: the display's 100 ms refresh
    // keeps its last-seen distance apart, so the speed covers one whole second.
    int32_t LastDistanceVitesse = 0;

    // Entering Speed mode with `Distance` as it is now.
    void Start(int32_t distance) {
        LastDistanceVitesse = distance;
        NeedSpeedReinit = true;
    }
};

// The distance rate for `delta_cm` centimetres in one second: x 0.6 "M/min" or x 0.66
// "Yd/min", to 2 decimals without trailing zeros. A negative change (a sending emptied the
// distance) reads as 0.
std::wstring SpeedDistanceText(int64_t delta_cm, const display::Units& units);

// One tick of `TimerVitesse`. Only the lines the display shows are computed; the
// accumulator of a hidden line is left as it is.
void TimerVitesse_Timer(SpeedMeter& meter, display::DisplayState& state, const CounterSet& counters,
                        const DisplayFlags& flags, const display::Units& units);
