// Relabelling a window from the text identifiers stored in it: the portable rules behind
// LocaliseFeuille (the Win32 walk over real windows is in ui/form_localisation_win32.h).
//
// Each place that can carry an identifier (a window or control caption, a tooltip, a menu
// entry's caption, a combo box's list) is one TextSlot. A slot whose identifier is a
// decimal number with a text in the current language receives that text; any other slot
// keeps what it shows.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TextSlot {
    // The identifier as stored: a control's tag, or a menu entry's design-time caption
    // ("300"). Empty or not a number: the slot is left alone.
    std::wstring identifier;
    // A combo box: the text is a list of items separated by ";", each appended in turn
    // (empty items included, the list is not cleared first; so localising twice lists
    // every item twice). Otherwise the whole text is given once.
    bool appends_items = false;
    std::function<void(const std::wstring&)> apply;
};

// A stored identifier as a number: one to five decimal digits, nothing else, within the
// 16-bit range. Anything else is not an identifier.
std::optional<int> ParseTextIdentifier(std::wstring_view stored);

// "a;;b" -> "a", "", "b". The empty text has no items.
std::vector<std::wstring> SplitComboItems(std::wstring_view list);

// Applies ChaineLocale of every numeric identifier. A slot whose identifier has no text,
// or whose apply throws, is skipped and the others still get theirs. Returns how many
// slots were given a text.
int LocaliseSlots(const std::vector<TextSlot>& slots);
