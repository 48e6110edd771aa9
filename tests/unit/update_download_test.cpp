// The update download: its description, its HTTP exchange, its texts and the window's logic.
#include "net/update_description.h"
#include "net/update_download.h"
#include "net/update_http.h"
#include "net/update_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

UpdateDescription Parsed(const std::string& text) {
    ParsedDescription parsed = ParseUpdateDescription(text);
    EXPECT_EQ(parsed.fault, DescriptionFault::None) << text;
    return parsed.description.value_or(UpdateDescription{});
}

DescriptionFault FaultOf(const std::string& text) {
    ParsedDescription parsed = ParseUpdateDescription(text);
    EXPECT_EQ(parsed.description.has_value(), parsed.fault == DescriptionFault::None);
    return parsed.fault;
}

std::string Names(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "-f" + std::to_string(i);
    return text;
}

} // namespace

TEST(UpdateDescription, ReadsSizeCountAndNamesInOrder) {
    UpdateDescription one = Parsed("1.2 Mo-1-TheWandrelSetup.exe");
    EXPECT_EQ(one.total_size_text, "1.2 Mo");
    EXPECT_EQ(one.names, std::vector<std::string>{"TheWandrelSetup.exe"});

    UpdateDescription two = Parsed("3,000.5 Mo-2-readme.txt-TheWandrelSetup.exe");
    EXPECT_EQ(two.names, (std::vector<std::string>{"readme.txt", "TheWandrelSetup.exe"}));
}

TEST(UpdateDescription, RefusesACountThatIsNoPositive16BitNumberOrDisagrees) {
    EXPECT_EQ(FaultOf(""), DescriptionFault::MissingItems);
    EXPECT_EQ(FaultOf("no hyphen at all"), DescriptionFault::MissingItems);
    EXPECT_EQ(FaultOf("1 Ko-1"), DescriptionFault::MissingItems);
    EXPECT_EQ(FaultOf("1 Ko-0-TheWandrelSetup.exe"), DescriptionFault::BadCount);
    EXPECT_EQ(FaultOf("1 Ko--TheWandrelSetup.exe"), DescriptionFault::BadCount);
    EXPECT_EQ(FaultOf("1 Ko- 1-TheWandrelSetup.exe"), DescriptionFault::BadCount);
    EXPECT_EQ(FaultOf("1 Ko-+1-TheWandrelSetup.exe"), DescriptionFault::BadCount);
    EXPECT_EQ(FaultOf("1 Ko-2-TheWandrelSetup.exe"), DescriptionFault::CountMismatch);
    EXPECT_EQ(FaultOf("1 Ko-1-a.txt-TheWandrelSetup.exe"), DescriptionFault::CountMismatch);
    // 32767 names are the most a 16-bit count holds; 65,536 wrap round to 0 elsewhere.
    EXPECT_EQ(FaultOf("1 Ko-32768" + Names(32767) + "-TheWandrelSetup.exe"),
              DescriptionFault::BadCount);
    EXPECT_EQ(FaultOf("1 Ko-65536" + Names(65535) + "-TheWandrelSetup.exe"),
              DescriptionFault::BadCount);
    EXPECT_EQ(FaultOf("1 Ko-0" + Names(65535) + "-TheWandrelSetup.exe"),
              DescriptionFault::BadCount);
    EXPECT_EQ(Parsed("1 Ko-32767" + Names(32766) + "-TheWandrelSetup.exe").names.size(), 32767u);
}

TEST(UpdateDescription, RefusesNamesThatLeaveTheDownloadFolder) {
    for (const std::string& bad :
         std::vector<std::string>{"",          "..",       ".",         "..\\TheWandrel.exe",
                                  "a/b",       "C:x",      "a\\b",      "a..b",
                                  "x\x01y",    "x\x7Fy",   "tab\there", "CON",
                                  "nul.txt",   "Com1",     "lpt9.exe",  "a?b",
                                  "a*b",       "a|b",      "a<b",       "a\"b",
                                  "trailing.", "trailing "}) {
        EXPECT_FALSE(IsSafeUpdateFileName(bad)) << bad;
        EXPECT_EQ(FaultOf("1 Ko-2-" + bad + "-TheWandrelSetup.exe"), DescriptionFault::UnsafeName)
            << bad;
    }
    for (const std::string& good :
         {std::string("TheWandrelSetup.exe"), std::string("notes.v2.txt"), std::string("Cons.txt"),
          std::string("COM10"), std::string("caf\xE9.txt"), std::string(200, 'a')})
        EXPECT_TRUE(IsSafeUpdateFileName(good)) << good;
    EXPECT_FALSE(IsSafeUpdateFileName(std::string(201, 'a')));
    // An empty last name: the description ends with a hyphen.
    EXPECT_EQ(FaultOf("1 Ko-1-"), DescriptionFault::UnsafeName);
}

