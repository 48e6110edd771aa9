#include "base/text_encoding.h"
#include "base/win32/last_error.h"

#include <gtest/gtest.h>

TEST(LastError, DescribesCodesWithoutTheLineBreak) {
    EXPECT_FALSE(win32::last_error_message(ERROR_FILE_NOT_FOUND).empty());
    EXPECT_NE(win32::last_error_message(ERROR_FILE_NOT_FOUND).back(), L'\n');
}

TEST(LastError, AFailureKeepsTheCodeItHadAtTheFailure) {
    // The words for the code come from calls that may change the thread's last error; the
    // code reported is still the one the failed call left.
    ::SetLastError(ERROR_MOD_NOT_FOUND);
    const win32::CallFailure failure = win32::LastFailureOf(L"LoadLibraryW");
    EXPECT_EQ(failure.code, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(failure.text, L"LoadLibraryW: " + win32::last_error_message(ERROR_MOD_NOT_FOUND));
}

// The program's own code page 1252 conversions agree with Windows' for every byte.
TEST(Cp1252, TheProgramsConversionsAgreeWithWindows) {
    std::string every_byte;
    for (int b = 1; b < 256; ++b)
        every_byte.push_back(static_cast<char>(b));
    std::wstring windows(every_byte.size(), L'\0');
    ASSERT_EQ(::MultiByteToWideChar(1252, 0, every_byte.data(), static_cast<int>(every_byte.size()),
                                    windows.data(), static_cast<int>(windows.size())),
              static_cast<int>(windows.size()));
    EXPECT_EQ(WideFromCp1252(every_byte), windows);
    EXPECT_EQ(Cp1252Exactly(windows), every_byte);
}
