// ChangementVersion: takes over, once, the key, password and unsent distance that earlier
// versions left in the data folder, moves their start-with-Windows entry, deletes their
// files and leaves a marker so that it never runs again.
#pragma once

#include "storage/cryptage.h"
#include "storage/file_store.h"
#include "storage/settings_store.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Present once the takeover has run; holds "1".
inline constexpr const char* kMigrationMarkerName = "Migration.done";

// Files of earlier versions, all in the data folder.
inline constexpr const char* kOldKeyFileName = "Cle.tk";
inline constexpr const char* kOldDistanceAFileName = "Di1.tk";
inline constexpr const char* kOldDistanceBFileName = "Di2.tk";
inline constexpr const char* kOldPasswordFileName = "pw.ctk";
inline constexpr const char* kOldDisplayFileName = "Dd.tk";
// Never read; only the first-run installer deletes them.
inline constexpr std::array<const char*, 14> kOldUnreadFileNames = {
    "To1.tk", "To2.tk", "Cg1.tk", "Cg2.tk", "Cd1.tk", "Cd2.tk", "Cs1.tk",
    "Cs2.tk", "Up1.tk", "Up2.tk", "Us1.tk", "Us2.tk", "Cc1.tk", "Cc2.tk"};

struct MigrationOutcome {
    std::string old_key = "0"; // the six-character plain key, or "0"
    std::string Clef = "0";    // its stored form as written to the key file, or "0"
};

// True when an old key file exists and the marker does not.
bool MigrationPending(FileStore& files);

// Runs the takeover. Entered only from RecupereCle (storage/account_key.h).
MigrationOutcome ChangementVersion(FileStore& files, SettingsStore& settings,
                                   RandomSource& random = DefaultRandomSource());

// The steps, exposed for the tests.

// The first line without its first 2 and last 3 characters; nothing when it is shorter
// than 5 characters.
std::optional<std::string> UnwrapOldLine(const std::string& content);
// K: the decimal digits of 8 x the sum of the old key's character codes.
std::string OldKeyDigits(const std::string& old_key);
enum class OldDistanceForm { A, B };
// The distance carried by a 16-character code text; 0 for any other text or any
// character that does not decode to a length 0 to 15 or a digit 0 to 9.
int32_t DecodeOldDistance(const std::string& code_text, const std::string& K, OldDistanceForm form);
