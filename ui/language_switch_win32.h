// The configuration dialog's language list handler on real windows.
#pragma once

#include <windows.h>

#include "ui/form_localisation_win32.h"

#include <vector>

class SettingsStore;

// Fills the language list (cleared first) with the entries of kLanguageChoices, each with
// its language index as item data, and selects the entry of LangueCourante (none for
// German). The dialog keeps its busy flag set around this call.
void FillLanguageList(HWND combo);

// ComboLangue_Click: takes the selected entry's language, writes `Language`, relabels the
// configuration window (LocaliseFeuille) and gives the tray menu entries listed in
// `tray_items` whose text identifier is one of 300-360 their new captions (none when
// `tray_menu` is null: the settings dialog leaves the menu to the client). False (nothing
// changed) when no entry is selected or its item data is not a language index.
bool ComboLangue_Click(HWND configuration, HWND combo, SettingsStore& store, HMENU tray_menu,
                       const std::vector<MenuItemText>& tray_items);
