// The configuration dialog's rules, apart from its window: the step buttons, the two
// automatic-sending boxes, the display's lines, the start-up entry, the proxy, the logs and
// what closing does to the counting. Each control writes its setting and says what the
// dialog is to show; a write that fails leaves the setting as it was and the dialog shows
// the stored value again.
#pragma once

#include "net/http_fetcher.h"
#include "storage/settings_readers.h"
#include "storage/settings_store.h"
#include "storage/settings_table.h"

#include <cstdint>
#include <optional>
#include <string>

// The five numbers shown beside a pair of step buttons.
enum class StepLabel { As_heure, AS_km, Min_save, ddSize, Transparence };

struct StepRule {
    Setting setting;
    int min;
    int max;
    int step;
    bool wraps; // past an end: the other end (true), or no change (false)
    // What the label shows above the stored number: `DDSize` is stored as the label - 2.
    int label_offset;
};
const StepRule& StepRuleOf(StepLabel label);

// The label after a press of + (`up`) or -; nothing when it stops at an end. A label outside
// the range (a damaged setting) is first brought to the nearest end.
std::optional<int> NextStepValue(StepLabel label, int shown, bool up);

// The label as the setting gives it (its default written back when missing); `DDSize` is
// read with the dialog's default "1", so a stored -1 shows 1.
int StepLabelFromSettings(SettingsStore& store, StepLabel label);

// A press: the new label, written to its setting. Nothing when the label stays (at a stopping
// end) or the write failed; the label then keeps showing the stored value.
std::optional<int> PressStep(SettingsStore& store, StepLabel label, int shown, bool up);

// The two automatic-sending boxes exclude each other: a click on one unchecks the other. The
// clicked box's new state gives `AS` ("H", "K" or "none").
enum class AutoSendBox { Auto_send, AutoSend_km };
struct AutoSendState {
    bool Autos = false;   // Auto_send checked, sending at the hour
    bool AutosKm = false; // AutoSend_km checked, `TimerASKm` running
};
// The state after the click; when `AS` cannot be written the state read back from the
// setting, so the boxes show what is stored.
AutoSendState ClickAutoSend(SettingsStore& store, AutoSendBox box, bool checked);

// `DisplayData`: the digits of the lines shown, 0 distance to 5 usetime; "" for none.
std::string DisplayDataText(const DisplayFlags& flags);
// `EnregistreDisplayData`'s write. False when it failed.
bool EnregistreDisplayData(SettingsStore& store, const DisplayFlags& flags);

// `Winstart`: checked writes the Run entry with the program's path (UTF-16, any folder
// name), unchecked deletes it. Returns whether the entry exists afterwards.
bool ApplyWinstart(SettingsStore& store, const std::wstring& program_folder, bool checked);

// A plain check box: "True" or "False". Returns the state the box is to show: the new one,
// or the stored one when the write failed.
bool WriteCheckBox(SettingsStore& store, Setting setting, bool checked);
// `CE` (English units): `Unit` = "Miles" when checked, "Km" otherwise. Returns whether the
// box is to show checked (the stored value after a failed write).
bool WriteEnglishUnits(SettingsStore& store, bool checked);

// The proxy prompt's default text: the stored proxy, or an example address when none is.
inline constexpr const wchar_t* kProxyExample = L"http://ProxyAdress:80";
std::wstring ProxyPromptDefault(SettingsStore& store);

// `UseProxy` changed. Checked: "True", and the requests go through the stored proxy, or the
// dialog asks for one when none is stored. Unchecked: "False" and a direct connection; the
// stored address is kept for a later check. A failed write changes nothing.
enum class UseProxyOutcome { Direct, Proxied, AskForProxy, NotWritten };
UseProxyOutcome UseProxyChanged(SettingsStore& store, HttpFetcher& http, bool checked);

// `Log_size`: "Logs size:" in the current language, the size in kilobytes as its default
// number text (at most two decimals, no trailing zeros), then " Ko". `kilobytes` comes from
// Taille_logs, already kept to two decimals.
std::wstring LogSizeText(const std::wstring& caption, float kilobytes,
                         const std::wstring& decimal_separator);

// `OpenLogs`: Notepad with the log file, its path quoted (the data folder may hold blanks).
std::wstring OpenLogsCommandLine(const std::wstring& log_path);

// A colour button's outcome: the colour chosen, or the starting one when the chooser was
// closed without a choice; nothing (the setting is not written) when the chooser failed.
std::optional<uint32_t> ColourToStore(bool chosen, bool failed, uint32_t start, uint32_t result);

// What the running client does with its sampling and its pointer device.
class CountingDevices {
  public:
    virtual ~CountingDevices() = default;
    virtual bool CountingOn() = 0; // the tray menu's data-counting item checked
    virtual bool SendingInProgress() const = 0;
    virtual void StopSampling() = 0;
    virtual void ReleaseMouse() = 0;
    virtual void AcquireMouse() = 0;
    virtual void StartSampling() = 0;
};
// The dialog closed: while counting is on, the mouse device is released and acquired afresh
// (the dialog may have taken the pointer from it) with the sampling stopped meanwhile. The
// sampling stays stopped while a sending holds the counts; the keyboard is left as it is.
void ReacquireMouseAfterClosing(CountingDevices& devices);
