#include "storage/log_clock_win32.h"

#include <windows.h>

LogMoment SystemLogClock::Now() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    LogMoment moment;
    moment.hour = now.wHour;
    moment.minute = now.wMinute;
    wchar_t date[128];
    const int n = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 128);
    if (n > 1) {
        // The log is code page 1252 text; a character it cannot carry becomes "?".
        char narrow[256];
        const int bytes =
            ::WideCharToMultiByte(1252, 0, date, n - 1, narrow, sizeof narrow, "?", nullptr);
        if (bytes > 0)
            moment.short_date.assign(narrow, static_cast<size_t>(bytes));
    }
    return moment;
}
