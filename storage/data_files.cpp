#include "storage/data_files.h"

#include "base/record_fields.h"

#include "storage/changement_version.h"
#include "base/number_text.h"

#include <cstdint>
#include <vector>

namespace {

const char kLineEnd[] = "\r\n";

SaveResult ReplaceLine(FileStore& files, const char* name, const std::string& line) {
    return files.Replace(name, line + kLineEnd) ? SaveResult::Saved : SaveResult::WriteFailed;
}

// The first line of a file, or nothing when it is missing or unreadable.
std::optional<std::string> ReadFirstLine(FileStore& files, const char* name) {
    if (!files.Exists(name))
        return std::nullopt;
    std::optional<std::string> content = files.ReadAll(name);
    if (!content)
        return std::nullopt;
    return FirstLine(*content);
}

void ClearToBeSent(CounterSet& c) {
    c.Distance = c.NbTouches = c.NClics = c.NCGauche = c.NCDroit = c.NCSpecial = 0;
    c.NScrolls = c.UpTime = c.UseTime = 0;
}

} // namespace

std::string TotalsRecord(const CounterSet& c, const std::string& plain_key) {
    std::string record;
    for (int32_t value : {c.Distance, c.NbTouches, c.NCGauche, c.NCDroit, c.NCSpecial, c.NScrolls,
                          c.UpTime, c.UseTime})
        record += std::to_string(value) + "'";
    return record + plain_key + "'35";
}

std::optional<CounterSet> ParseTotalsRecord(const std::string& record,
                                            const std::string& plain_key) {
    std::vector<std::string> fields = SplitAtApostrophes(record);
    if (fields.size() != 10 || fields[8] != plain_key)
        return std::nullopt;
    int32_t values[8];
    for (size_t i = 0; i < 8; ++i) {
        std::optional<int32_t> value = ParseInt32(fields[i]);
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    CounterSet c;
    c.Distance = values[0];
    c.NbTouches = values[1];
    c.NCGauche = values[2];
    c.NCDroit = values[3];
    c.NCSpecial = values[4];
    c.NScrolls = values[5];
    c.UpTime = values[6];
    c.UseTime = values[7];
    const int64_t clicks = int64_t{c.NCDroit} + c.NCGauche + c.NCSpecial;
    if (clicks < INT32_MIN || clicks > INT32_MAX)
        return std::nullopt;
    c.NClics = static_cast<int32_t>(clicks);
    return c;
}

SaveResult EnregistreDonnees(FileStore& files, const CounterSet& counters, const std::string& Clef,
                             RandomSource& random) {
    const std::string record = TotalsRecord(counters, DecodePaires(Clef));
    std::optional<std::string> digits = CrypteAvecClef(record, Clef, random);
    if (!digits)
        return SaveResult::NotEncodable;
    return ReplaceLine(files, kTotalsFileName, *digits);
}

void RecupereDonnees(FileStore& files, CounterSet& counters, const std::string& Clef) {
    std::optional<CounterSet> read;
    if (std::optional<std::string> line = ReadFirstLine(files, kTotalsFileName))
        if (std::optional<std::string> record = DecrypteAvecClef(*line, Clef))
            read = ParseTotalsRecord(*record, DecodePaires(Clef));
    if (!read) {
        ClearToBeSent(counters);
        return;
    }
    counters.Distance = read->Distance;
    counters.NbTouches = read->NbTouches;
    counters.NClics = read->NClics;
    counters.NCGauche = read->NCGauche;
    counters.NCDroit = read->NCDroit;
    counters.NCSpecial = read->NCSpecial;
    counters.NScrolls = read->NScrolls;
    counters.UpTime = read->UpTime;
    counters.UseTime = read->UseTime;
}

bool UsableServerKey(const std::string& Clef) {
    const std::string plain = DecodePaires(Clef);
    if (plain.size() != 6)
        return false;
    for (const char ch : plain) {
        const auto code = static_cast<unsigned char>(ch);
        if (code < 0x21 || code > 0x7E || ch == '\'')
            return false;
    }
    return true;
}

SaveResult EnregistreCle(FileStore& files, const std::string& Clef) {
    return ReplaceLine(files, kKeyFileName, Clef);
}

std::string RecupereCle(FileStore& files, SettingsStore& settings, RandomSource& random) {
    if (std::optional<std::string> line = ReadFirstLine(files, kKeyFileName))
        if (DecodePaires(*line).size() == 6)
            return *line;
    if (MigrationPending(files)) {
        MigrationOutcome taken = ChangementVersion(files, settings, random);
        if (taken.old_key.size() == 6)
            return taken.Clef;
    }
    return "0";
}

SaveResult EnregistrePwd(FileStore& files, const std::string& password, RandomSource& random) {
    std::optional<std::string> coded = CodePaires(password, random);
    if (!coded)
        return SaveResult::NotEncodable;
    return ReplaceLine(files, kPasswordFileName, *coded);
}

std::string RecuperePwd(FileStore& files) {
    if (std::optional<std::string> line = ReadFirstLine(files, kPasswordFileName))
        if (std::optional<std::string> password = DecodePairesStrict(*line))
            return *password;
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
