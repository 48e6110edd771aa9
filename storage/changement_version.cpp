#include "storage/changement_version.h"

#include "storage/data_files.h"
#include "storage/settings_table.h"

#include <cstdint>

namespace {

std::optional<std::string> ReadOldFile(FileStore& files, const char* name) {
    std::optional<std::string> content = files.ReadAll(name);
    if (!content)
        return std::nullopt;
    return UnwrapOldLine(*content);
}

// The six-character key of the old key file, or "0".
std::string ReadOldKey(FileStore& files) {
    if (std::optional<std::string> wrapped = ReadOldFile(files, kOldKeyFileName))
        if (std::optional<std::string> key = BinaireEnTexte(*wrapped))
            if (key->size() == 6)
                return *key;
    return "0";
}

int32_t ReadOldDistance(FileStore& files, const char* name, const std::string& K,
                        OldDistanceForm form) {
    if (std::optional<std::string> wrapped = ReadOldFile(files, name))
        if (std::optional<std::string> code_text = BinaireEnTexte(*wrapped))
            return DecodeOldDistance(*code_text, K, form);
    return 0;
}

// "0" stays "0"; an unreadable or malformed file gives the empty password.
std::string ReadOldPassword(FileStore& files) {
    std::string wrapped = ReadOldFile(files, kOldPasswordFileName).value_or(std::string());
    if (wrapped == "0")
        return wrapped;
    return BinaireEnTexte(wrapped).value_or(std::string());
}

int Digit(char ch) {
    return ch - '0';
}

} // namespace

bool MigrationPending(FileStore& files) {
    return files.Exists(kOldKeyFileName) && !files.Exists(kMigrationMarkerName);
}

std::optional<std::string> UnwrapOldLine(const std::string& content) {
    const std::string line = FirstLine(content);
    if (line.size() < 5)
        return std::nullopt;
    return line.substr(2, line.size() - 5);
}

std::string OldKeyDigits(const std::string& old_key) {
    int64_t sum = 0;
    for (char ch : old_key)
        sum += static_cast<unsigned char>(ch);
    return std::to_string(8 * sum);
}

int32_t DecodeOldDistance(const std::string& code_text, const std::string& K,
                          OldDistanceForm form) {
    if (code_text.size() != 16 || K.empty())
        return 0;
    auto code = [&](size_t i) {
        return static_cast<int>(static_cast<unsigned char>(code_text[i]));
    };
    const int n = form == OldDistanceForm::A ? code(0) - 65 - Digit(K.front())
                                             : code(0) - 68 - Digit(K.back());
    if (n < 0 || n > 15)
        return 0;
    int64_t distance = 0;
    for (int i = 1; i <= n; ++i) {
        const size_t cycle = static_cast<size_t>(i - 1) % K.size();
        const char key_digit = form == OldDistanceForm::A ? K[K.size() - 1 - cycle] : K[cycle];
        const int digit = code(static_cast<size_t>(i)) - 65 - Digit(key_digit);
        if (digit < 0 || digit > 9)
            return 0;
        distance = distance * 10 + digit;
        if (distance > INT32_MAX)
            return 0;
    }
    return static_cast<int32_t>(distance);
}

MigrationOutcome ChangementVersion(FileStore& files, SettingsStore& settings,
                                   RandomSource& random) {
    MigrationOutcome outcome;
    const std::string old_key = ReadOldKey(files);
    // A key the pair code cannot carry could never be stored: no takeover.
    std::optional<std::string> Clef = old_key == "0" ? std::nullopt : CodePaires(old_key, random);
    if (Clef) {
        outcome.old_key = old_key;
        outcome.Clef = *Clef;

        const std::string K = OldKeyDigits(old_key);
        const int32_t a = ReadOldDistance(files, kOldDistanceAFileName, K, OldDistanceForm::A);
        const int32_t b = ReadOldDistance(files, kOldDistanceBFileName, K, OldDistanceForm::B);
        CounterSet counters;
        SetCount(counters, &CounterValues::Distance, a == b ? a : 0);
        const std::string password = ReadOldPassword(files);

        // Without a key file nothing was taken over: the old files stay for the next start.
        if (EnregistreCle(files, *Clef) != SaveResult::Saved)
            return outcome;
        EnregistreDonnees(files, counters, *Clef, random);
        if (settings.Read(kOldRunEntryPath)) {
            settings.Write(kRunEntryPath, "TheWandrel.exe");
            settings.Delete(kOldRunEntryPath);
        }
        EnregistrePwd(files, password, random);
    }
    for (const char* name : {kOldKeyFileName, kOldDistanceAFileName, kOldDistanceBFileName,
                             kOldDisplayFileName, kOldPasswordFileName})
        files.Remove(name);
    files.Replace(kMigrationMarkerName, "1");
    return outcome;
}
