#include "net/update_description.h"

#include "base/number_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr size_t kMaxNameLength = 200;    // leaves room for the folder within MAX_PATH
constexpr size_t kMaxSizeTextLength = 64; // a label's worth
constexpr uint64_t kMaxCount = 32767;     // a 16-bit signed count

std::vector<std::string> SplitAtHyphens(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t hyphen = text.find('-', start);
        if (hyphen == std::string::npos) {
            items.push_back(text.substr(start));
            return items;
        }
        items.push_back(text.substr(start, hyphen - start));
        start = hyphen + 1;
    }
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// Device names Windows resolves in every folder, with or without an extension.
bool IsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (stem == device)
            return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '0' && stem[3] <= '9';
}

} // namespace

bool IsSafeUpdateFileName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength || HasControlCharacter(name))
        return false;
    if (name.find("..") != std::string::npos ||
        name.find_first_of("\\/:<>\"|?*") != std::string::npos)
        return false;
    // Windows drops trailing dots and blanks: "a." would be another file than the one named.
    if (name.back() == '.' || name.back() == ' ')
        return false;
    return !IsDeviceName(name);
}

ParsedDescription ParseUpdateDescription(const std::string& text) {
    ParsedDescription result;
    std::vector<std::string> items = SplitAtHyphens(text);
    if (items.size() < 3) {
        result.fault = DescriptionFault::MissingItems;
        return result;
    }
    const std::string& size_text = items[0];
    if (size_text.empty() || size_text.size() > kMaxSizeTextLength ||
        HasControlCharacter(size_text)) {
        result.fault = DescriptionFault::BadSizeText;
        return result;
    }
    const std::optional<uint64_t> count = ParseUnsigned(items[1], kMaxCount);
    if (!count || *count == 0) {
        result.fault = DescriptionFault::BadCount;
        return result;
    }
    if (static_cast<size_t>(*count) != items.size() - 2) {
        result.fault = DescriptionFault::CountMismatch;
        return result;
    }
    UpdateDescription description;
    description.total_size_text = size_text;
    description.names.assign(items.begin() + 2, items.end());
    if (!std::all_of(description.names.begin(), description.names.end(), IsSafeUpdateFileName)) {
        result.fault = DescriptionFault::UnsafeName;
        return result;
    }
    if (std::find(description.names.begin(), description.names.end(), kSetupProgramName) ==
        description.names.end()) {
        result.fault = DescriptionFault::NoSetupProgram;
        return result;
    }
    result.description = std::move(description);
    return result;
}
