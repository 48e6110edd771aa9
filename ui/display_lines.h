// What the distance display shows: the main window's display fields, the refresh that turns
// the counters into line texts (every 100 ms), the uptime and usetime texts and the right
// button's mode cycle. The window itself only shows the text and carries out the decisions.
#pragma once

#include "base/counter_set.h"
#include "ui/duration_text.h"
#include "storage/settings_readers.h"
#include "storage/settings_store.h"
#include "ui/inputs_labels.h"

#include <cstdint>
#include <optional>
#include <string>

namespace display {

// The display pattern of a count: "### ### ### ##0".
std::wstring DisplayCount(int64_t n);

// A distance split into kilometres, metres and centimetres. The kilometres are 64-bit: a
// total of 32,768 km or more stays exact instead of wrapping as a 16-bit part would.
struct DistanceKmMCm {
    int64_t km = 0;
    int32_t m = 0;
    int32_t cm = 0;
};

// `DecoupeDistance`: km = d / 100000, m = the rest / 100, cm = what remains (truncating).
DistanceKmMCm DecoupeDistance(int64_t distance_cm);
// The confirmed total parts plus the to-be-sent distance, then carried: cm past 100 into m,
// m past 1000 into km (the parts are added as they are, so 60 cm + 45 cm carry to 5 cm).
DistanceKmMCm TotalDistance(const CounterSet& counters);

// How numbers are written: metric or English units, and the user's decimal separator.
struct Units {
    bool metric = true;
    std::wstring decimal_separator = L".";
};

// The display's distance line: "12Km 345M 67Cm" (metres padded to 3 digits, centimetres to
// 2) or "7.46Mi 379.5Yd 26In" (mi = km / 1.609 and yd = m x 1.1 to 2 decimals, in = whole
// part of cm / 2.54).
std::wstring DisplayDistanceText(const DistanceKmMCm& d, const Units& units);
// The Inputs page's distance: "12 Km  345 M  67 Cm" or "7.46 Mi  379.5 Yd  26 In".
std::wstring InputsDistanceText(const DistanceKmMCm& d, const Units& units);

enum class DisplayMode { ToBeSent, Total, Speed };

// The main window's fields of the display (their names are the program's own).
struct DisplayState {
    bool DDisplay_ouverte = false;
    bool Config_ouverte = false;    // the dialog's Inputs page is showing
    bool ConfigNeedRefresh = false; // every line and Inputs label at the next tick
    std::wstring Display_DistanceStr, Display_TouchesStr, Display_ClicsStr, Display_ScrollsStr,
        Display_UptimeStr, Display_UseTimeStr;
    int32_t LastDistanceAffiched = 0, LastClicsAffiched = 0, LastScrollsAffiched = 0,
            LastTouchesAffiched = 0;
    bool Display_current = true; // mode To be sent
    bool Display_speed = false;  // mode Speed
    bool DisplayNeedRefresh = false;
    // Gathered for the speed meter while in Speed mode; 8 bits, wrapping at 256.
    uint8_t TotalClicsSeconde = 0, TotalTouchesSeconde = 0, TotalScrollsSeconde = 0;
    // The display's lines must be rebuilt at the next tick even when no counter moved: set
    // when the window opens and on every mode change, so a count that happens to equal the
    // last one seen (0 after a sending, or in a fresh Total mode) still gets its line.
    bool LinesNeedRebuild = false;

    DisplayMode Mode() const {
        return Display_current ? DisplayMode::ToBeSent
                               : (Display_speed ? DisplayMode::Speed : DisplayMode::Total);
    }
};

// `TimerAffichageD_Timer`. Returns the new label text when the display is open and a line
// text changed; writes the Inputs labels while `Config_ouverte` (when `labels` is given).
std::optional<std::wstring> TimerAffichageD_Tick(DisplayState& state, const CounterSet& counters,
                                                 const DisplayFlags& flags, const Units& units,
                                                 InputsLabels* labels);

// The label text: the texts of the lines switched on, in the order distance, keys, clicks,
// scrolls, uptime, usetime, joined by CR LF.
std::wstring DisplayText(const DisplayState& state, const DisplayFlags& flags);

// `AfficheUpUseTime` with its texts computed: the Inputs labels while `Config_ouverte`; the
// open display's lines, the to-be-sent texts in mode To be sent and the totals otherwise.
void AfficheUpUseTime(DisplayState& state, const DisplayFlags& flags, const UpUseTimeTexts& texts,
                      InputsLabels* labels);

// Entering Speed mode: last-seen values from the counters, accumulators emptied, every rate
// line at zero until the speed tick writes it.
void EnterSpeedMode(DisplayState& state, const CounterSet& counters, bool metric);

// What the main window does with its speed timer after a mode change.
enum class SpeedTimerChange { None, Start, Stop };

// The right button: To be sent -> Total -> Speed -> To be sent, writing `DDCurrent` and
// `DDSpeed`. The caller then refreshes the uptime and usetime texts.
SpeedTimerChange CycleMode(DisplayState& state, const CounterSet& counters, bool metric,
                           SettingsStore& settings);

} // namespace display
