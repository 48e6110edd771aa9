// LocaliseFeuille, the menu relabelling and the language switch on real windows.
#include "storage/settings_store.h"
#include "tests/fakes/memory_stores.h"
#include "ui/form_localisation_win32.h"
#include "ui/language_switch_win32.h"
#include "base/localisation.h"
#include "win_test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

enum : UINT { kSend = 101, kCounting, kSettings, kQuit, kSite };

std::wstring MenuText(HMENU menu, UINT command) {
    wchar_t buffer[256] = {};
    ::GetMenuStringW(menu, command, buffer, 256, MF_BYCOMMAND);
    return buffer;
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (size_t i = 0; i < items.size(); ++i) {
        wchar_t buffer[256] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
        items[i] = buffer;
    }
    return items;
}

// A settings window like the configuration dialog: caption, button with a tooltip, a list
// localised from its identifier, the language list, a text box without identifier, a label
// inside a frame, and a tray-like popup menu.
class LocalisedWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        LangueCourante = 0;
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        form = wintest::CreateHiddenWindow(L"WandrelLocalisationTest");
        ASSERT_TRUE(form);
        save = Child(form, L"BUTTON", L"design button", 1);
        units = Child(form, L"COMBOBOX", L"", 3, CBS_DROPDOWNLIST);
        languages = Child(form, L"COMBOBOX", L"", 4, CBS_DROPDOWNLIST);
        keep = Child(form, L"EDIT", L"keep me", 5);
        nested = Child(Child(form, L"BUTTON", L"", 6, BS_GROUPBOX), L"STATIC", L"design", 0);
        SetTextId(form, 780);
        SetTextIds(form, {{1, 420}, {3, 680}});
        SetTextId(nested, 570);

        tooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0,
                                    0, form, nullptr, nullptr, nullptr);
        TTTOOLINFOW tool = Tool(const_cast<wchar_t*>(L"design tip"));
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ASSERT_TRUE(::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)));
        SetToolTipTextId(save, 450);

        tray = ::CreatePopupMenu();
        for (const MenuItemText& item : tray_items) {
            ::AppendMenuW(tray, MF_STRING, item.command, std::to_wstring(item.text_id).c_str());
            if (item.command == kSend)
                ::AppendMenuW(tray, MF_SEPARATOR, 0, nullptr);
        }
        sub = ::CreatePopupMenu(); // a submenu, under a caption that is no identifier
        ::AppendMenuW(sub, MF_STRING, kSite, L"340");
        ::AppendMenuW(tray, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"More");
        ::CheckMenuItem(tray, kCounting, MF_CHECKED);
        ::SetMenuDefaultItem(tray, kSend, FALSE);
        SetLocalisedMenu(form, tray);
    }

    void TearDown() override {
        RemoveTextIds(form);
        ::DestroyWindow(form);
        ::DestroyMenu(tray);
        LangueCourante = 0;
    }

    HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, int id, DWORD style = 0) {
        return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 180, 100,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                                 nullptr);
    }

    TTTOOLINFOW Tool(wchar_t* text) {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = form;
        tool.uId = reinterpret_cast<UINT_PTR>(save);
        tool.lpszText = text;
        return tool;
    }

    std::wstring ToolTipText() {
        wchar_t buffer[256] = {};
        TTTOOLINFOW tool = Tool(buffer);
        ::SendMessageW(tooltip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        return buffer;
    }

    const std::vector<MenuItemText> tray_items = {
        {kSend, 300}, {kCounting, 320}, {kSettings, 350}, {kQuit, 360}};
    MemorySettingsStore store;
    HWND form = nullptr, save = nullptr, units = nullptr, languages = nullptr, keep = nullptr,
         nested = nullptr, tooltip = nullptr;
    HMENU tray = nullptr, sub = nullptr;
};

} // namespace

TEST_F(LocalisedWindow, RelabelsEverythingThatCarriesAnIdentifierInEachLanguage) {
    LocaliseFeuille(form);
    EXPECT_EQ(wintest::WindowText(form), L"Settings");
    EXPECT_EQ(wintest::WindowText(save), L"Save");
    EXPECT_EQ(wintest::WindowText(nested), L"Mouse Distance");
    EXPECT_EQ(ComboItems(units), std::vector<std::wstring>{L"To be sent"});
    EXPECT_EQ(ToolTipText(), L"Check Total Data");
    EXPECT_EQ(MenuText(tray, kSend), L"Send");
    EXPECT_EQ(MenuText(sub, kSite), L"Website");
    wchar_t caption[16] = {};
    ::GetMenuStringW(tray, 5, caption, 16, MF_BYPOSITION);
    EXPECT_STREQ(caption, L"More");

    FillLanguageList(languages);
    EXPECT_EQ(ComboItems(languages),
              (std::vector<std::wstring>{L"English", L"Espanol", L"Français", L"Portugues"}));
    EXPECT_EQ(::SendMessageW(languages, CB_GETCURSEL, 0, 0), 0);
    ::SendMessageW(languages, CB_SETCURSEL, 2, 0); // Français
    ASSERT_TRUE(ComboLangue_Click(form, languages, store, tray, tray_items));
    EXPECT_EQ(LangueCourante, 1);
    EXPECT_EQ(store.Read(kSettingsKey + "Language"), "1");
    EXPECT_EQ(wintest::WindowText(form), L"Paramètres");
    EXPECT_EQ(wintest::WindowText(save), L"Enregistrer");
    EXPECT_EQ(wintest::WindowText(nested), L"Distance de la souris");
    EXPECT_EQ(wintest::WindowText(keep), L"keep me");
    EXPECT_EQ(ComboItems(units), (std::vector<std::wstring>{L"To be sent", L"À envoyer"}));
    EXPECT_EQ(ToolTipText(), L"Vérifier les totaux");
    EXPECT_EQ(MenuText(tray, kCounting), L"Comptage activé");
    EXPECT_EQ(MenuText(tray, kQuit), L"Quitter");
    // Relabelling keeps the entries' state.
    EXPECT_EQ(::GetMenuDefaultItem(tray, FALSE, 0), kSend);
    EXPECT_TRUE(::GetMenuState(tray, kCounting, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(::GetMenuItemCount(tray), 6);

    // German has no entry in the list: no selection, and a click without one changes nothing.
    LangueCourante = 4;
    FillLanguageList(languages);
    EXPECT_EQ(::SendMessageW(languages, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_FALSE(ComboLangue_Click(form, languages, store, tray, tray_items));
    EXPECT_EQ(LangueCourante, 4);
    EXPECT_EQ(store.Read(kSettingsKey + "Language"), "1");
}
