// LocaliseFeuille, the menu relabelling and the language switch on real windows.
#include "storage/settings_store.h"
#include "ui/form_localisation_win32.h"
#include "ui/language_switch_win32.h"
#include "ui/localisation.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

enum : UINT {
    kSend = 101,
    kDisplay,
    kCounting,
    kIconChange,
    kSite,
    kSettings,
    kQuit,
};

std::wstring TextOf(HWND window) {
    wchar_t buffer[256] = {};
    ::GetWindowTextW(window, buffer, 256);
    return buffer;
}

std::wstring MenuText(HMENU menu, UINT command) {
    wchar_t buffer[256] = {};
    ::GetMenuStringW(menu, command, buffer, 256, MF_BYCOMMAND);
    return buffer;
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const auto count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t buffer[256] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(buffer));
        items.push_back(buffer);
    }
    return items;
}

// A settings window like the configuration dialog: caption, button, label, a list
// localised from its identifier, the language list, a text box without identifier, a
// label inside a frame, a tooltip and a tray-like popup menu.
class LocalisedWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        LangueCourante = 0;
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"WandrelLocalisationTest";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        ::RegisterClassW(&wc);
        form = ::CreateWindowExW(0, wc.lpszClassName, L"design caption", WS_OVERLAPPEDWINDOW, 40,
                                 40, 420, 260, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(form);
        save = Child(L"BUTTON", L"design button", 10, 10, 180, 26, 1);
        label = Child(L"STATIC", L"design label", 10, 46, 180, 20, 2);
        units = Child(L"COMBOBOX", L"", 200, 10, 180, 120, 3, CBS_DROPDOWNLIST | WS_VSCROLL);
        languages = Child(L"COMBOBOX", L"", 200, 46, 180, 120, 4, CBS_DROPDOWNLIST);
        keep = Child(L"EDIT", L"keep me", 10, 76, 180, 22, 5, WS_BORDER);
        HWND frame = Child(L"BUTTON", L"", 10, 106, 380, 60, 6, BS_GROUPBOX);
        nested = ::CreateWindowExW(0, L"STATIC", L"design nested", WS_CHILD | WS_VISIBLE, 10, 20,
                                   300, 20, frame, nullptr, nullptr, nullptr);
        SetTextId(form, 780);
        SetTextIds(form, {{1, 420}, {2, 560}, {3, 680}});
        SetTextId(nested, 570);

        tooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0,
                                    0, form, nullptr, nullptr, nullptr);
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = form;
        tool.uId = reinterpret_cast<UINT_PTR>(save);
        tool.lpszText = const_cast<wchar_t*>(L"design tip");
        ASSERT_TRUE(::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)));
        SetToolTipTextId(save, 450);

        tray = ::CreatePopupMenu();
        ::AppendMenuW(tray, MF_STRING, kSend, L"300");
        ::AppendMenuW(tray, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(tray, MF_STRING, kDisplay, L"310");
        ::AppendMenuW(tray, MF_STRING | MF_CHECKED, kCounting, L"320");
        ::AppendMenuW(tray, MF_STRING, kIconChange, L"330");
        ::AppendMenuW(tray, MF_STRING, kSite, L"340");
        ::AppendMenuW(tray, MF_STRING, kSettings, L"350");
        ::AppendMenuW(tray, MF_STRING, kQuit, L"360");
        ::SetMenuDefaultItem(tray, kSend, FALSE);
        SetLocalisedMenu(form, tray);
    }

    void TearDown() override {
        RemoveTextIds(form);
        ::DestroyWindow(form);
        ::DestroyMenu(tray);
        LangueCourante = 0;
    }

    HWND Child(const wchar_t* cls, const wchar_t* text, int x, int y, int w, int h, int id,
               DWORD style = 0) {
        return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                                 nullptr);
    }

    std::wstring ToolTipText() {
        wchar_t buffer[256] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = form;
        tool.uId = reinterpret_cast<UINT_PTR>(save);
        tool.lpszText = buffer;
        ::SendMessageW(tooltip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        return buffer;
    }

    const std::vector<MenuItemText> tray_items = {
        {kSend, 300}, {kDisplay, 310},  {kCounting, 320}, {kIconChange, 330},
        {kSite, 340}, {kSettings, 350}, {kQuit, 360}};
    MemorySettingsStore store;
    HWND form = nullptr, save = nullptr, label = nullptr, units = nullptr, languages = nullptr,
         keep = nullptr, nested = nullptr, tooltip = nullptr;
    HMENU tray = nullptr;
};

} // namespace

