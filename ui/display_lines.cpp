#include "ui/display_lines.h"

#include "storage/settings_table.h"
#include "ui/tray_text.h"

namespace display {

namespace {

std::wstring Padded(int32_t n, size_t width) {
    std::wstring text = std::to_wstring(n);
    if (text.size() < width)
        text.insert(0, width - text.size(), L'0');
    return text;
}

struct EnglishParts {
    std::wstring mi, yd, in;
};

EnglishParts English(const DistanceKmMCm& d, const Units& units) {
    return EnglishParts{
        tray::FormatHundredths(tray::MilesHundredthsFromKm(d.km), units.decimal_separator),
        tray::FormatHundredths(int64_t{d.m} * 110, units.decimal_separator),
        std::to_wstring(int64_t{d.cm} * 100 / 254)};
}

// A counter's line is rebuilt when it moved since the last look, or on request.
bool Changed(int32_t now, int32_t last, const DisplayState& s) {
    return now != last || s.ConfigNeedRefresh || s.LinesNeedRebuild;
}

// The increase since the last look, added to an 8-bit accumulator. A count that went down
// (a sending emptied it) adds nothing.
void Accumulate(uint8_t& accumulator, int32_t now, int32_t last) {
    if (now > last)
        accumulator =
            static_cast<uint8_t>(accumulator + static_cast<uint32_t>(int64_t{now} - int64_t{last}));
}

// One count line (keys, clicks or scrolls) of the refresh tick.
struct CountLine {
    int32_t now;
    int64_t total;
    int32_t& last;
    uint8_t& accumulator;
    bool shown;
    std::wstring& text;
    const wchar_t* suffix;
};

void RefreshCountLine(DisplayState& s, const CountLine& line) {
    if (!s.DDisplay_ouverte)
        return;
    if (s.Display_speed) {
        Accumulate(line.accumulator, line.now, line.last);
    } else if (line.shown) {
        line.text = DisplayCount(s.Display_current ? line.now : line.total) + line.suffix;
        s.DisplayNeedRefresh = true;
    }
}

void SetLabel(InputsLabels* labels, InputsLabel label, const std::wstring& text) {
    if (labels)
        labels->SetLabel(label, text);
}

} // namespace

std::wstring DisplayCount(int64_t n) {
    static const std::wstring kPattern = L"### ### ### ##0";
    return tray::FormatCountPattern(n, kPattern);
}

DistanceKmMCm DecoupeDistance(int64_t distance_cm) {
    DistanceKmMCm d;
    d.km = distance_cm / 100000;
    const int64_t rest = distance_cm - d.km * 100000;
    d.m = static_cast<int32_t>(rest / 100);
    d.cm = static_cast<int32_t>(rest - int64_t{d.m} * 100);
    return d;
}

DistanceKmMCm TotalDistance(const CounterSet& c) {
    const DistanceKmMCm sent = DecoupeDistance(c.Distance);
    DistanceKmMCm total{c.Ever_KmSouris + sent.km, c.Ever_MSouris + sent.m,
                        c.Ever_CmSouris + sent.cm};
    // Carried by division rather than one step at a time: the same result, bounded whatever
    // the stored parts hold.
    if (total.cm >= 100) {
        total.m += total.cm / 100;
        total.cm %= 100;
    }
    if (total.m >= 1000) {
        total.km += total.m / 1000;
        total.m %= 1000;
    }
    return total;
}

std::wstring DisplayDistanceText(const DistanceKmMCm& d, const Units& units) {
    if (units.metric)
        return std::to_wstring(d.km) + L"Km " + Padded(d.m, 3) + L"M " + Padded(d.cm, 2) + L"Cm";
    const EnglishParts e = English(d, units);
    return e.mi + L"Mi " + e.yd + L"Yd " + e.in + L"In";
}

std::wstring InputsDistanceText(const DistanceKmMCm& d, const Units& units) {
    if (units.metric)
        return std::to_wstring(d.km) + L" Km  " + std::to_wstring(d.m) + L" M  " +
               std::to_wstring(d.cm) + L" Cm";
    const EnglishParts e = English(d, units);
    return e.mi + L" Mi  " + e.yd + L" Yd  " + e.in + L" In";
}

std::optional<std::wstring> TimerAffichageD_Tick(DisplayState& s, const CounterSet& c,
                                                 const DisplayFlags& f, const Units& units,
                                                 InputsLabels* labels) {
    if (!s.Config_ouverte)
        labels = nullptr;
    if (s.DDisplay_ouverte || s.Config_ouverte) {
        if (Changed(c.Distance, s.LastDistanceAffiched, s)) {
            s.LastDistanceAffiched = c.Distance;
            const DistanceKmMCm sent = DecoupeDistance(c.Distance);
            const DistanceKmMCm total = TotalDistance(c);
            SetLabel(labels, InputsLabel::distance_courante, InputsDistanceText(sent, units));
            SetLabel(labels, InputsLabel::Distance_totale, InputsDistanceText(total, units));
            if (s.DDisplay_ouverte && !s.Display_speed && f.DDisplay_distance) {
                s.Display_DistanceStr =
                    DisplayDistanceText(s.Display_current ? sent : total, units);
                s.DisplayNeedRefresh = true;
            }
        }

        if (Changed(c.NbTouches, s.LastTouchesAffiched, s)) {
            const int64_t total = int64_t{c.NbTouches} + c.NbTouches_Ever;
            RefreshCountLine(s, {c.NbTouches, total, s.LastTouchesAffiched, s.TotalTouchesSeconde,
                                 f.DDisplay_touches, s.Display_TouchesStr, L" Keys"});
            s.LastTouchesAffiched = c.NbTouches;
            SetLabel(labels, InputsLabel::LTouches, DisplayCount(c.NbTouches));
            SetLabel(labels, InputsLabel::LTotalTouches, DisplayCount(total));
        }

        if (Changed(c.NClics, s.LastClicsAffiched, s)) {
            const int64_t total =
                int64_t{c.NClics} + c.NCDroit_Ever + c.NCGauche_Ever + c.NCSpecial_Ever;
            RefreshCountLine(s, {c.NClics, total, s.LastClicsAffiched, s.TotalClicsSeconde,
                                 f.DDisplay_clics, s.Display_ClicsStr, L" Clicks"});
            s.LastClicsAffiched = c.NClics;
            SetLabel(labels, InputsLabel::LClics, DisplayCount(c.NClics));
            SetLabel(labels, InputsLabel::LGauche, DisplayCount(c.NCGauche));
            SetLabel(labels, InputsLabel::LDroit, DisplayCount(c.NCDroit));
            SetLabel(labels, InputsLabel::LSpecial, DisplayCount(c.NCSpecial));
            SetLabel(labels, InputsLabel::LTotalClics, DisplayCount(total));
            SetLabel(labels, InputsLabel::LTotalGauche,
                     DisplayCount(int64_t{c.NCGauche} + c.NCGauche_Ever));
            SetLabel(labels, InputsLabel::LTotalDroit,
                     DisplayCount(int64_t{c.NCDroit} + c.NCDroit_Ever));
            SetLabel(labels, InputsLabel::LTotalSpecial,
                     DisplayCount(int64_t{c.NCSpecial} + c.NCSpecial_Ever));
        }

        if (Changed(c.NScrolls, s.LastScrollsAffiched, s)) {
            const int64_t total = int64_t{c.NScrolls} + c.NScrolls_Ever;
            RefreshCountLine(s, {c.NScrolls, total, s.LastScrollsAffiched, s.TotalScrollsSeconde,
                                 f.DDisplay_scrolls, s.Display_ScrollsStr, L" Scrolls"});
            s.LastScrollsAffiched = c.NScrolls;
            SetLabel(labels, InputsLabel::LScrolls, DisplayCount(c.NScrolls));
            SetLabel(labels, InputsLabel::LTotalScrolls, DisplayCount(total));
        }
    }

    std::optional<std::wstring> text;
    if (s.DDisplay_ouverte && s.DisplayNeedRefresh) {
        text = DisplayText(s, f);
        s.DisplayNeedRefresh = false;
    }
    s.ConfigNeedRefresh = false;
    s.LinesNeedRebuild = false;
    return text;
}

std::wstring DisplayText(const DisplayState& s, const DisplayFlags& f) {
    const std::pair<bool, const std::wstring*> lines[] = {
        {f.DDisplay_distance, &s.Display_DistanceStr}, {f.DDisplay_touches, &s.Display_TouchesStr},
        {f.DDisplay_clics, &s.Display_ClicsStr},       {f.DDisplay_scrolls, &s.Display_ScrollsStr},
        {f.DDisplay_uptime, &s.Display_UptimeStr},     {f.DDisplay_usetime, &s.Display_UseTimeStr}};
    std::wstring text;
    bool first = true;
    for (const auto& [shown, line] : lines) {
        if (!shown)
            continue;
        if (!first)
            text += L"\r\n";
        text += *line;
        first = false;
    }
    return text;
}

void AfficheUpUseTime(DisplayState& s, const DisplayFlags& f, const UpUseTimeTexts& t,
                      InputsLabels* labels) {
    if (s.Config_ouverte) {
        SetLabel(labels, InputsLabel::LTotalUT, t.total_uptime);
        SetLabel(labels, InputsLabel::LTotalUST, t.total_usetime);
        SetLabel(labels, InputsLabel::LUT, t.current_uptime);
        SetLabel(labels, InputsLabel::LUST, t.current_usetime);
    }
    if (!s.DDisplay_ouverte)
        return;
    if (f.DDisplay_uptime)
        s.Display_UptimeStr = s.Display_current ? t.current_uptime : t.total_uptime;
    if (f.DDisplay_usetime)
        s.Display_UseTimeStr = s.Display_current ? t.current_usetime : t.total_usetime;
}

void EnterSpeedMode(DisplayState& s, const CounterSet& c, bool metric) {
    s.LastDistanceAffiched = c.Distance;
    s.LastClicsAffiched = c.NClics;
    s.LastTouchesAffiched = c.NbTouches;
    s.LastScrollsAffiched = c.NScrolls;
    s.TotalClicsSeconde = s.TotalTouchesSeconde = s.TotalScrollsSeconde = 0;
    s.Display_DistanceStr = metric ? L"0 M/min" : L"0 Yd/min";
    s.Display_ClicsStr = L"0 Clicks/min";
    s.Display_TouchesStr = L"0 Keys/min";
    s.Display_ScrollsStr = L"0 Scrolls/min";
    s.Display_current = false;
    s.Display_speed = true;
    s.DisplayNeedRefresh = true;
}

SpeedTimerChange CycleMode(DisplayState& s, const CounterSet& c, bool metric,
                           SettingsStore& settings) {
    SpeedTimerChange change = SpeedTimerChange::None;
    switch (s.Mode()) {
    case DisplayMode::ToBeSent:
    case DisplayMode::Speed:
        change = s.Display_speed ? SpeedTimerChange::Stop : SpeedTimerChange::None;
        s.Display_current = !s.Display_current;
        s.Display_speed = false;
        s.LastDistanceAffiched = s.LastClicsAffiched = s.LastScrollsAffiched =
            s.LastTouchesAffiched = 0;
        s.LinesNeedRebuild = true;
        s.DisplayNeedRefresh = true;
        break;
    case DisplayMode::Total:
        EnterSpeedMode(s, c, metric);
        change = SpeedTimerChange::Start;
        break;
    }
    settings.Write(SettingPath(Setting::DDCurrent), s.Display_current ? "True" : "False");
    settings.Write(SettingPath(Setting::DDSpeed), s.Display_speed ? "True" : "False");
    return change;
}

} // namespace display
