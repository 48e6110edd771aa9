// Every registry value of the program: its name, the default its reader writes back when
// it is missing, and the range a number must lie in. One table; no other file spells a
// value name or a default.
#pragma once

#include "storage/settings_store.h"

#include <cstdint>
#include <string>

enum class Setting {
    Language,
    Login,
    IconMove,
    TransparentIcon,
    Unit,
    AS,
    HAS,
    KmAS,
    UseProxy,
    Proxy,
    MoreClics,
    DisplayData,
    DTotale,
    TotalTouches,
    TotalClicsDroit,
    TotalClicsGauche,
    TotalClicsSpecial,
    TotalScrolls,
    TotalUptime,
    TotalUsetime,
    DDStartOpen,
    DDonTop,
    DDBackColor,
    DDFontColor,
    DDSize,
    DDTransparency,
    DDCurrent,
    DDSpeed,
    DDTop,
    DDLeft,
    Save_logs,
    Save_dist,
    Save_distance,
    Path,
    Server,
    CounterGuard,
};

enum class SettingKind {
    Text,    // any text
    Boolean, // "True" / "False"
    Number,  // decimal, within [min, max]
};

struct SettingInfo {
    Setting id;
    const char* name;
    const char* default_text; // nullptr: no default (never written by a reader)
    SettingKind kind;
    int64_t min = 0;
    int64_t max = 0;
};

const SettingInfo& InfoOf(Setting setting);
// The full value path under the program's key.
std::string SettingPath(Setting setting);
// The default as a text; empty for a value without one.
std::string DefaultOf(Setting setting);

// The display size as the configuration dialog reads it first (the display reads "2").
inline constexpr const char* kDDSizeDialogDefault = "1";

// The start-with-Windows entry, the entry of earlier versions, and the language the setup
// program chose ("1036" means French).
inline const std::string kRunEntryPath = kRunKey + "TheWandrel";
inline const std::string kOldRunEntryPath = kRunKey + "WDX";
inline const std::string kSetupLanguagePath =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "TheWandrel\\NSIS:Language";
