#include "net/win32/adresse_mac.h"
#include "net/win32/machine_facts.h"
#include "net/win32/goto_site.h"

#include <gtest/gtest.h>

TEST(MachineFacts, IdentityFromTheAdapterAndUnitsFromTheMainWindowAtEachCall) {
    const std::string id = AdresseMAC(); // six to twelve uppercase hexadecimal digits
    EXPECT_GE(id.size(), 6u);
    EXPECT_LE(id.size(), 12u);
    EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos) << id;
    std::string digest = "D1";
    bool metric = true;
    win32::SystemMachineFacts facts(digest, metric);
    EXPECT_EQ(facts.MachineIdentity(), id);
    EXPECT_FALSE(facts.DecimalSeparator().empty());
    digest = "D2";
    metric = false;
    EXPECT_EQ(facts.ProgramDigest(), "D2");
    EXPECT_FALSE(facts.MetricUnits());
}

TEST(GotoSite, TheBrowserLookupLeavesNoFileBehind) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring probe = std::wstring(temp) + L"Bidon.html";
    win32::FindBrowser();
    EXPECT_EQ(GetFileAttributesW(probe.c_str()), INVALID_FILE_ATTRIBUTES);
}
