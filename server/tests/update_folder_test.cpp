#include "server/byte_range.h"
#include "server/sqlite_db.h"
#include "server/update_folder.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace trekhold;
namespace fs = std::filesystem;

namespace {

std::string Contents(const UpdateFile& file) {
    std::string text(file.size, '\0');
    EXPECT_EQ(::pread(file.fd.get(), text.data(), text.size(), 0),
              static_cast<ssize_t>(text.size()));
    return text;
}

std::string Shown(const ByteRange& r) {
    const char* kinds[] = {"whole", "part", "none"};
    return std::string(kinds[static_cast<int>(r.kind)]) + " " + std::to_string(r.first) + "+" +
           std::to_string(r.length);
}

} // namespace

TEST(UpdateFolder, NamesSizesAndFiles) {
    for (const char* good : {"TheWandrelSetup.exe", "a", "zeptal.dll", "v1_2.txt"})
        EXPECT_TRUE(IsServableName(good)) << good;
    for (const std::string& bad : std::initializer_list<std::string>{
             "", ".", "..", ".hidden", "a..b", "a/b", "a\\b", "C:x", "a-b", "a b", "a%2fb",
             "\xe9t\xe9", std::string(101, 'a')})
        EXPECT_FALSE(IsServableName(bad)) << bad;
    EXPECT_EQ(SizeText(1023) + "|" + SizeText(1024) + "|" + SizeText(2048000) + "|" +
                  SizeText(1024000ull * 12345),
              "1023 Octets|1.0 Ko|2.0 Mo|12,345.0 Mo");

    test::TempDir dir;
    const std::string folder = dir.path().string(), db = dir.File("elsewhere.db");
    EXPECT_FALSE(DownloadDescription(dir.File("missing"), db));
    EXPECT_FALSE(DownloadDescription(folder, db));
    std::ofstream(dir.File("Zeta.dll")) << std::string(548, 'y');
    std::ofstream(dir.File("TheWandrelSetup.exe")) << std::string(1000, 's');
    std::ofstream(dir.File("Alpha.txt")) << "a";
    std::ofstream(dir.File("skip-me.txt")) << "z";
    fs::create_directories(dir.path() / "sub");
    // The setup program comes last: the client starts the last file it fetched.
    EXPECT_EQ(DownloadDescription(folder, db), "1.5 Ko-3-Alpha.txt-Zeta.dll-TheWandrelSetup.exe");
    auto file = OpenUpdateFile(folder, "Zeta.dll", db);
    ASSERT_TRUE(file);
    EXPECT_EQ(Contents(*file), std::string(548, 'y'));
    EXPECT_EQ(file->content_type, "application/octet-stream");
    EXPECT_EQ(OpenUpdateFile(folder, "Alpha.txt", db)->content_type, "text/plain");
    for (const std::string& refused :
         {std::string("skip-me.txt"), "../" + dir.path().filename().string(), std::string("sub")})
        EXPECT_FALSE(OpenUpdateFile(folder, refused, db)) << refused;
    EXPECT_FALSE(OpenUpdateFile("", "Zeta.dll", db));
}

TEST(UpdateFolder, NeverOffersNorOpensTheDatabase) {
    test::TempDir dir;
    const fs::path updates = dir.path() / "updates", data = dir.path() / "data";
    fs::create_directories(updates);
    fs::create_directories(data);
    const std::string db = (data / "t.db").string();
    {
        Database open(db); // creates the database with its log and index
        open.Exec("CREATE TABLE t (x)");
        std::ofstream((updates / "TheWandrelSetup.exe").string()) << "setup";
        EXPECT_EQ(UpdateFolderProblem(updates.string(), db), "");
        EXPECT_EQ(UpdateFolderProblem("", db), "");
        EXPECT_NE(UpdateFolderProblem((dir.path() / "missing").string(), db), "");
        EXPECT_NE(UpdateFolderProblem(updates.string() + "/TheWandrelSetup.exe", db), "");

        // The folder of the database itself, by any spelling of its path.
        for (const std::string& same : {data.string(), (updates / ".." / "data").string()})
            EXPECT_NE(UpdateFolderProblem(same, db).find("holds the database"), std::string::npos)
                << same;
        // A hard or symbolic link to the database, or to its log or index, under a plain name.
        for (const char* suffix : {"", "-wal", "-shm"}) {
            for (bool hard : {true, false}) {
                const fs::path link = updates / "Copy.dll";
                if (hard)
                    fs::create_hard_link(db + suffix, link);
                else
                    fs::create_symlink(db + suffix, link);
                EXPECT_NE(UpdateFolderProblem(updates.string(), db), "") << suffix << hard;
                // Made after the start: neither listed nor opened.
                EXPECT_EQ(DownloadDescription(updates.string(), db), "5 Octets-1-TheWandrelSetup.exe");
                EXPECT_FALSE(OpenUpdateFile(updates.string(), "Copy.dll", db)) << suffix << hard;
                fs::remove(link);
            }
        }
    }
    // A database file whose name is only similar is an ordinary file.
    std::ofstream((updates / "t.db").string()) << "not the database";
    EXPECT_EQ(UpdateFolderProblem(updates.string(), db), "");
}

TEST(ByteRange, OneRangeAtMost) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"", "whole 0+1000"},
        {"bytes=0-", "part 0+1000"},          // what the client asks
        {"BYTES=0-", "part 0+1000"},
        {"bytes=0-99", "part 0+100"},
        {"bytes=990-5000", "part 990+10"},
        {"bytes=-10", "part 990+10"},
        {"bytes=-5000", "part 0+1000"},
        {"bytes= 5 - 9 ", "part 5+5"},
        {"bytes=999-", "part 999+1"},
        {"bytes=1000-", "none 0+0"},
        {"bytes=-0", "none 0+0"},
        {"bytes=0-0,1-1", "whole 0+1000"},     // a list of ranges: the whole file
        {"bytes=0-,0-,0-", "whole 0+1000"},
        {"bytes=9-5", "whole 0+1000"},         // malformed: ignored
        {"bytes=-", "whole 0+1000"},
        {"bytes=a-b", "whole 0+1000"},
        {"bytes=+1-2", "whole 0+1000"},
        {"bytes=99999999999999999999-", "whole 0+1000"},
        {"items=0-", "whole 0+1000"},
        {"bytes", "whole 0+1000"},
        {"bytes=5", "whole 0+1000"},
    };
    // clang-format on
    for (const auto& [header, expected] : cases)
        EXPECT_EQ(Shown(ChooseByteRange(header, 1000)), expected) << header;
    EXPECT_EQ(Shown(ChooseByteRange("bytes=0-", 0)), "whole 0+0"); // an empty file
    EXPECT_EQ(ContentRangeText(ChooseByteRange("bytes=10-", 1000), 1000), "bytes 10-999/1000");
    EXPECT_EQ(ContentRangeText(ChooseByteRange("bytes=2000-", 1000), 1000), "bytes */1000");
}
