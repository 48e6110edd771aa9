#include "storage/log_clock_win32.h"

#include "base/text_encoding.h"

#include <windows.h>

LogMoment SystemLogClock::Now() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    LogMoment moment;
    moment.hour = now.wHour;
    moment.minute = now.wMinute;
    wchar_t date[128];
    const int n = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 128);
    // The log is code page 1252 text; a character it cannot carry becomes "?".
    if (n > 1)
        moment.short_date = Cp1252FromWide(std::wstring_view(date, static_cast<size_t>(n - 1)));
    return moment;
}
