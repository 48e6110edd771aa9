// The activity log: one line per send result or update event, in TheWandrel.log in the
// data folder. Each line is "(" nickname ") " short-date " " HH:MM " > " text, ended by
// CR LF. Whether to log at all (Save_logs) is the caller's decision; the text of the last
// result (LastLog) belongs to the main window.
#pragma once

#include "storage/file_store.h"
#include "storage/settings_store.h"

#include <cstdint>
#include <string>

inline constexpr const char* kLogFileName = "TheWandrel.log";

// The moment a line is written: the date in the system's short date format, and the
// local hour (0 to 23) and minute.
struct LogMoment {
    std::string short_date;
    int hour = 0;
    int minute = 0;
};

class LogClock {
  public:
    virtual ~LogClock() = default;
    virtual LogMoment Now() = 0;
};

// The line without its line end.
std::string LigneLog(const std::string& pseudo, const LogMoment& moment, const std::string& text);

// Appends one line (creating the file); the nickname comes from DonnePseudo. False when
// the line could not be written: the caller goes on without it.
bool Enregistre_log(FileStore& files, SettingsStore& settings, LogClock& clock,
                    const std::string& text);
// The size in kilobytes kept to 2 decimals (a half going to the even digit); 0 when the
// file is missing or unreadable.
float Taille_logs(FileStore& files);
// Deletes the log; a missing log is not an error.
void Supprime_logs(FileStore& files);

// bytes / 1024 rounded to 2 decimals, halves to even.
float KilobytesTwoDecimals(uint64_t bytes);
