#include "ui/form_localisation.h"

#include "base/localisation.h"

#include <cstdint>
#include <exception>

std::optional<int> ParseTextIdentifier(std::wstring_view stored) {
    if (stored.empty() || stored.size() > 5)
        return std::nullopt;
    int value = 0;
    for (wchar_t ch : stored) {
        if (ch < L'0' || ch > L'9')
            return std::nullopt;
        value = value * 10 + (ch - L'0');
    }
    if (value > INT16_MAX)
        return std::nullopt;
    return value;
}

std::vector<std::wstring> SplitComboItems(std::wstring_view list) {
    std::vector<std::wstring> items;
    if (list.empty())
        return items;
    size_t from = 0;
    for (;;) {
        const size_t at = list.find(L';', from);
        if (at == std::wstring_view::npos) {
            items.emplace_back(list.substr(from));
            return items;
        }
        items.emplace_back(list.substr(from, at - from));
        from = at + 1;
    }
}

int LocaliseSlots(const std::vector<TextSlot>& slots) {
    int localised = 0;
    for (const TextSlot& slot : slots) {
        const std::optional<int> id = ParseTextIdentifier(slot.identifier);
        if (!id || !slot.apply)
            continue;
        try {
            const std::wstring text = ChaineLocale(*id);
            if (slot.appends_items) {
                for (const std::wstring& item : SplitComboItems(text))
                    slot.apply(item);
            } else {
                slot.apply(text);
            }
            ++localised;
        } catch (const std::exception&) {
            // One property that cannot be set does not stop the others.
        }
    }
    return localised;
}
