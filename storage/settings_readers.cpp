#include "storage/settings_readers.h"

#include "base/number_text.h"

#include <cctype>
#include <utility>

namespace {

std::string Lower(std::string text) {
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

bool InRange(const SettingInfo& info, int64_t value) {
    return value >= info.min && value <= info.max;
}

} // namespace

std::string RecupereParametre(SettingsStore& store, const std::string& Param,
                              const std::string& Defaut) {
    const std::string path = kSettingsKey + Param;
    if (std::optional<std::string> value = store.Read(path))
        return *value;
    store.Write(path, Defaut);
    return Defaut;
}

std::string RecupereParametre(SettingsStore& store, Setting setting) {
    const SettingInfo& info = InfoOf(setting);
    if (!info.default_text)
        return store.Read(SettingPath(setting)).value_or(std::string());
    return RecupereParametre(store, info.name, info.default_text);
}

std::optional<bool> TexteEnBooleen(const std::string& text) {
    const std::string lower = Lower(text);
    if (lower == "true")
        return true;
    if (lower == "false")
        return false;
    if (std::optional<int64_t> number = ParseInt64(text))
        return *number != 0;
    return std::nullopt;
}

bool RecupereBooleen(SettingsStore& store, Setting setting) {
    if (std::optional<bool> value = TexteEnBooleen(RecupereParametre(store, setting)))
        return *value;
    const std::string defaut = DefaultOf(setting);
    store.Write(SettingPath(setting), defaut);
    return TexteEnBooleen(defaut).value_or(false);
}

int32_t RecupereNombre(SettingsStore& store, Setting setting) {
    return RecupereNombre(store, setting, DefaultOf(setting));
}

int32_t RecupereNombre(SettingsStore& store, Setting setting, const std::string& defaut) {
    const SettingInfo& info = InfoOf(setting);
    std::optional<int64_t> value = ParseInt64(RecupereParametre(store, info.name, defaut));
    if (value && InRange(info, *value))
        return static_cast<int32_t>(*value);
    store.Write(SettingPath(setting), defaut);
    return static_cast<int32_t>(ParseInt64(defaut).value_or(0));
}

bool Recupere_MoreClics(SettingsStore& store, UserMessages& ask,
                        const std::function<std::wstring()>& question_text) {
    const std::string path = SettingPath(Setting::MoreClics);
    if (std::optional<std::string> text = store.Read(path))
        if (std::optional<bool> value = TexteEnBooleen(*text))
            return *value;
    // The question is whether the mouse is a simple one: Yes means no extra buttons.
    const bool simple_mouse = ask.Show(question_text(), kMoreClicsTitle, MessageButtons::YesNo,
                                       MessageIcon::Question) == MessageAnswer::Yes;
    store.Write(path, simple_mouse ? "False" : "True");
    return !simple_mouse;
}

bool Recupere_launchwinstart(SettingsStore& store) {
    std::optional<std::wstring> entry = store.ReadWide(kRunEntryPath);
    return entry && !entry->empty();
}

void RecupereDisplayData(SettingsStore& store, DisplayFlags& flags) {
    bool* const by_index[6] = {&flags.DDisplay_distance, &flags.DDisplay_touches,
                               &flags.DDisplay_clics,    &flags.DDisplay_scrolls,
                               &flags.DDisplay_uptime,   &flags.DDisplay_usetime};
    const std::string path = SettingPath(Setting::DisplayData);
    std::optional<std::string> value = store.Read(path);
    bool valid = value.has_value();
    if (valid) {
        for (char ch : *value) {
            if (ch < '0' || ch > '9') {
                valid = false;
                break;
            }
            if (ch <= '5')
                *by_index[ch - '0'] = true;
        }
    }
    if (!valid) {
        store.Write(path, DefaultOf(Setting::DisplayData));
        for (int i = 0; i < 4; ++i)
            *by_index[i] = true;
    }
}

void Recupere_Distancetotale(SettingsStore& store, CounterSet& counters) {
    const std::string path = SettingPath(Setting::DTotale);
    // Read in 64 bits: the sending writes the sum of the three parts, which passes 32 bits
    // beyond 21,474 km, and such a total must not read as damaged and be wiped.
    std::optional<int64_t> total;
    if (std::optional<std::string> text = store.Read(path))
        total = ParseInt64(*text);
    if (!total) {
        store.Write(path, "0");
        total = 0;
    }
    SetDistanceTotal(counters, SplitCentimetres(*total));
}

int32_t Recupere_Ever(SettingsStore& store, const std::string& DataEVer) {
    const std::string path = kSettingsKey + DataEVer;
    if (std::optional<std::string> text = store.Read(path))
        if (std::optional<int32_t> value = ParseInt32(*text))
            return *value;
    store.Write(path, "0");
    return 0;
}

void Recupere_TotauxEver(SettingsStore& store, CounterSet& c) {
    // In the order the values are read.
    static const std::pair<Setting, int32_t CounterValues::*> kTotals[] = {
        {Setting::TotalTouches, &CounterValues::NbTouches_Ever},
        {Setting::TotalClicsDroit, &CounterValues::NCDroit_Ever},
        {Setting::TotalClicsGauche, &CounterValues::NCGauche_Ever},
        {Setting::TotalClicsSpecial, &CounterValues::NCSpecial_Ever},
        {Setting::TotalScrolls, &CounterValues::NScrolls_Ever},
        {Setting::TotalUptime, &CounterValues::UpTime_Ever},
        {Setting::TotalUsetime, &CounterValues::UseTime_Ever},
    };
    for (const auto& [setting, field] : kTotals)
        SetCount(c, field, Recupere_Ever(store, InfoOf(setting).name));
}

std::string DonnePseudo(SettingsStore& store) {
    return store.Read(SettingPath(Setting::Login)).value_or(std::string());
}

std::wstring StartupCommand(const std::wstring& program_folder) {
    std::wstring command = program_folder;
    if (command.empty() || command.back() != L'\\')
        command += L'\\';
    return command + L"TheWandrel.exe";
}

void MiseAJourDemarrage(SettingsStore& store, const std::wstring& program_folder) {
    if (Recupere_launchwinstart(store))
        store.WriteWide(kRunEntryPath, StartupCommand(program_folder));
    store.Delete(kOldRunEntryPath);
}
