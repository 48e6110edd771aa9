// The five-language table of interface texts, compiled into the program from
// resources/string_table.inc. Texts are UTF-8 and stored raw: "$" line breaks and the
// "%1"/"%2" placeholders are still in them (ChaineLocale in base/localisation.h applies them).
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

struct StringTableEntry {
    int id; // base identifier + language index
    const char* text;
};

// The raw UTF-8 text stored under `id`, or nothing when the table has no such entry.
std::optional<std::string_view> StringTableText(int id);

// Every entry, in identifier order (for the completeness checks).
const StringTableEntry* StringTableBegin();
const StringTableEntry* StringTableEnd();