TEST(UpdateDescription, RefusesABadSizeTextOrNoSetupProgram) {
    EXPECT_EQ(FaultOf("-1-TheWandrelSetup.exe"), DescriptionFault::BadSizeText);
    EXPECT_EQ(FaultOf("1\r\nKo-1-TheWandrelSetup.exe"), DescriptionFault::BadSizeText);
    EXPECT_EQ(FaultOf(std::string(65, '9') + "-1-TheWandrelSetup.exe"),
              DescriptionFault::BadSizeText);
    EXPECT_EQ(FaultOf("1 Ko-1-other.exe"), DescriptionFault::NoSetupProgram);
    EXPECT_EQ(FaultOf("1 Ko-1-thewandrelsetup.exe"), DescriptionFault::NoSetupProgram);
}

TEST(UpdateServer, TakesHostAndPortFromTheServerUrl) {
    // url, host, port, Host line
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {"http://127.0.0.1:8035/", "127.0.0.1", 8035, "127.0.0.1:8035"},
        {"http://www.trekhold.example/client/", "www.trekhold.example", 80, "www.trekhold.example"},
        {"walker:pw@host.example:81", "host.example", 81, "host.example:81"},
        {"http://[::1]:8035/", "::1", 8035, "[::1]:8035"}};
    for (const auto& [url, host, port, host_line] : cases) {
        const auto server = UpdateServerOf(url);
        ASSERT_TRUE(server) << url;
        EXPECT_EQ(server->host, host);
        EXPECT_EQ(server->port, port);
        EXPECT_EQ(server->host_line, host_line);
    }
    for (const char* bad : {"", "http://", "http:///x", "http://h:0/", "http://h:65536/",
                            "http://h:8a/", "http://:80/", "http://[::1/", "http://[::1]x/"})
        EXPECT_FALSE(UpdateServerOf(bad)) << bad;
}

TEST(UpdateRequest, IsTheSevenLinesAndAnEmptyLine) {
    EXPECT_EQ(UpdateRequest("/TheWandrelSetup.exe", "127.0.0.1:8035"),
              "GET /TheWandrelSetup.exe HTTP/1.1\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
              "Accept-Language: fr\r\n"
              "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
              "Range: bytes=0-\r\n"
              "Host: 127.0.0.1:8035\r\n"
              "Connection: Keep-Alive\r\n"
              "\r\n");
}

namespace {

const std::string kHeader = "HTTP/1.1 206 Partial Content\r\n"
                            "Accept-Ranges: bytes\r\n"
                            "CONTENT-LENGTH: 10\r\n"
                            "Content-Range: bytes 0-9/10\r\n"
                            "content-type: application/octet-stream\r\n"
                            "Keep-Alive: timeout=5, max=5\r\n"
                            "\r\n";
const std::string kBody = "0123\r\n\r\n89";

struct Received {
    std::string body;
    int header_completions = 0;
    ResponseFault fault = ResponseFault::None;
};

Received FeedAll(UpdateResponseReader& reader, const std::vector<std::string>& chunks) {
    Received out;
    for (const std::string& chunk : chunks) {
        auto step = reader.Feed(chunk);
        out.body += std::string(step.body);
        out.header_completions += step.header_completed;
        if (step.fault != ResponseFault::None)
            out.fault = step.fault;
    }
    return out;
}

ResponseFault FaultOfResponse(const std::string& response) {
    UpdateResponseReader reader;
    return reader.Feed(response).fault;
}

} // namespace

