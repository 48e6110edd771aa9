#include "storage/activity_log.h"

#include "storage/settings_readers.h"

namespace {

std::string TwoDigits(int n) {
    if (n < 0 || n > 99)
        n = 0;
    return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

} // namespace

std::string LigneLog(const std::string& pseudo, const LogMoment& moment, const std::string& text) {
    return "(" + pseudo + ") " + moment.short_date + " " + TwoDigits(moment.hour) + ":" +
           TwoDigits(moment.minute) + " > " + text;
}

bool Enregistre_log(FileStore& files, SettingsStore& settings, LogClock& clock,
                    const std::string& text) {
    const std::string pseudo = DonnePseudo(settings);
    return files.Append(kLogFileName, LigneLog(pseudo, clock.Now(), text) + "\r\n");
}

float KilobytesTwoDecimals(uint64_t bytes) {
    // Hundredths of a kilobyte, exactly: bytes * 100 / 1024 with the remainder kept. The
    // product stays within 64 bits for any file below 160 petabytes.
    const uint64_t scaled = bytes * 100;
    uint64_t hundredths = scaled / 1024;
    const uint64_t remainder = scaled % 1024;
    if (remainder > 512 || (remainder == 512 && hundredths % 2 == 1))
        ++hundredths;
    return static_cast<float>(static_cast<double>(hundredths) / 100.0);
}

float Taille_logs(FileStore& files) {
    std::optional<uint64_t> size = files.Size(kLogFileName);
    return size ? KilobytesTwoDecimals(*size) : 0.0f;
}

void Supprime_logs(FileStore& files) {
    files.Remove(kLogFileName);
}
