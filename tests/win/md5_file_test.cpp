#include "base/md5.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

// The program folder may have any name: the file digest opens wide paths.
TEST(Md5File, ReadsFilesWhosePathIsNotAnsi) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::filesystem::path dir = std::filesystem::path(temp) / L"Wandrel \u00e9\u20ac\u4e2d";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / L"zeptal \u0416.dll";
    std::ofstream(file, std::ios::binary) << "abc";
    EXPECT_EQ(Md5File(file), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_TRUE(DeleteFileW(file.c_str())); // closed: it can be deleted at once
    EXPECT_FALSE(Md5File(file));
    EXPECT_FALSE(Md5File(dir)); // a folder is not a file
    std::filesystem::remove_all(dir);
}
