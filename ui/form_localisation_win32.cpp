#include "ui/form_localisation_win32.h"

#include "ui/form_localisation.h"
#include "base/localisation.h"

#include <commctrl.h>

#include <iterator>
#include <optional>
#include <string>

namespace {

std::wstring IdentifierText(HWND window, const wchar_t* property) {
    const auto id = reinterpret_cast<INT_PTR>(::GetPropW(window, property));
    return id > 0 ? std::to_wstring(id) : std::wstring();
}

void SetIntegerProperty(HWND window, const wchar_t* property, int value) {
    if (value > 0)
        ::SetPropW(window, property, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(value)));
    else
        ::RemovePropW(window, property);
}

bool HasClass(HWND window, const wchar_t* class_name) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return ::lstrcmpiW(name, class_name) == 0;
}

std::wstring MenuCaptionAt(HMENU menu, UINT position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    if (!::GetMenuItemInfoW(menu, position, TRUE, &info) || info.cch == 0)
        return {};
    std::wstring caption(info.cch + 1, L'\0');
    info.dwTypeData = caption.data();
    info.cch = static_cast<UINT>(caption.size());
    if (!::GetMenuItemInfoW(menu, position, TRUE, &info))
        return {};
    caption.resize(info.cch);
    return caption;
}

// Only the text changes: the entry keeps its state (checked, default, disabled).
bool SetMenuText(HMENU menu, UINT item, BOOL by_position, const std::wstring& caption) {
    std::wstring buffer = caption;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = buffer.data();
    return ::SetMenuItemInfoW(menu, item, by_position, &info) != FALSE;
}

void CollectMenuSlots(HMENU menu, std::vector<TextSlot>& slots, int depth = 0) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const auto position = static_cast<UINT>(i);
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, position, TRUE, &info))
            continue;
        if (info.hSubMenu && depth < 8)
            CollectMenuSlots(info.hSubMenu, slots, depth + 1);
        if (info.fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW))
            continue;
        slots.push_back(
            {MenuCaptionAt(menu, position), false, [menu, position](const std::wstring& text) {
                 SetMenuText(menu, position, TRUE, text);
             }});
    }
}

struct ToolTipSearch {
    HWND form;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOwnedToolTip(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ToolTipSearch*>(param);
    if (::GetWindow(window, GW_OWNER) == search->form && HasClass(window, TOOLTIPS_CLASSW))
        search->found.push_back(window);
    return TRUE;
}

// The tooltip controls owned by the window (tooltips are top-level windows of its thread).
std::vector<HWND> OwnedToolTips(HWND form) {
    ToolTipSearch search{form, {}};
    ::EnumThreadWindows(::GetWindowThreadProcessId(form, nullptr), CollectOwnedToolTip,
                        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Gives the control's tool, in every tooltip that has one, a new text.
void SetToolTipText(const std::vector<HWND>& tooltips, HWND control, const std::wstring& text) {
    std::wstring buffer = text;
    for (HWND tooltip : tooltips) {
        const auto count = static_cast<int>(::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            TTTOOLINFOW tool{};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            if (!::SendMessageW(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(&tool)))
                continue;
            if (!(tool.uFlags & TTF_IDISHWND) || reinterpret_cast<HWND>(tool.uId) != control)
                continue;
            tool.lpszText = buffer.data();
            ::SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
}

struct FormWalk {
    std::vector<TextSlot> slots;
    std::vector<HWND> tooltips;
};

BOOL CALLBACK CollectControlSlots(HWND control, LPARAM param) {
    auto* walk = reinterpret_cast<FormWalk*>(param);
    std::wstring id = IdentifierText(control, kTextIdProperty);
    if (!id.empty()) {
        if (HasClass(control, WC_COMBOBOXW)) {
            walk->slots.push_back({id, true, [control](const std::wstring& item) {
                                       ::SendMessageW(control, CB_ADDSTRING, 0,
                                                      reinterpret_cast<LPARAM>(item.c_str()));
                                   }});
        } else {
            walk->slots.push_back({id, false, [control](const std::wstring& text) {
                                       ::SetWindowTextW(control, text.c_str());
                                   }});
        }
    }
    std::wstring tip = IdentifierText(control, kToolTipIdProperty);
    if (!tip.empty() && !walk->tooltips.empty()) {
        walk->slots.push_back({tip, false, [control, walk](const std::wstring& text) {
                                   SetToolTipText(walk->tooltips, control, text);
                               }});
    }
    return TRUE;
}

BOOL CALLBACK RemoveControlProperties(HWND control, LPARAM) {
    ::RemovePropW(control, kTextIdProperty);
    ::RemovePropW(control, kToolTipIdProperty);
    return TRUE;
}

} // namespace

void SetTextId(HWND window, int base_id) {
    SetIntegerProperty(window, kTextIdProperty, base_id);
}

void SetToolTipTextId(HWND control, int base_id) {
    SetIntegerProperty(control, kToolTipIdProperty, base_id);
}

void SetLocalisedMenu(HWND window, HMENU menu) {
    if (menu)
        ::SetPropW(window, kMenuProperty, menu);
    else
        ::RemovePropW(window, kMenuProperty);
}

void SetTextIds(HWND dialog, std::initializer_list<ControlTextId> ids) {
    for (const ControlTextId& entry : ids)
        if (HWND control = ::GetDlgItem(dialog, entry.control_id))
            SetTextId(control, entry.text_id);
}

void RemoveTextIds(HWND window) {
    ::RemovePropW(window, kTextIdProperty);
    ::RemovePropW(window, kToolTipIdProperty);
    ::RemovePropW(window, kMenuProperty);
    ::EnumChildWindows(window, RemoveControlProperties, 0);
}

int LocaliseFeuille(HWND form) {
    if (!::IsWindow(form))
        return 0;
    FormWalk walk;
    walk.tooltips = OwnedToolTips(form);
    const std::wstring id = IdentifierText(form, kTextIdProperty);
    if (!id.empty())
        walk.slots.push_back({id, false, [form](const std::wstring& text) {
                                  ::SetWindowTextW(form, text.c_str());
                              }});
    if (HMENU bar = ::GetMenu(form))
        CollectMenuSlots(bar, walk.slots);
    if (auto popup = static_cast<HMENU>(::GetPropW(form, kMenuProperty)); popup && ::IsMenu(popup))
        CollectMenuSlots(popup, walk.slots);
    ::EnumChildWindows(form, CollectControlSlots, reinterpret_cast<LPARAM>(&walk));
    const int localised = LocaliseSlots(walk.slots);
    if (::GetMenu(form))
        ::DrawMenuBar(form);
    return localised;
}

int LocaliseMenuCaptions(HMENU menu) {
    if (!menu || !::IsMenu(menu))
        return 0;
    std::vector<TextSlot> slots;
    CollectMenuSlots(menu, slots);
    return LocaliseSlots(slots);
}

bool SetMenuCaption(HMENU menu, UINT command, const std::wstring& caption) {
    return SetMenuText(menu, command, FALSE, caption);
}

int RelabelMenu(HMENU menu, const std::vector<MenuItemText>& items) {
    int relabelled = 0;
    for (const MenuItemText& item : items) {
        std::optional<std::wstring> text = TryChaineLocale(item.text_id);
        if (text && SetMenuCaption(menu, item.command, *text))
            ++relabelled;
    }
    return relabelled;
}
