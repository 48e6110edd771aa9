#include "ui/tray_icon_files.h"

namespace tray {

std::wstring IconFileName(unsigned pair, bool activity_set) {
    return L"WandrelIcon" + std::to_wstring(pair) + (activity_set ? L"b.ico" : L"a.ico");
}

std::vector<std::wstring> FindIconPairs(const std::wstring& folder,
                                        const std::function<bool(const std::wstring&)>& exists,
                                        unsigned max_pairs) {
    unsigned n = 0;
    while (n < max_pairs && exists(folder + IconFileName(n + 1, false)) &&
           exists(folder + IconFileName(n + 1, true)))
        ++n;
    std::vector<std::wstring> files;
    for (bool activity : {false, true})
        for (unsigned i = 1; i <= n; ++i)
            files.push_back(folder + IconFileName(i, activity));
    return files;
}

} // namespace tray
