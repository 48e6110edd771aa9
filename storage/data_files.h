// The three small records the client keeps in its data folder:
//  - the totals data file: the counts not yet sent, as a ten-field record enciphered with
//    the keyed cipher and the account key;
//  - the key file: the account key in its stored (pair-coded) form;
//  - the password file: the pair-coded password.
// Each file holds one line ended by CR LF, and is replaced as a whole on every write.
#pragma once

#include "base/counter_set.h"
#include "storage/cryptage.h"
#include "storage/file_store.h"
#include "storage/settings_store.h"

#include <optional>
#include <string>

inline constexpr const char* kTotalsFileName = "Totals.dat";
inline constexpr const char* kKeyFileName = "Key.dat";
inline constexpr const char* kPasswordFileName = "Password.dat";

enum class SaveResult {
    Saved,
    NotEncodable, // the text has characters the pair code cannot carry (codes 176 to 255),
                  // or there is no account key to encipher with
    WriteFailed,  // the file could not be replaced; its earlier content is intact
};

// The to-be-sent counters, the plain key and "35", joined by "'".
std::string TotalsRecord(const CounterSet& counters, const std::string& plain_key);
// The counters of a record, or nothing unless it has exactly ten fields, field 9 is the
// plain key and fields 1 to 8 are 32-bit numbers whose click sum fits 32 bits.
std::optional<CounterSet> ParseTotalsRecord(const std::string& record,
                                            const std::string& plain_key);

SaveResult EnregistreDonnees(FileStore& files, const CounterSet& counters, const std::string& Clef,
                             RandomSource& random = DefaultRandomSource());
// Sets the nine to-be-sent counters (NClics included) from the totals data file, or to 0
// when the file is missing, unreadable, or not a valid record for this key.
void RecupereDonnees(FileStore& files, CounterSet& counters, const std::string& Clef);

// Whether a key the server sends (stored form) can serve this client: its plain key is six
// printable ASCII characters other than the apostrophe. A longer or shorter key, an
// apostrophe (it would split the records) or a code above 127 (the keyed cipher could no
// longer write the totals data file) is refused like any other faulty answer.
bool UsableServerKey(const std::string& Clef);

SaveResult EnregistreCle(FileStore& files, const std::string& Clef);
// The stored key from the key file when it decodes to six characters (RecupereCle, in
// storage/account_key.h, also looks at what an earlier version left).
std::optional<std::string> ReadStoredKey(FileStore& files);

SaveResult EnregistrePwd(FileStore& files, const std::string& password,
                         RandomSource& random = DefaultRandomSource());
// The plain password, or "0" when the file is missing, unreadable or not a pair code.
std::string RecuperePwd(FileStore& files);
