#include "app/speed_meter.h"

#include "ui/tray_text.h"

#include <numeric>

namespace {

// Stores this second's count in the current slot and writes the sum of the 60 slots.
void RateLine(std::array<uint8_t, 60>& ring, uint8_t slot, uint8_t& accumulator, std::wstring& text,
              const wchar_t* suffix) {
    ring[slot - 1] = accumulator;
    accumulator = 0;
    const uint32_t sum = std::accumulate(ring.begin(), ring.end(), uint32_t{0});
    text = std::to_wstring(sum) + suffix;
}

} // namespace

std::wstring SpeedDistanceText(int64_t delta_cm, const display::Units& units) {
    const int64_t delta = delta_cm > 0 ? delta_cm : 0;
    // Hundredths: 0.6 m and 0.66 yd per centimetre-per-second are exactly 60 and 66.
    const int64_t hundredths = delta * (units.metric ? 60 : 66);
    return tray::FormatHundredths(hundredths, units.decimal_separator) +
           (units.metric ? L" M/min" : L" Yd/min");
}

void TimerVitesse_Timer(SpeedMeter& meter, display::DisplayState& s, const CounterSet& c,
                        const DisplayFlags& f, const display::Units& units) {
    if (!s.DDisplay_ouverte)
        return;
    if (meter.NeedSpeedReinit) {
        meter.VitesseTouches.fill(0);
        meter.VitesseClics.fill(0);
        meter.VitesseScrolls.fill(0);
        meter.NeedSpeedReinit = false;
    }
    meter.CaseVitesse = meter.CaseVitesse < 60 ? static_cast<uint8_t>(meter.CaseVitesse + 1) : 1;

    // The reference follows every second, shown or not, so a line switched on later starts
    // from the last second rather than from the moment Speed mode began.
    const int64_t delta = int64_t{c.Distance} - meter.LastDistanceVitesse;
    meter.LastDistanceVitesse = c.Distance;
    if (f.DDisplay_distance) {
        s.Display_DistanceStr = SpeedDistanceText(delta, units);
        s.DisplayNeedRefresh = true;
    }
    if (f.DDisplay_touches) {
        RateLine(meter.VitesseTouches, meter.CaseVitesse, s.TotalTouchesSeconde,
                 s.Display_TouchesStr, L" Keys/min");
        s.DisplayNeedRefresh = true;
    }
    if (f.DDisplay_clics) {
        RateLine(meter.VitesseClics, meter.CaseVitesse, s.TotalClicsSeconde, s.Display_ClicsStr,
                 L" Clicks/min");
        s.DisplayNeedRefresh = true;
    }
    if (f.DDisplay_scrolls) {
        RateLine(meter.VitesseScrolls, meter.CaseVitesse, s.TotalScrollsSeconde,
                 s.Display_ScrollsStr, L" Scrolls/min");
        s.DisplayNeedRefresh = true;
    }
}
