// The main window's settings readers: each turns a missing value into its default and
// writes that default back. None of them throws; a store that fails to write only means
// the default is asked for again next time.
#pragma once

#include "base/counter_set.h"
#include "base/user_messages.h"
#include "storage/settings_store.h"
#include "storage/settings_table.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Reads HKEY_CURRENT_USER\Software\WDX\ + Param; when missing, writes Defaut there and
// returns it.
std::string RecupereParametre(SettingsStore& store, const std::string& Param,
                              const std::string& Defaut);
// The same with the table's default. A value without a default is returned as read, or
// as the empty text when missing, and nothing is written.
std::string RecupereParametre(SettingsStore& store, Setting setting);

// "True"/"False" in any letter case, or a decimal number (0 is false). Empty otherwise.
std::optional<bool> TexteEnBooleen(const std::string& text);

// A boolean setting; a text that is not a boolean is replaced by the default.
bool RecupereBooleen(SettingsStore& store, Setting setting);
// A number setting within the table's range; a text that is not such a number is
// replaced by the default. `defaut` overrides the table's default (DDSize in the dialog).
int32_t RecupereNombre(SettingsStore& store, Setting setting);
int32_t RecupereNombre(SettingsStore& store, Setting setting, const std::string& defaut);

// MoreClics; when missing (or not a boolean), asks the user whether the mouse is a simple
// one: Yes stores "False", No stores "True". `question_text` gives the question in the
// current language (string 140 of the string table).
bool Recupere_MoreClics(SettingsStore& store, UserMessages& ask,
                        const std::function<std::wstring()>& question_text);
inline constexpr const wchar_t* kMoreClicsTitle = L"TheWandrel: Control more than three buttons?";

// True when the Run\TheWandrel entry exists and is not empty.
bool Recupere_launchwinstart(SettingsStore& store);

// The quantities the distance display shows.
struct DisplayFlags {
    bool DDisplay_distance = false;
    bool DDisplay_touches = false;
    bool DDisplay_clics = false;
    bool DDisplay_scrolls = false;
    bool DDisplay_uptime = false;
    bool DDisplay_usetime = false;
};
// Sets (never clears) the flag of each digit 0 to 5 of DisplayData; 6 to 9 are ignored.
// A missing value or a character that is not a digit stores "0123" and sets distance,
// keystrokes, clicks and scrolls.
void RecupereDisplayData(SettingsStore& store, DisplayFlags& flags);

// DTotale split into Ever_KmSouris / Ever_MSouris / Ever_CmSouris; "0" when missing or
// not a 32-bit number.
void Recupere_Distancetotale(SettingsStore& store, CounterSet& counters);

// One of the seven total values; when missing or not a 32-bit number, writes "0" and
// returns 0.
int32_t Recupere_Ever(SettingsStore& store, const std::string& DataEVer);
// The seven totals in start-up order (TotalTouches ... TotalUsetime) into their counters.
void Recupere_TotauxEver(SettingsStore& store, CounterSet& counters);

// The nickname (Login); empty when missing, nothing written.
std::string DonnePseudo(SettingsStore& store);

// The program folder followed by "TheWandrel.exe", with exactly one "\" between them.
std::wstring StartupCommand(const std::wstring& program_folder);
// At start: rewrites Run\TheWandrel with the current program when the entry is present,
// then deletes the Run\WDX entry of earlier versions (failures ignored).
void MiseAJourDemarrage(SettingsStore& store, const std::wstring& program_folder);
