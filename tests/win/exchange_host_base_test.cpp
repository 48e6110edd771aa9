#include "net/win32/exchange_host_base.h"
#include "net/win32/goto_site.h"

#include <gtest/gtest.h>

namespace {

// The main window's half of the host, left empty.
class PlatformHalf : public win32::ExchangeHostBase {
  public:
    void StartSendingAnimation() override {}
    void StopSendingAnimation() override {}
    void RestoreRestingIcon() override {}
    void StopSampling() override {}
    void RestartSampling() override {}
    std::string ProgramDigest() override { return {}; }
    bool MetricUnits() override { return true; }
};

} // namespace

TEST(ExchangeHostBase, IdentityAndSeparatorFromTheSystem) {
    PlatformHalf host;
    const std::string id = host.MachineIdentity();
    EXPECT_GE(id.size(), 6u);
    EXPECT_EQ(host.MachineIdentity(), id);
    EXPECT_FALSE(host.DecimalSeparator().empty());
    EXPECT_FALSE(host.CanDownloadUpdate()); // no download window yet: the offer is declined
}

TEST(GotoSite, TheBrowserLookupLeavesNoFileBehind) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring probe = std::wstring(temp) + L"Bidon.html";
    win32::FindBrowser();
    EXPECT_EQ(GetFileAttributesW(probe.c_str()), INVALID_FILE_ATTRIBUTES);
}
