#include "app/startup_rules.h"

#include <gtest/gtest.h>

TEST(StartupRules, PlatformsMessageAndProgramFolder) {
    // Windows 98, NT 4 and CE refused; 2000 and later accepted.
    const std::tuple<int, int, bool> platforms[] = {
        {1, 4, false}, {2, 4, false}, {2, 5, true}, {2, 10, true}, {3, 10, false}};
    for (auto [id, major, accepted] : platforms)
        EXPECT_EQ(IsPlatformAccepted(id, major), accepted) << id << "." << major;

    const std::wstring text = PlatformMessage();
    size_t lines = 1;
    for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 5u);
    EXPECT_NE(text.find(L"\r\n\r\nTheWandrel n'est"), std::wstring::npos);

    EXPECT_EQ(ProgramFolder(L"C:\\Program Files\\TheWandrel"), L"C:\\Program Files\\TheWandrel\\");
    EXPECT_EQ(ProgramFolder(L"C:\\"), L"C:\\");
}