TEST(UpdateResponse, ReadsTheSameWhereverTheChunksAreCut) {
    const std::string response = kHeader + kBody;
    for (size_t cut = 0; cut <= response.size(); ++cut) {
        for (size_t second = cut; second <= response.size(); second += 7) {
            UpdateResponseReader reader;
            Received got =
                FeedAll(reader, {response.substr(0, cut), response.substr(cut, second - cut),
                                 response.substr(second)});
            ASSERT_EQ(got.fault, ResponseFault::None) << cut;
            EXPECT_EQ(got.body, kBody) << cut << " " << second;
            EXPECT_EQ(got.header_completions, 1);
            EXPECT_EQ(reader.announced_length(), 10u);
            EXPECT_TRUE(reader.complete());
        }
    }
    // One byte at a time.
    UpdateResponseReader reader;
    std::vector<std::string> bytes;
    for (char c : response)
        bytes.emplace_back(1, c);
    EXPECT_EQ(FeedAll(reader, bytes).body, kBody);
}

TEST(UpdateResponse, AHeaderOnlyChunkWritesNothingAndTheNextStartsTheFile) {
    UpdateResponseReader reader;
    auto step = reader.Feed(kHeader);
    EXPECT_TRUE(step.header_completed);
    EXPECT_TRUE(step.body.empty());
    EXPECT_FALSE(reader.complete());
    step = reader.Feed("0123");
    EXPECT_EQ(step.body, "0123");
    EXPECT_EQ(reader.body_received(), 4u);
}

TEST(UpdateResponse, KeepsOnlyTheAnnouncedLength) {
    UpdateResponseReader reader;
    EXPECT_EQ(FeedAll(reader, {kHeader + kBody + "HTTP/1.1 200 OK"}).body, kBody);
    EXPECT_TRUE(reader.Feed("more").body.empty());
}

TEST(UpdateResponse, RefusesStatusesOtherThan200And206) {
    EXPECT_EQ(FaultOfResponse("HTTP/1.1 200 OK\r\nContent-Type: a\r\nContent-Length: 1\r\n\r\nx"),
              ResponseFault::None);
    for (const char* status :
         {"HTTP/1.1 404 Not Found", "HTTP/1.0 500 Oops", "HTTP/1.1 302 Found", "HTTP/1.1 2000 OK",
          "HTTP/1.1 20x OK", "ICY 200 OK", "", "garbage"}) {
        UpdateResponseReader reader;
        auto step =
            reader.Feed(std::string(status) +
                        "\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nNot found");
        EXPECT_EQ(step.fault, ResponseFault::BadStatus) << status;
        EXPECT_TRUE(step.body.empty());
        // Once refused, nothing more is read.
        EXPECT_TRUE(reader.Feed("HTTP/1.1 200 OK\r\n").body.empty());
        EXPECT_FALSE(reader.header_parsed());
    }
}

TEST(UpdateResponse, NeedsTypeAndAUsableLength) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    EXPECT_EQ(FaultOfResponse(ok + "Content-Length: 1\r\n\r\nx"), ResponseFault::NoContentType);
    // A name that only contains the words is no such line.
    EXPECT_EQ(FaultOfResponse(ok + "X-Content-Type: a\r\nContent-Length: 1\r\n\r\nx"),
              ResponseFault::NoContentType);
    EXPECT_EQ(FaultOfResponse(ok + "Content-Type: a\r\n\r\nx"), ResponseFault::NoContentLength);
    for (const char* length : {"", "-1", "1e3", "2147483648", "99999999999", "0x10", "1 2"})
        EXPECT_EQ(FaultOfResponse(ok + "Content-Type: a\r\nContent-Length: " + length + "\r\n\r\n"),
                  ResponseFault::NoContentLength)
            << length;
    EXPECT_EQ(
        FaultOfResponse(ok + "Content-Type: a\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n"),
        ResponseFault::NoContentLength);
    EXPECT_EQ(FaultOfResponse(ok + "Content-Type: a\r\nContent-Length: 0\r\n\r\n"),
              ResponseFault::EmptyBody);
    UpdateResponseReader reader;
    reader.Feed(ok + "Content-Type: a\r\ncontent-length:\t2147483647 \r\n\r\n");
    EXPECT_EQ(reader.announced_length(), 2147483647u);
}

