// Uptime and usetime: one call per tick of the minute timer.
#pragma once

#include "base/counter_set.h"

// Counts one minute of uptime, and one of usetime when input was seen since the last call
// (`ActiviteMinute`, which it then clears). During a sending (`EnvoiEnCours`) nothing is
// counted and the activity flag stays raised, so activity seen meanwhile counts in the first
// minute after the sending. Returns true when it counted: the caller then refreshes the
// uptime and usetime texts of the open dialog or display.
bool MinuteAccounting(CounterSet& counters, bool& ActiviteMinute, bool EnvoiEnCours);
