// LocaliseFeuille for our Win32 windows, and the relabelling of menus.
//
// Where a window keeps its text identifiers. The creator of a window marks what is to be
// localised with window properties holding the decimal base identifier as an integer:
//   - "WandrelTextId" on the window itself: its caption;
//   - "WandrelTextId" on a child control: its caption (SetWindowText), or for a combo box
//     the ";"-separated items to append to its list;
//   - "WandrelToolTipId" on a child control: the text of its tool in any tooltip control
//     owned by the window (tools registered with TTF_IDISHWND, the control as uId);
//   - "WandrelMenu" on the window: a popup menu that belongs to it (the tray menu), walked
//     like the window's menu bar.
// Menu entries keep their identifier as their design-time caption ("300"): they are
// localised once, since the caption then holds the text. Later changes of language set
// menu captions explicitly with RelabelMenu. A control without an identifier keeps its
// design-time text. Controls are found at every depth (inside frames too).
//
// Call RemoveTextIds from the window's WM_DESTROY handler.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

inline constexpr wchar_t kTextIdProperty[] = L"WandrelTextId";
inline constexpr wchar_t kToolTipIdProperty[] = L"WandrelToolTipId";
inline constexpr wchar_t kMenuProperty[] = L"WandrelMenu";

// Marks a window or control with its base identifier (0 removes the mark).
void SetTextId(HWND window, int base_id);
void SetToolTipTextId(HWND control, int base_id);
// Attaches a popup menu to a window, so that LocaliseFeuille of the window localises it.
void SetLocalisedMenu(HWND window, HMENU menu);

// Marks the controls of a dialog by their control identifiers.
struct ControlTextId {
    int control_id;
    int text_id;
};
void SetTextIds(HWND dialog, std::initializer_list<ControlTextId> ids);

// Removes the properties above from the window and all its controls.
void RemoveTextIds(HWND window);

// Relabels the window, its controls, its tooltips and its menus in the current language.
// Returns how many texts were set.
int LocaliseFeuille(HWND form);

// The menu's entries (submenus included) whose caption is a number get their text.
int LocaliseMenuCaptions(HMENU menu);

// Sets the captions of the entries with these command identifiers to their texts in the
// current language; entries not in the menu and identifiers without a text are skipped.
struct MenuItemText {
    UINT command;
    int text_id;
};
int RelabelMenu(HMENU menu, const std::vector<MenuItemText>& items);
// One entry, by command identifier. False when the menu has no such entry.
bool SetMenuCaption(HMENU menu, UINT command, const std::wstring& caption);