TEST(UpdateResponse, GivesUpOnAHeaderThatNeverEnds) {
    UpdateResponseReader reader;
    const std::string block(4096, 'h');
    ResponseFault fault = ResponseFault::None;
    for (int i = 0; i < 20 && fault == ResponseFault::None; ++i)
        fault = reader.Feed(block).fault;
    EXPECT_EQ(fault, ResponseFault::HeaderTooLong);
}

TEST(UpdateTexts, SizesInOctetsKoAndMoWithTheLocaleSeparators) {
    const NumberSeparators dot;
    EXPECT_EQ(UpdateSizeText(0, dot), L"0 Octets");
    EXPECT_EQ(UpdateSizeText(1023, dot), L"1023 Octets");
    EXPECT_EQ(UpdateSizeText(1024, dot), L"1.0 Ko");
    EXPECT_EQ(UpdateSizeText(2048, dot), L"2.0 Ko");
    EXPECT_EQ(UpdateSizeText(1075, dot), L"1.0 Ko"); // 1.0498
    EXPECT_EQ(UpdateSizeText(1076, dot), L"1.1 Ko"); // 1.0508
    EXPECT_EQ(UpdateSizeText(1024000, dot), L"1000.0 Ko");
    EXPECT_EQ(UpdateSizeText(1024001, dot), L"1.0 Mo");
    EXPECT_EQ(UpdateSizeText(2048000, dot), L"2.0 Mo");
    EXPECT_EQ(UpdateSizeText(1024000ull * 1234567 + 512000, dot), L"1,234,567.5 Mo");
    const NumberSeparators french{L",", L"\u00a0"};
    EXPECT_EQ(UpdateSizeText(2048000, french), L"2,0 Mo");
    EXPECT_EQ(UpdateSizeText(2048, french), L"2,0 Ko");
    EXPECT_EQ(UpdateSizeText(1024000ull * 1234, french), L"1\u00a0234,0 Mo");
}

TEST(UpdateTexts, Durations) {
    EXPECT_EQ(UpdateDurationText(0), L"0s");
    EXPECT_EQ(UpdateDurationText(59), L"59s");
    EXPECT_EQ(UpdateDurationText(60), L"60s");
    EXPECT_EQ(UpdateDurationText(61), L"1min 1s");
    EXPECT_EQ(UpdateDurationText(3600), L"1h 0min 0s");
    EXPECT_EQ(UpdateDurationText(3725), L"1h 2min 5s");
    EXPECT_EQ(UpdateDurationText(90061), L"25h 1min 1s");
}

namespace {

UpdateDownload TwoFiles() {
    return UpdateDownload(Parsed("2.0 Ko-2-readme.txt-TheWandrelSetup.exe"),
                          *UpdateServerOf("http://127.0.0.1:8035/"), NumberSeparators{});
}

std::string Response(size_t length) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           std::to_string(length) + "\r\n\r\n";
}

} // namespace

TEST(UpdateDownloadWindow, FetchesEachFileInTurnWithItsCaptionAndRequest) {
    UpdateDownload download = TwoFiles();
    EXPECT_EQ(download.labels().total_download, L"Total download: 2.0 Ko");
    auto file = download.NextFile();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->remote_path, "/readme.txt");
    EXPECT_EQ(download.labels().caption, L"TheWandrel Update - Downloading File 1/2");
    EXPECT_EQ(download.Request().substr(0, 27), "GET /readme.txt HTTP/1.1\r\nA");
    EXPECT_NE(download.Request().find("\r\nHost: 127.0.0.1:8035\r\n"), std::string::npos);

    auto arrival = download.OnData(Response(1024) + std::string(1000, 'r'), 100);
    EXPECT_EQ(arrival.offset, 0u);
    EXPECT_EQ(arrival.body.size(), 1000u);
    EXPECT_EQ(download.labels().file_size, L"File size: 1.0 Ko");
    EXPECT_EQ(download.OnPercentTick(), 98);
    EXPECT_EQ(download.OnPercentTick(), std::nullopt); // drawn once
    EXPECT_EQ(download.labels().recu, L"Received: 1000 Octets");
    EXPECT_EQ(download.labels().total_download, L"Total download: 1000 Octets / 2.0 Ko");
    EXPECT_EQ(download.OnSecondTick(101), UpdateDownload::SecondAction::None);

    arrival = download.OnData(std::string(24, 'r'), 101);
    EXPECT_EQ(arrival.offset, 1000u);
    EXPECT_EQ(download.OnPercentTick(), 100);
    // The next file starts only at the second tick that sees the file whole.
    EXPECT_EQ(download.OnSecondTick(102), UpdateDownload::SecondAction::NextFile);
    EXPECT_EQ(download.labels().total_download, L"Total download: 2.0 Ko / 2.0 Ko");
    EXPECT_EQ(download.labels().vitesse, L"Speed: 0 Octets/s"); // 1024 bytes in 2 s

    file = download.NextFile();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->name, "TheWandrelSetup.exe");
    EXPECT_EQ(download.labels().caption, L"TheWandrel Update - Downloading File 2/2");
    download.OnData(Response(1024), 200);
    EXPECT_EQ(download.OnPercentTick(), 0);
    download.OnData(std::string(1024, 's'), 200);
    EXPECT_EQ(download.OnSecondTick(201), UpdateDownload::SecondAction::NextFile);
    EXPECT_EQ(download.NextFile(), std::nullopt);
    EXPECT_FALSE(download.stopped());
}

