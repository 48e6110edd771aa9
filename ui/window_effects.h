// The fade-in's steps, apart from the window they apply to.
#pragma once

#include <cstdint>
#include <optional>

// The opacity after `opacity`: 18 more, or nothing once that reaches 250 (the window is then
// made opaque). From 0: 18, 36, ..., 234, then the end, at the 14th step.
inline std::optional<uint8_t> NextFadeOpacity(uint8_t opacity) {
    const int next = opacity + 18;
    if (next >= 250)
        return std::nullopt;
    return static_cast<uint8_t>(next);
}

// Whether the effects (and the program) run on this Windows: the NT family (platform 2),
// major version 5 or later.
inline bool EstNtVersion(uint32_t platform_id, uint32_t major_version) {
    return platform_id == 2 && major_version >= 5;
}
