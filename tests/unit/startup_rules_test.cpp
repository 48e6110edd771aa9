#include "app/startup_rules.h"

#include <gtest/gtest.h>

TEST(StartupRules, AcceptsNtFromWindows2000On) {
    EXPECT_FALSE(IsPlatformAccepted(1, 4)); // Windows 98
    EXPECT_FALSE(IsPlatformAccepted(2, 4)); // NT 4
    EXPECT_TRUE(IsPlatformAccepted(2, 5));  // 2000, XP
    EXPECT_TRUE(IsPlatformAccepted(2, 6));  // Vista to 8.1
    EXPECT_TRUE(IsPlatformAccepted(2, 10));
    EXPECT_FALSE(IsPlatformAccepted(3, 10)); // CE
}

TEST(StartupRules, PlatformMessageHasFiveLines) {
    const std::wstring text = PlatformMessage();
    size_t lines = 1;
    for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 5u);
    EXPECT_NE(text.find(L"\r\n\r\nTheWandrel n'est"), std::wstring::npos);
}

TEST(StartupRules, ProgramFolderEndsWithOneBackslash) {
    EXPECT_EQ(ProgramFolder(L"C:\\Program Files\\TheWandrel"), L"C:\\Program Files\\TheWandrel\\");
    EXPECT_EQ(ProgramFolder(L"C:\\"), L"C:\\");
}