TEST(UpdateDownloadWindow, SpeedAndTimeLeftOverMidnight) {
    UpdateDownload download = TwoFiles();
    download.NextFile();
    download.OnData(Response(10 * 1024 * 1000), 86399);
    download.OnData(std::string(400000, 'x'), 86399);
    // Started at 23:59:59; at 00:00:01 two seconds have passed: 200 thousand bytes a second.
    EXPECT_EQ(download.OnSecondTick(1), UpdateDownload::SecondAction::None);
    EXPECT_EQ(download.labels().vitesse, L"Speed: 195.3 Ko/s");
    // (10240000 - 400000) / 1024 / 200 = 48 s
    EXPECT_EQ(download.labels().restant, L"Time left: 48s");
}

TEST(UpdateDownloadWindow, StopsAfterThirtyTicksWithoutData) {
    UpdateDownload download = TwoFiles();
    download.NextFile();
    for (int tick = 1; tick <= UpdateDownload::kIdleLimit; ++tick)
        ASSERT_EQ(download.OnSecondTick(tick), UpdateDownload::SecondAction::None) << tick;
    // Data restarts the count.
    download.OnData("HTTP/1.1 200", 30);
    for (int tick = 1; tick <= UpdateDownload::kIdleLimit; ++tick)
        ASSERT_EQ(download.OnSecondTick(30 + tick), UpdateDownload::SecondAction::None);
    EXPECT_EQ(download.OnSecondTick(61), UpdateDownload::SecondAction::Stop);
    EXPECT_TRUE(download.stopped());
    EXPECT_NE(download.labels().status.find(L"30 seconds"), std::wstring::npos);
    EXPECT_EQ(download.NextFile(), std::nullopt);
}

TEST(UpdateDownloadWindow, ARefusedOrCutResponseStopsEverything) {
    UpdateDownload refused = TwoFiles();
    refused.NextFile();
    auto arrival = refused.OnData("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n"
                                  "Content-Length: 9\r\n\r\nNot found",
                                  5);
    EXPECT_TRUE(arrival.stop);
    EXPECT_TRUE(arrival.body.empty());
    EXPECT_EQ(refused.labels().status,
              L"Download stopped: the server answered 404 instead of the file.");
    EXPECT_EQ(refused.OnSecondTick(6), UpdateDownload::SecondAction::None);
    EXPECT_EQ(refused.NextFile(), std::nullopt);

    UpdateDownload cut = TwoFiles();
    cut.NextFile();
    cut.OnData(Response(100) + "only part", 5);
    EXPECT_TRUE(cut.OnClosed());
    EXPECT_TRUE(cut.stopped());
    EXPECT_EQ(cut.OnSecondTick(6), UpdateDownload::SecondAction::None);

    UpdateDownload whole = TwoFiles();
    whole.NextFile();
    whole.OnData(Response(4) + "done", 5);
    EXPECT_FALSE(whole.OnClosed()); // the whole file arrived; the next tick moves on
    EXPECT_EQ(whole.OnSecondTick(6), UpdateDownload::SecondAction::NextFile);
}
