#include "ui/duration_text.h"

namespace {

std::wstring Word(const LocalWords& words, int id) {
    return words ? words(id) : EnglishDurationWord(id);
}

// "<n> <word>", with a plural "s" when asked for and n > 1.
std::wstring Part(int64_t n, const std::wstring& word, bool plural) {
    std::wstring text = std::to_wstring(n) + L" " + word;
    if (plural && n > 1)
        text += L"s";
    return text;
}

} // namespace

std::wstring EnglishDurationWord(int id) {
    switch (id) {
    case kWordYear:
        return L"Year";
    case kWordDay:
        return L"Day";
    case kWordHour:
        return L"Hour";
    case kWordMin:
        return L"Min";
    default:
        return L"";
    }
}

std::wstring DurationText(int64_t minutes, const LocalWords& words) {
    const int64_t years = minutes / 525600;
    const int64_t whole_days = minutes / 1440;
    const int64_t whole_hours = minutes / 60;
    const int64_t minutes_part = minutes - whole_hours * 60;
    const int64_t hours_part = whole_hours - whole_days * 24;
    const int64_t days_part = whole_days - years * 365;

    std::wstring text;
    if (years > 0)
        text = Part(years, Word(words, kWordYear), true) + L"  ";
    text += Part(days_part, Word(words, kWordDay), true) + L"  ";
    text += Part(hours_part, Word(words, kWordHour), true) + L"  ";
    text += Part(minutes_part, Word(words, kWordMin), false);
    return text;
}

UpUseTimeTexts AfficheUpUseTime(const CounterSet& c, const LocalWords& words) {
    return UpUseTimeTexts{
        DurationText(int64_t{c.UpTime_Ever} + c.UpTime, words),
        DurationText(int64_t{c.UseTime_Ever} + c.UseTime, words),
        DurationText(c.UpTime, words),
        DurationText(c.UseTime, words),
    };
}