TEST_F(LocalisedWindow, RelabelsEverythingThatCarriesAnIdentifier) {
    LocaliseFeuille(form);
    EXPECT_EQ(TextOf(form), L"Settings");
    EXPECT_EQ(TextOf(save), L"Save");
    EXPECT_EQ(TextOf(label), L"Language:");
    EXPECT_EQ(TextOf(nested), L"Mouse Distance");
    EXPECT_EQ(TextOf(keep), L"keep me");
    EXPECT_EQ(ComboItems(units), std::vector<std::wstring>{L"To be sent"});
    EXPECT_TRUE(ComboItems(languages).empty());
    EXPECT_EQ(ToolTipText(), L"Check Total Data");
    EXPECT_EQ(MenuText(tray, kSend), L"Send");
    EXPECT_EQ(MenuText(tray, kQuit), L"Exit");
}

TEST_F(LocalisedWindow, LanguageSwitchRelabelsTheWindowAndTheTrayMenu) {
    LocaliseFeuille(form);
    FillLanguageList(languages);
    EXPECT_EQ(ComboItems(languages),
              (std::vector<std::wstring>{L"English", L"Espanol", L"Français", L"Portugues"}));
    EXPECT_EQ(::SendMessageW(languages, CB_GETCURSEL, 0, 0), 0);

    ::SendMessageW(languages, CB_SETCURSEL, 2, 0); // Français
    ASSERT_TRUE(ComboLangue_Click(form, languages, store, tray, tray_items));
    EXPECT_EQ(LangueCourante, 1);
    EXPECT_EQ(store.Read(kSettingsKey + "Language"), "1");
    EXPECT_EQ(TextOf(form), L"Paramètres");
    EXPECT_EQ(TextOf(save), L"Enregistrer");
    EXPECT_EQ(TextOf(nested), L"Distance de la souris");
    EXPECT_EQ(TextOf(keep), L"keep me");
    EXPECT_EQ(ComboItems(units), (std::vector<std::wstring>{L"To be sent", L"À envoyer"}));
    EXPECT_EQ(ToolTipText(), L"Vérifier les totaux");
    EXPECT_EQ(MenuText(tray, kSend), L"Envoyer");
    EXPECT_EQ(MenuText(tray, kCounting), L"Comptage activé");
    EXPECT_EQ(MenuText(tray, kQuit), L"Quitter");
    // Relabelling keeps the entries' state.
    EXPECT_EQ(::GetMenuDefaultItem(tray, FALSE, 0), kSend);
    EXPECT_TRUE(::GetMenuState(tray, kCounting, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(::GetMenuItemCount(tray), 8);

    ::SendMessageW(languages, CB_SETCURSEL, 3, 0); // Portugues
    ASSERT_TRUE(ComboLangue_Click(form, languages, store, tray, tray_items));
    EXPECT_EQ(store.Read(kSettingsKey + "Language"), "2");
    EXPECT_EQ(TextOf(label), L"Idioma:");
    EXPECT_EQ(MenuText(tray, kSettings), L"Configurações");
}

TEST_F(LocalisedWindow, GermanHasNoEntryInTheListAndNoSelectionChangesNothing) {
    LangueCourante = 4;
    FillLanguageList(languages);
    EXPECT_EQ(::SendMessageW(languages, CB_GETCURSEL, 0, 0), CB_ERR);
    const LRESULT data[] = {0, 3, 1, 2};
    for (WPARAM i = 0; i < 4; ++i)
        EXPECT_EQ(::SendMessageW(languages, CB_GETITEMDATA, i, 0), data[i]);
    EXPECT_FALSE(ComboLangue_Click(form, languages, store, tray, tray_items));
    EXPECT_EQ(LangueCourante, 4);
    EXPECT_FALSE(store.Read(kSettingsKey + "Language"));

    LocaliseFeuille(form);
    EXPECT_EQ(TextOf(save), L"Speichern");
    EXPECT_EQ(MenuText(tray, kIconChange), L"Symbolanimation ausschalten");
}

TEST(MenuCaptions, NumericCaptionsAreLocalisedOnceAndRelabelSkipsUnknownEntries) {
    LangueCourante = 3;
    HMENU menu = ::CreatePopupMenu();
    HMENU sub = ::CreatePopupMenu();
    ::AppendMenuW(sub, MF_STRING, 11, L"340");
    ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"350");
    ::AppendMenuW(menu, MF_STRING, 12, L"Exit now");
    ::AppendMenuW(menu, MF_STRING, 13, L"115");
    EXPECT_EQ(LocaliseMenuCaptions(menu), 2);
    EXPECT_EQ(MenuText(sub, 11), L"Sitio web");
    EXPECT_EQ(MenuText(menu, 12), L"Exit now");
    EXPECT_EQ(MenuText(menu, 13), L"115");
    LangueCourante = 1;
    EXPECT_EQ(LocaliseMenuCaptions(menu), 0);
    EXPECT_EQ(RelabelMenu(menu, {{11, 340}, {12, 360}, {99, 300}, {13, 115}}), 2);
    EXPECT_EQ(MenuText(sub, 11), L"Site web");
    EXPECT_EQ(MenuText(menu, 12), L"Quitter");
    ::DestroyMenu(menu);
    LangueCourante = 0;
}
