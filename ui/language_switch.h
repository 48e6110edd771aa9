// The interface language as the settings hold it: read at start-up, and switched by the
// configuration dialog (ComboLangue_Click) with the entries of its language list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class SettingsStore;

// Reads `Language` (writing the default "0" when the value is missing), sets
// LangueCourante from it and returns it. A value outside "0"-"4" is left as it is in the
// store; the program runs in English.
std::uint8_t LoadCurrentLanguage(SettingsStore& store);

// The entries of the configuration dialog's language list, in their order. German (4) is
// not offered: it is used only when `Language` already holds "4", and the list then has
// no entry selected.
struct LanguageChoice {
    const wchar_t* label;
    std::uint8_t index; // the entry's item data
};
inline constexpr LanguageChoice kLanguageChoices[] = {
    {L"English", 0}, {L"Espanol", 3}, {L"Français", 1}, {L"Portugues", 2}};

// The tray menu entries whose captions follow a language change, in menu order:
// Send, DDisplayMenu, McE, MenuDisableIconChange, site, Settings, Quit.
inline constexpr int kTrayMenuTextIds[] = {300, 310, 320, 330, 340, 350, 360};

// A new language chosen in the list: LangueCourante = index, `Language` = its decimal
// text, then the configuration window is relabelled and every tray menu entry of
// kTrayMenuTextIds is given ChaineLocale of its identifier. The dialog ignores the list's
// events while it fills the list itself; this does not know about that.
// An index outside 0-4, or a `Language` that cannot be written, changes nothing and returns
// false (the list then shows the stored language again).
bool ChangeLanguage(
    std::uint8_t index, SettingsStore& store, const std::function<void()>& localise_configuration,
    const std::function<void(int text_id, const std::wstring& caption)>& set_tray_caption);
