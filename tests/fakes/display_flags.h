// The display's line flags from a `DisplayData` text, read as the program reads it.
#pragma once

#include "storage/settings_readers.h"
#include "tests/fakes/memory_stores.h"

#include <string>

inline DisplayFlags DisplayFlagsOf(const std::string& digits) {
    MemorySettingsStore store;
    store.Write(kSettingsKey + "DisplayData", digits);
    DisplayFlags flags;
    RecupereDisplayData(store, flags);
    return flags;
}
