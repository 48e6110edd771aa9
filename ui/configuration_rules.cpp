#include "ui/configuration_rules.h"

#include "base/number_text.h"
#include "base/text_encoding.h"

#include <algorithm>

namespace {

constexpr StepRule kStepRules[] = {
    {Setting::HAS, 0, 23, 1, true, 0},
    {Setting::KmAS, 1, 99, 1, true, 0},
    {Setting::Save_distance, 5, 360, 5, true, 0},
    {Setting::DDSize, 1, 9, 1, false, 2},
    {Setting::DDTransparency, 5, 95, 5, false, 0},
};

AutoSendState StoredAutoSend(SettingsStore& store) {
    const std::string as = RecupereParametre(store, Setting::AS);
    return AutoSendState{as == "H", as == "K"};
}

bool StoredBoolean(SettingsStore& store, Setting setting) {
    const std::optional<std::string> text = store.Read(SettingPath(setting));
    return TexteEnBooleen(text.value_or(DefaultOf(setting))).value_or(false);
}

} // namespace

const StepRule& StepRuleOf(StepLabel label) {
    return kStepRules[static_cast<int>(label)];
}

std::optional<int> NextStepValue(StepLabel label, int shown, bool up) {
    const StepRule& rule = StepRuleOf(label);
    const int current = std::clamp(shown, rule.min, rule.max);
    const int next = up ? current + rule.step : current - rule.step;
    if (next > rule.max)
        return rule.wraps ? std::optional<int>(rule.min) : std::nullopt;
    if (next < rule.min)
        return rule.wraps ? std::optional<int>(rule.max) : std::nullopt;
    return next;
}

int StepLabelFromSettings(SettingsStore& store, StepLabel label) {
    const StepRule& rule = StepRuleOf(label);
    const int stored = label == StepLabel::ddSize
                           ? RecupereNombre(store, rule.setting, kDDSizeDialogDefault)
                           : RecupereNombre(store, rule.setting);
    return stored + rule.label_offset;
}

std::optional<int> PressStep(SettingsStore& store, StepLabel label, int shown, bool up) {
    const std::optional<int> next = NextStepValue(label, shown, up);
    if (!next)
        return std::nullopt;
    const StepRule& rule = StepRuleOf(label);
    if (!store.Write(SettingPath(rule.setting), std::to_string(*next - rule.label_offset)))
        return std::nullopt;
    return next;
}

AutoSendState ClickAutoSend(SettingsStore& store, AutoSendBox box, bool checked) {
    AutoSendState state;
    const char* as = "none";
    if (checked) {
        if (box == AutoSendBox::Auto_send) {
            state.Autos = true;
            as = "H";
        } else {
            state.AutosKm = true;
            as = "K";
        }
    }
    if (!store.Write(SettingPath(Setting::AS), as))
        return StoredAutoSend(store);
    return state;
}

std::string DisplayDataText(const DisplayFlags& flags) {
    const bool shown[] = {flags.DDisplay_distance, flags.DDisplay_touches, flags.DDisplay_clics,
                          flags.DDisplay_scrolls,  flags.DDisplay_uptime,  flags.DDisplay_usetime};
    std::string digits;
    for (int line = 0; line < 6; ++line)
        if (shown[line])
            digits += static_cast<char>('0' + line);
    return digits;
}

bool EnregistreDisplayData(SettingsStore& store, const DisplayFlags& flags) {
    return store.Write(SettingPath(Setting::DisplayData), DisplayDataText(flags));
}

bool ApplyWinstart(SettingsStore& store, const std::wstring& program_folder, bool checked) {
    if (checked)
        store.WriteWide(kRunEntryPath, StartupCommand(program_folder));
    else
        store.Delete(kRunEntryPath);
    return Recupere_launchwinstart(store);
}

bool WriteCheckBox(SettingsStore& store, Setting setting, bool checked) {
    if (store.Write(SettingPath(setting), checked ? "True" : "False"))
        return checked;
    return StoredBoolean(store, setting);
}

bool WriteEnglishUnits(SettingsStore& store, bool checked) {
    if (store.Write(SettingPath(Setting::Unit), checked ? "Miles" : "Km"))
        return checked;
    return RecupereParametre(store, Setting::Unit) == "Miles";
}

std::wstring ProxyPromptDefault(SettingsStore& store) {
    const std::string stored = RecupereParametre(store, Setting::Proxy);
    return stored.empty() ? std::wstring(kProxyExample) : WideFromCp1252(stored);
}

UseProxyOutcome UseProxyChanged(SettingsStore& store, HttpFetcher& http, bool checked) {
    if (!store.Write(SettingPath(Setting::UseProxy), checked ? "True" : "False"))
        return UseProxyOutcome::NotWritten;
    if (!checked) {
        http.SetProxy("");
        return UseProxyOutcome::Direct;
    }
    const std::string proxy = RecupereParametre(store, Setting::Proxy);
    if (proxy.empty())
        return UseProxyOutcome::AskForProxy;
    http.SetProxy(proxy);
    return UseProxyOutcome::Proxied;
}

std::wstring LogSizeText(const std::wstring& caption, float kilobytes,
                         const std::wstring& decimal_separator) {
    const int64_t hundredths = NearestEven(static_cast<double>(kilobytes) * 100.0);
    std::wstring number = std::to_wstring(hundredths / 100);
    int64_t fraction = hundredths % 100;
    if (fraction != 0) {
        std::wstring digits = {static_cast<wchar_t>(L'0' + fraction / 10),
                               static_cast<wchar_t>(L'0' + fraction % 10)};
        if (digits.back() == L'0')
            digits.pop_back();
        number += decimal_separator + digits;
    }
    return caption + L" " + number + L" Ko";
}

std::wstring OpenLogsCommandLine(const std::wstring& log_path) {
    return L"Notepad \"" + log_path + L"\"";
}

std::optional<uint32_t> ColourToStore(bool chosen, bool failed, uint32_t start, uint32_t result) {
    if (chosen)
        return result;
    if (failed)
        return std::nullopt;
    return start;
}

void ReacquireMouseAfterClosing(CountingDevices& devices) {
    if (!devices.CountingOn())
        return;
    devices.StopSampling();
    devices.ReleaseMouse();
    devices.AcquireMouse();
    if (!devices.SendingInProgress())
        devices.StartSampling();
}
