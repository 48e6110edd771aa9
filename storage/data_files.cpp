#include "storage/data_files.h"

#include "base/record_fields.h"

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

} // namespace

std::string TotalsRecord(const CounterSet& c, const std::string& plain_key) {
    std::string record;
    for (int32_t value : ToBeSent(c).Fields())
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
    const SentCounts read{values[0], values[1], values[2], values[3],
                          values[4], values[5], values[6], values[7]};
    const int64_t clicks = int64_t{read.NCDroit} + read.NCGauche + read.NCSpecial;
    if (clicks < INT32_MIN || clicks > INT32_MAX)
        return std::nullopt;
    CounterSet c;
    GiveBack(c, read); // into zero counts: the values as read, NClics their sum
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
    ClearToBeSent(counters);
    if (read)
        GiveBack(counters, ToBeSent(*read));
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

std::optional<std::string> ReadStoredKey(FileStore& files) {
    if (std::optional<std::string> line = ReadFirstLine(files, kKeyFileName))
        if (DecodePaires(*line).size() == 6)
            return line;
    return std::nullopt;
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
