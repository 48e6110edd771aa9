#include "ui/language_switch_win32.h"

#include "ui/language_switch.h"
#include "base/localisation.h"

void FillLanguageList(HWND combo) {
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const LanguageChoice& choice : kLanguageChoices) {
        // Inserted at the end, so the order holds even in a sorted list.
        const LRESULT at = ::SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(choice.label));
        if (at < 0)
            continue;
        ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), choice.index);
        if (choice.index == LangueCourante)
            ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
}

bool ComboLangue_Click(HWND configuration, HWND combo, SettingsStore& store, HMENU tray_menu,
                       const std::vector<MenuItemText>& tray_items) {
    const LRESULT selected = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return false;
    const LRESULT data = ::SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    if (data < 0 || data >= kLanguageCount)
        return false;
    return ChangeLanguage(
        static_cast<std::uint8_t>(data), store, [configuration] { LocaliseFeuille(configuration); },
        [tray_menu, &tray_items](int text_id, const std::wstring& caption) {
            for (const MenuItemText& item : tray_items)
                if (item.text_id == text_id && tray_menu)
                    SetMenuCaption(tray_menu, item.command, caption);
        });
}
