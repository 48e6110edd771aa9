#include "base/string_table.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr StringTableEntry kEntries[] = {
#include "resources/string_table.inc"
};

constexpr bool SortedById() {
    for (size_t i = 1; i < std::size(kEntries); ++i)
        if (kEntries[i - 1].id >= kEntries[i].id)
            return false;
    return true;
}
static_assert(SortedById(), "string table entries must be in increasing identifier order");
// The table is UTF-8 whatever the compiler's source and execution character sets.
static_assert(sizeof("é") == 3, "string table must be compiled as UTF-8");

} // namespace

std::optional<std::string_view> StringTableText(int id) {
    auto it = std::lower_bound(std::begin(kEntries), std::end(kEntries), id,
                               [](const StringTableEntry& e, int wanted) { return e.id < wanted; });
    if (it == std::end(kEntries) || it->id != id)
        return std::nullopt;
    return std::string_view(it->text);
}

const StringTableEntry* StringTableBegin() {
    return std::begin(kEntries);
}
const StringTableEntry* StringTableEnd() {
    return std::end(kEntries);
}
