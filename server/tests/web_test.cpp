#include "server/http_front.h"
#include "server/options.h"
#include "server/protocol_codec.h"
#include "server/sending_record.h"
#include "server/update_folder.h"
#include "server/website.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace trekhold;

TEST(Website, EscapesAndFormats) {
    EXPECT_EQ(HtmlEscape("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(GroupedNumber(0), "0");
    EXPECT_EQ(GroupedNumber(1234567), "1,234,567");
    EXPECT_EQ(GroupedNumber(-1000), "-1,000");
    EXPECT_EQ(DistanceText(123456789, true), "1,234.57 km");
    EXPECT_EQ(DistanceText(160934400, false), "1,000.00 mi");
    EXPECT_EQ(DistanceText(0, false), "0.00 mi");
    EXPECT_EQ(MinutesText(59), "59 min");
    EXPECT_EQ(MinutesText(60), "1 h 0 min");
    EXPECT_EQ(MinutesText(1440 * 3 + 65), "3 d 1 h 5 min");
    EXPECT_EQ(QuantityFromWord("clicks"), Quantity::kClicks);
    EXPECT_FALSE(QuantityFromWord("password"));
}

TEST(Website, PagesEscapeNicknames) {
    RankingPage page;
    page.by = Quantity::kDistance;
    page.metric = false;
    page.rows = {{"<script>alert(1)</script>", 160934400}, {"plain", 0}};
    std::string html = RenderRankingPage(page);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;"), std::string::npos);
    EXPECT_NE(html.find("1,000.00 mi"), std::string::npos);
    EXPECT_NE(html.find("name=\"viewport\""), std::string::npos);
    std::string signup = RenderSignUpPage("bad \"nick\"", "\"><img src=x>", false);
    EXPECT_EQ(signup.find("<img"), std::string::npos);
}

TEST(UpdateFolder, NamesSizesAndDescription) {
    for (const char* good : {"TheWandrelSetup.exe", "a", "zeptal.dll", "v1_2.txt"})
        EXPECT_TRUE(IsServableName(good)) << good;
    for (const char* bad : {"", ".", "..", ".hidden", "a..b", "a/b", "a\\b", "C:x", "a-b", "a b",
                            "a%2fb", "\xe9t\xe9"})
        EXPECT_FALSE(IsServableName(bad)) << bad;
    EXPECT_FALSE(IsServableName(std::string(101, 'a')));

    EXPECT_EQ(SizeText(1023), "1023 Octets");
    EXPECT_EQ(SizeText(1024), "1.0 Ko");
    EXPECT_EQ(SizeText(2048), "2.0 Ko");
    EXPECT_EQ(SizeText(2048000), "2.0 Mo");
    EXPECT_EQ(SizeText(1024000ull * 12345), "12,345.0 Mo");

    test::TempDir dir;
    EXPECT_FALSE(DownloadDescription(dir.File("missing")));
    EXPECT_FALSE(DownloadDescription(dir.path().string()));
    std::ofstream(dir.File("TheWandrelSetup.exe")) << std::string(1500, 'x');
    std::ofstream(dir.File("Zeta.dll")) << std::string(548, 'y');
    std::ofstream(dir.File("skip-me.txt")) << "z";
    std::filesystem::create_directories(dir.path() / "sub");
    EXPECT_EQ(DownloadDescription(dir.path().string()), "2.0 Ko-2-Zeta.dll-TheWandrelSetup.exe");

    auto file = ReadUpdateFile(dir.path().string(), "Zeta.dll");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->content, std::string(548, 'y'));
    EXPECT_EQ(file->content_type, "application/octet-stream");
    EXPECT_FALSE(ReadUpdateFile(dir.path().string(), "skip-me.txt"));
    EXPECT_FALSE(ReadUpdateFile(dir.path().string(), "../" + dir.path().filename().string()));
    EXPECT_FALSE(ReadUpdateFile(dir.path().string(), "sub"));
    EXPECT_FALSE(ReadUpdateFile("", "Zeta.dll"));
}

TEST(HttpFront, RawPayloadKeepsPlusAndDecodesOnlyHexPairs) {
    EXPECT_EQ(RawQueryPayload("/Envoi.php?Data=Ja+b%20c", "Data"), "Ja+b c");
    EXPECT_EQ(RawQueryPayload("/Envoi.php?Data=Jk%Kx%", "Data"), "Jk%Kx%");
    EXPECT_EQ(RawQueryPayload("/Envoi.php?Data=a&b=c", "Data"), "a&b=c");
    EXPECT_EQ(RawQueryPayload("/Envoi.php?Data=", "Data"), "");
    EXPECT_EQ(RawQueryPayload("/Envoi.php?data=x", "Data"), "");
    EXPECT_EQ(RawQueryPayload("/Envoi.php", "Data"), "");
    EXPECT_EQ(RawQueryPayload("/CheckData.php?Id=%4a%4B", "Id"), "JK");
    EXPECT_EQ(RawQueryPayload("/x?Id=%", "Id"), "%");
    EXPECT_EQ(RawQueryPayload("/x?Id=%4", "Id"), "%4");
}

TEST(Options, CommandLine) {
    Options o;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--port", "9000", "--db", "x.db", "--update-folder", "u",
                              "--required-version", "36", "--ceiling-endpoint"},
                             o, error));
    EXPECT_EQ(o.command, Command::kServe);
    EXPECT_EQ(o.port, 9000);
    EXPECT_EQ(o.db_path, "x.db");
    EXPECT_EQ(o.update_folder, "u");
    EXPECT_EQ(o.required_version, 36);
    EXPECT_TRUE(o.ceiling_endpoint);

    Options add;
    ASSERT_TRUE(ParseOptions({"account", "add", "nick", "pw", "--db", "y.db"}, add, error));
    EXPECT_EQ(add.command, Command::kAccountAdd);
    EXPECT_EQ(add.arguments, (std::vector<std::string>{"nick", "pw"}));
    EXPECT_EQ(add.db_path, "y.db");

    Options bad;
    EXPECT_FALSE(ParseOptions({"--port", "70000"}, bad, error));
    EXPECT_FALSE(ParseOptions({"--port"}, bad, error));
    EXPECT_FALSE(ParseOptions({"--colour", "red"}, bad, error));
    EXPECT_FALSE(ParseOptions({"account", "add", "nick"}, bad, error));
    EXPECT_FALSE(ParseOptions({"launch"}, bad, error));
    Options help;
    ASSERT_TRUE(ParseOptions({"account", "--help"}, help, error));
    EXPECT_EQ(help.command, Command::kHelp);
}

TEST(HttpFront, EncipheredRecordsSurviveTheQueryString) {
    std::mt19937 rng(3);
    for (int i = 0; i < 3000; ++i) {
        Counts counts{static_cast<int64_t>(rng() % 5000),
                      static_cast<int64_t>(rng() % 300),
                      1,
                      2,
                      3,
                      4,
                      5,
                      4};
        std::string record =
            FormatSendingRecord(35, "load" + std::to_string(i), "pw!$(),;:@*x", "Ab3xY9", counts,
                                "C293A4B5", "0123456789ABCDEF0123456789ABCDEF");
        std::string payload = RawQueryPayload("/Envoi.php?Data=" + EncipherPayload(record), "Data");
        auto plain = DecipherPayload(payload);
        ASSERT_TRUE(plain) << payload;
        ASSERT_EQ(*plain, record) << payload;
    }
}
