// Hostile data files: the totals data file, the key file, the password file and the files
// of earlier versions. The first byte picks which file the rest of the input becomes.
#include "fixed_random.h"
#include "storage/changement_version.h"
#include "tests/fakes/memory_stores.h"
#include "storage/account_key.h"
#include "storage/data_files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using fuzz::FixedRandom;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    MemoryFileStore files;
    MemorySettingsStore settings;
    FixedRandom random;
    switch (data[0] % 4) {
    case 0: {
        files.Replace(kTotalsFileName, input);
        CounterSet c;
        RecupereDonnees(files, c, fuzz::FuzzKey());
        Check(c.NClics ==
              static_cast<int32_t>(static_cast<int64_t>(c.NCGauche) + c.NCDroit + c.NCSpecial));
        if (std::optional<std::string> plain = DecrypteAvecClef(input, fuzz::FuzzKey()))
            Check(plain->size() == (input.size() + 7) / 8 / 2);
        break;
    }
    case 1: {
        files.Replace(kKeyFileName, input);
        const std::string key = RecupereCle(files, settings, random);
        Check(key == "0" || DecodePaires(key).size() == 6);
        break;
    }
    case 2: {
        files.Replace(kPasswordFileName, input);
        RecuperePwd(files);
        break;
    }
    default: {
        // Old key, first and second distance file, password, separated by "|".
        const char* names[] = {kOldKeyFileName, kOldDistanceAFileName, kOldDistanceBFileName,
                               kOldPasswordFileName};
        size_t start = 0;
        for (const char* name : names) {
            size_t end = input.find('|', start);
            if (end == std::string::npos)
                end = input.size();
            files.Replace(name, input.substr(start, end - start));
            start = end < input.size() ? end + 1 : end;
        }
        settings.Write(kRunKey + "WDX", "x");
        const std::string key = RecupereCle(files, settings, random);
        Check(files.Exists(kMigrationMarkerName));
        Check(!files.Exists(kOldKeyFileName));
        if (key != "0") {
            CounterSet c;
            RecupereDonnees(files, c, key);
            Check(c.Distance >= 0);
        }
        break;
    }
    }
    return 0;
}
