#include "base/record_fields.h"

std::vector<std::string> SplitAtApostrophes(const std::string& text) {
    std::vector<std::string> fields(1);
    for (char ch : text) {
        if (ch == '\'')
            fields.emplace_back();
        else
            fields.back().push_back(ch);
    }
    return fields;
}
