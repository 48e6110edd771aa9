#include "app/win32/last_error.h"

#include <gtest/gtest.h>

TEST(LastError, DescribesCodesAndConvertsCp1252RefusingWhatItCannotCarry) {
    EXPECT_FALSE(win32::last_error_message(ERROR_FILE_NOT_FOUND).empty());
    EXPECT_NE(win32::last_error_message(ERROR_FILE_NOT_FOUND).back(), L'\n');
    std::string bytes;
    EXPECT_TRUE(win32::narrow_cp1252(L"caf\u00e9 \u20ac", bytes));
    EXPECT_EQ(bytes, "caf\xe9 \x80");
    EXPECT_EQ(win32::widen_cp1252(bytes), L"caf\u00e9 \u20ac");
    EXPECT_FALSE(win32::narrow_cp1252(L"\u4e2d", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(LastError, AFailureKeepsTheCodeItHadAtTheFailure) {
    // The words for the code come from calls that may change the thread's last error; the
    // code reported is still the one the failed call left.
    ::SetLastError(ERROR_MOD_NOT_FOUND);
    const win32::CallFailure failure = win32::LastFailureOf(L"LoadLibraryW");
    EXPECT_EQ(failure.code, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(failure.text, L"LoadLibraryW: " + win32::last_error_message(ERROR_MOD_NOT_FOUND));
}
