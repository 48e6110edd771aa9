#include "app/counter_guard.h"

#include "storage/settings_table.h"

bool CounterGuard::Check(CounterSet& counters) {
    if (CountersIntact(counters))
        return false;
    RestoreFromShadow(counters);
    const bool first = !tampered_;
    tampered_ = true;
    return first;
}

void EnregistreVerdict(SettingsStore& settings, const CounterGuard& guard) {
    settings.Write(SettingPath(Setting::CounterGuard),
                   guard.tampered() ? kVerdictTampered : kVerdictClean);
}
