#include "app/schedule.h"

#include "base/number_text.h"
#include "storage/settings_readers.h"

LocalTime TickClock::Now() const {
    const int64_t minutes = (start_.hour * 60 + start_.minute + ticks_) % (24 * 60);
    return LocalTime{static_cast<int>(minutes / 60), static_cast<int>(minutes % 60)};
}

std::optional<LocalTime> ParseClockTime(const std::string& text) {
    auto digit = [&](size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (text.size() != 5 || text[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4))
        return std::nullopt;
    const int hour = (text[0] - '0') * 10 + (text[1] - '0');
    const int minute = (text[3] - '0') * 10 + (text[4] - '0');
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return LocalTime{hour, minute};
}

AutoSendMode ParseAutoSend(const std::string& as) {
    AutoSendMode mode;
    if (as == "H")
        mode.Autos = true;
    else if (as == "K")
        mode.AutosKm = true;
    return mode;
}

uint8_t SettingAsByte(const std::string& text, uint8_t fallback) {
    auto value = ParseInt64(text);
    if (!value || *value < 0 || *value > 255)
        return fallback;
    return static_cast<uint8_t>(*value);
}

MinuteTickDecision MinuteTick(ScheduleState& state, bool countingEnabled, bool sending,
                              const Clock& clock, const SettingReader& readSetting) {
    MinuteTickDecision decision;
    decision.timer1Enabled = countingEnabled && !sending;

    if (state.Autos) {
        const LocalTime now = clock.Now();
        decision.send = now.hour == state.Hautos && now.minute == 0;
    }

    if (TexteEnBooleen(readSetting(Setting::Save_dist)).value_or(false)) {
        // A damaged interval saves at the default pace rather than never or constantly.
        auto interval = ParseInt64(readSetting(Setting::Save_distance));
        if (!interval || *interval < 0 || *interval > INT16_MAX)
            interval = ParseInt64(DefaultOf(Setting::Save_distance));
        const int64_t n = interval.value_or(0);
        if (state.Min_save_actuelle < n) {
            ++state.Min_save_actuelle;
        } else if (!sending) {
            decision.save = true;
            state.Min_save_actuelle = 0;
        }
    }
    return decision;
}

bool DistanceTickShouldSend(uint8_t Kautos, int32_t Distance) {
    const int32_t t = int32_t{Kautos} * 100000;
    return t <= Distance && Distance <= t + 2000;
}
