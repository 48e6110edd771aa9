// The verdict of the counters' guard over one run (base/counter_set.h says what the guard
// can and cannot catch). Every run begins clean; the first mismatch makes it "tampered"
// for the rest of the run, and the shutdown records it in the settings.
#pragma once

#include "base/counter_set.h"
#include "storage/settings_store.h"

class CounterGuard {
  public:
    // Compares the counters with their shadow. On a mismatch the counters are put back from
    // the shadow (what was written into them is never saved or sent) and the verdict is
    // "tampered". True only for the call that finds the run's first mismatch: the caller
    // then stops counting and logs why.
    bool Check(CounterSet& counters);
    bool tampered() const { return tampered_; }

  private:
    bool tampered_ = false;
};

// The texts of the `CounterGuard` setting.
inline constexpr const char* kVerdictClean = "Clean";
inline constexpr const char* kVerdictTampered = "Tampered";

// Writes the run's verdict to the `CounterGuard` setting.
void EnregistreVerdict(SettingsStore& settings, const CounterGuard& guard);
