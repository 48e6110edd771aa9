#include "net/win32/machine_facts.h"
#include "net/win32/goto_site.h"

#include <gtest/gtest.h>

TEST(MachineFacts, IdentityAndSeparatorFromTheSystemDigestAndUnitsFromTheMainWindow) {
    std::string digest = "D1";
    bool metric = true;
    win32::SystemMachineFacts facts(digest, metric);
    const std::string id = facts.MachineIdentity();
    EXPECT_GE(id.size(), 6u);
    EXPECT_EQ(facts.MachineIdentity(), id);
    EXPECT_FALSE(facts.DecimalSeparator().empty());
    digest = "D2";
    metric = false;
    EXPECT_EQ(facts.ProgramDigest(), "D2");
    EXPECT_FALSE(facts.MetricUnits());
}

TEST(GotoSite, TheBrowserLookupLeavesNoFileBehind) {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string probe = std::string(temp) + "Bidon.html";
    win32::FindBrowser();
    EXPECT_EQ(GetFileAttributesA(probe.c_str()), INVALID_FILE_ATTRIBUTES);
}
