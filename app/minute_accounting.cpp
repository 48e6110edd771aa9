#include "app/minute_accounting.h"

#include <limits>

namespace {

void AddOneMinute(int32_t& minutes) {
    if (minutes < std::numeric_limits<int32_t>::max())
        ++minutes;
}

} // namespace

bool MinuteAccounting(CounterSet& counters, bool& ActiviteMinute, bool EnvoiEnCours) {
    if (EnvoiEnCours)
        return false;
    AddOneMinute(counters.UpTime);
    if (ActiviteMinute) {
        ActiviteMinute = false;
        AddOneMinute(counters.UseTime);
    }
    return true;
}
