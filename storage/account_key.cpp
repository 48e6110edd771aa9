#include "storage/account_key.h"

#include "storage/changement_version.h"
#include "storage/data_files.h"

std::string RecupereCle(FileStore& files, SettingsStore& settings, RandomSource& random) {
    if (std::optional<std::string> stored = ReadStoredKey(files))
        return *stored;
    if (MigrationPending(files)) {
        MigrationOutcome taken = ChangementVersion(files, settings, random);
        if (taken.old_key.size() == 6)
            return taken.Clef;
    }
    return "0";
}

void SupprimeFichiersDonnees(FileStore& files) {
    for (const char* name :
         {kTotalsFileName, kKeyFileName, kPasswordFileName, kOldKeyFileName, kOldDistanceAFileName,
          kOldDistanceBFileName, kOldPasswordFileName, kOldDisplayFileName})
        files.Remove(name);
    for (const char* name : kOldUnreadFileNames)
        files.Remove(name);
}
