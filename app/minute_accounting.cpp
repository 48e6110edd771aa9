#include "app/minute_accounting.h"

bool MinuteAccounting(CounterSet& counters, bool& ActiviteMinute, bool EnvoiEnCours) {
    if (EnvoiEnCours)
        return false;
    AddCount(counters, &CounterValues::UpTime, 1);
    if (ActiviteMinute) {
        ActiviteMinute = false;
        AddCount(counters, &CounterValues::UseTime, 1);
    }
    return true;
}
