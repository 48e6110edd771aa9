#include "storage/settings_table.h"

#include <array>
#include <cstdint>

namespace {

constexpr int64_t kInt32Min = INT32_MIN;
constexpr int64_t kInt32Max = INT32_MAX;
using K = SettingKind;

// In the order of the enumeration.
const std::array<SettingInfo, 36> kSettings = {{
    {Setting::Language, "Language", "0", K::Number, 0, 4},
    {Setting::Login, "Login", "", K::Text},
    {Setting::IconMove, "IconMove", "True", K::Boolean},
    {Setting::TransparentIcon, "TransparentIcon", "False", K::Boolean},
    {Setting::Unit, "Unit", "Km", K::Text},
    {Setting::AS, "AS", "none", K::Text},
    {Setting::HAS, "HAS", "0", K::Number, 0, 23},
    {Setting::KmAS, "KmAS", "1", K::Number, 1, 99},
    {Setting::UseProxy, "UseProxy", "False", K::Boolean},
    {Setting::Proxy, "Proxy", "", K::Text},
    {Setting::MoreClics, "MoreClics", nullptr, K::Boolean}, // asked at the first start
    {Setting::DisplayData, "DisplayData", "0123", K::Text},
    {Setting::DTotale, "DTotale", "0", K::Number, kInt32Min, kInt32Max},
    {Setting::TotalTouches, "TotalTouches", "0", K::Number, kInt32Min, kInt32Max},
    {Setting::TotalClicsDroit, "TotalClicsDroit", "0", K::Number, kInt32Min, kInt32Max},
    {Setting::TotalClicsGauche, "TotalClicsGauche", "0", K::Number, kInt32Min, kInt32Max},
    {Setting::TotalClicsSpecial, "TotalClicsSpecial", "0", K::Number, kInt32Min, kInt32Max},
    {Setting::TotalScrolls, "TotalScrolls", "0", K::Number, kInt32Min, kInt32Max},
    {Setting::TotalUptime, "TotalUptime", "0", K::Number, kInt32Min, kInt32Max},
    {Setting::TotalUsetime, "TotalUsetime", "0", K::Number, kInt32Min, kInt32Max},
    {Setting::DDStartOpen, "DDStartOpen", "False", K::Boolean},
    {Setting::DDonTop, "DDonTop", "True", K::Boolean},
    {Setting::DDBackColor, "DDBackColor", "x", K::Text}, // decimal RGB colour or "x"
    {Setting::DDFontColor, "DDFontColor", "x", K::Text},
    {Setting::DDSize, "DDSize", "2", K::Number, -1, 7},
    {Setting::DDTransparency, "DDTransparency", "30", K::Number, 5, 95},
    {Setting::DDCurrent, "DDCurrent", "True", K::Boolean},
    {Setting::DDSpeed, "DDSpeed", "False", K::Boolean},
    {Setting::DDTop, "DDTop", "x", K::Text}, // decimal position or "x"
    {Setting::DDLeft, "DDLeft", "x", K::Text},
    {Setting::Save_logs, "Save_logs", "True", K::Boolean},
    {Setting::Save_dist, "Save_dist", "True", K::Boolean},
    {Setting::Save_distance, "Save_distance", "15", K::Number, 5, 360},
    {Setting::Path, "Path", nullptr, K::Text}, // left for a downloaded update, never read
    {Setting::Server, "Server", "http://127.0.0.1:8035/", K::Text},
    // The counters' guard at the last shutdown: "Clean", or "Tampered" when another program
    // changed the counters in memory during that run. Written only; nothing reads it back.
    {Setting::CounterGuard, "CounterGuard", nullptr, K::Text},
}};

} // namespace

const SettingInfo& InfoOf(Setting setting) {
    return kSettings[static_cast<size_t>(setting)];
}

std::string SettingPath(Setting setting) {
    return kSettingsKey + InfoOf(setting).name;
}

std::string DefaultOf(Setting setting) {
    const char* text = InfoOf(setting).default_text;
    return text ? text : "";
}
