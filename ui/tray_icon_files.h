// Custom tray images: pairs of .ico files in the "Icons\" folder beside the program that
// replace the built-in activity images.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tray {

// The frame index is 8-bit and runs over 2 x N images, so N must stay below 128; twenty
// pairs are more than any animation needs.
constexpr unsigned kMaxIconPairs = 20;

// "WandrelIcon" + i + "a.ico" / "b.ico", i counting from 1.
std::wstring IconFileName(unsigned pair, bool activity_set);

// The files of the complete pairs in `folder` (which ends with a backslash), in image order:
// the n "a" files (mouse set) then the n "b" files (activity set). The search stops at the
// first pair with a missing file, or after max_pairs pairs. Empty when there is no pair.
std::vector<std::wstring> FindIconPairs(const std::wstring& folder,
                                        const std::function<bool(const std::wstring&)>& exists,
                                        unsigned max_pairs = kMaxIconPairs);

} // namespace tray
