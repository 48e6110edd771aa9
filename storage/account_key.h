// The account key of this computer, as the start-up finds it: the key file, or else the key
// an earlier version left (taken over once); and the clean slate of the first-run installer.
// Above both the data files and the takeover of earlier versions, which writes through them.
#pragma once

#include "storage/cryptage.h"
#include "storage/file_store.h"
#include "storage/settings_store.h"

#include <string>

// The stored key from the key file when it decodes to six characters; otherwise the key
// taken over from an earlier version (the takeover runs only then, and once); otherwise "0".
std::string RecupereCle(FileStore& files, SettingsStore& settings,
                        RandomSource& random = DefaultRandomSource());

// For the first-run installer: deletes the three files and every file of earlier
// versions, ignoring failures.
void SupprimeFichiersDonnees(FileStore& files);
