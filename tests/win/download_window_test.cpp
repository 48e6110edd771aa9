// The update download window against a local server: one and two files, a header that
// arrives alone, a stalled server, a damaged description. How a refused or cut answer ends a
// download is proven with the download's logic (tests/unit/update_download_test.cpp).
#include "resources/dialog_resources.h"
#include "tiny_http_server.h"
#include "ui/download_window_win32.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>

namespace {

using wintest::PumpUntil;
using wintest::TinyHttpServer;

std::string Bytes(size_t size, unsigned seed) {
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    return out;
}

std::string Header(size_t length, const char* status = "206 Partial Content") {
    return std::string("HTTP/1.1 ") + status +
           "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           std::to_string(length) + "\r\nAccept-Ranges: bytes\r\n\r\n";
}

// Every request answered with `response` in one piece; the connection then closes, or stays
// open and silent.
TinyHttpServer::Reply OnePiece(std::string response, bool keep_open = false) {
    TinyHttpServer::Reply reply;
    reply.keep_open = keep_open;
    reply.pieces = [response](const std::string&) { return std::vector<std::string>{response}; };
    return reply;
}

std::string ReadWhole(const std::wstring& path) {
    win32::UniqueHandleKernel file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
    std::string out;
    char buffer[65536];
    DWORD n = 0;
    while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0)
        out.append(buffer, n);
    return out;
}

std::wstring LabelText(HWND window, int id) {
    wchar_t text[512] = L"";
    ::GetWindowTextW(id ? ::GetDlgItem(window, id) : window, text, 512);
    return text;
}

// One download window with its own folder, fed by `server`.
class Download {
  public:
    Download(const std::string& description, const std::string& server_url) {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"wandrel-download-" +
                  std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++serial_) +
                  L"\\";
        win32::DownloadSetup setup;
        setup.description = description;
        setup.server_url = server_url;
        setup.folder = folder_;
        setup.second_ms = 20; // a shortened Timer_Seconde: 30 idle ticks in well under a second
        setup.finished = [this](const std::wstring& path) { setup_program = path; };
        setup.closed = [this] { closed = true; };
        window_ = std::make_unique<win32::DownloadWindow>(std::move(setup));
    }
    ~Download() {
        window_.reset();
        for (const wchar_t* name : {L"TheWandrelSetup.exe", L"readme.txt"})
            ::DeleteFileW((folder_ + name).c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    void Start() {
        ASSERT_TRUE(window_->Create());
        window_->Downloadage();
    }
    // Pumps until the download finished or stopped; records every caption shown.
    bool RunToEnd(DWORD timeout_ms = 20000) {
        return PumpUntil(
            [&] {
                captions.insert(LabelText(hwnd(), 0));
                return !setup_program.empty() || !Status().empty();
            },
            timeout_ms);
    }
    HWND hwnd() const { return window_->hwnd(); }
    std::wstring Status() const { return LabelText(hwnd(), IDC_DOWNLOAD_STATUS); }
    std::wstring File(const wchar_t* name) const { return folder_ + name; }

    std::wstring setup_program;
    bool closed = false;
    std::set<std::wstring> captions;

  private:
    static inline int serial_ = 0;
    std::wstring folder_;
    std::unique_ptr<win32::DownloadWindow> window_;
};

} // namespace

TEST(DownloadWindow, FetchesOneFileWithTheSevenLineRequestAndHandsBackTheSetupProgram) {
    const std::string setup = Bytes(150000, 1);
    TinyHttpServer::Reply reply;
    reply.pieces = [&](const std::string& path) {
        return std::vector<std::string>{path == "/TheWandrelSetup.exe"
                                            ? Header(setup.size()) + setup
                                            : "HTTP/1.1 500 No\r\n\r\n"};
    };
    TinyHttpServer server(reply);
    ASSERT_TRUE(server.Start());
    Download download("146.5 Ko-1-TheWandrelSetup.exe", server.Url("/"));
    download.Start();
    ASSERT_TRUE(download.RunToEnd()) << "nothing happened";
    ASSERT_EQ(download.Status(), L"");
    EXPECT_EQ(download.setup_program, download.File(L"TheWandrelSetup.exe"));
    EXPECT_TRUE(ReadWhole(download.setup_program) == setup);
    EXPECT_EQ(download.captions.count(L"TheWandrel Update - Downloading File 1/1"), 1u);
    const std::string head = server.LastHead();
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /TheWandrelSetup.exe HTTP/1.1");
    EXPECT_NE(head.find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"),
              std::string::npos);
    EXPECT_NE(head.find("\r\nRange: bytes=0-\r\n"), std::string::npos);
    // The texts themselves are proven with the download's logic; here, that they are shown.
    EXPECT_EQ(LabelText(download.hwnd(), IDC_RECU), L"Received: 146.5 Ko");
    EXPECT_EQ(LabelText(download.hwnd(), IDC_PICTURE1), L"100%");
}

TEST(DownloadWindow, FetchesTwoFilesInTurnAndAFirstChunkHoldingOnlyTheHeader) {
    const std::string readme = Bytes(3000, 2), setup = Bytes(70000, 3);
    TinyHttpServer::Reply reply;
    reply.piece_gap_ms = 150;
    reply.pieces = [&](const std::string& path) {
        const std::string& body = path == "/readme.txt" ? readme : setup;
        // The header alone first, then the body in two pieces.
        return std::vector<std::string>{Header(body.size()), body.substr(0, 1000),
                                        body.substr(1000)};
    };
    TinyHttpServer server(reply);
    ASSERT_TRUE(server.Start());
    Download download("71.3 Ko-2-readme.txt-TheWandrelSetup.exe", server.Url("/"));
    download.Start();
    ASSERT_TRUE(download.RunToEnd());
    ASSERT_EQ(download.Status(), L"");
    EXPECT_TRUE(ReadWhole(download.File(L"readme.txt")) == readme);
    EXPECT_TRUE(ReadWhole(download.setup_program) == setup);
    EXPECT_EQ(download.captions.count(L"TheWandrel Update - Downloading File 1/2"), 1u);
    EXPECT_EQ(download.captions.count(L"TheWandrel Update - Downloading File 2/2"), 1u);
    const auto lines = server.RequestLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "GET /readme.txt HTTP/1.1");
    EXPECT_EQ(lines[1], "GET /TheWandrelSetup.exe HTTP/1.1");
}

TEST(DownloadWindow, StopsAfterThirtyIdleTicksOfAStalledServer) {
    TinyHttpServer server(OnePiece(Header(5000) + std::string(100, 'x'), true));
    ASSERT_TRUE(server.Start());
    Download stalled("4.9 Ko-1-TheWandrelSetup.exe", server.Url("/"));
    stalled.Start();
    ASSERT_TRUE(stalled.RunToEnd());
    EXPECT_EQ(stalled.Status(),
              L"Download stopped: nothing arrived from the server for 30 seconds.");
    EXPECT_EQ(stalled.setup_program, L"");
    EXPECT_EQ(LabelText(stalled.hwnd(), IDC_RECU), L"Received: 100 Octets");

    // Nobody listening: the same stop, with nothing received.
    Download unreachable("4.9 Ko-1-TheWandrelSetup.exe",
                         "http://127.0.0.1:" + std::to_string(wintest::UnusedPort()) + "/");
    unreachable.Start();
    ASSERT_TRUE(unreachable.RunToEnd());
    EXPECT_EQ(unreachable.Status(),
              L"Download stopped: nothing arrived from the server for 30 seconds.");
}

TEST(DownloadWindow, ADamagedDescriptionFetchesNothing) {
    // Which descriptions are damaged is proven with their reader.
    TinyHttpServer server(TinyHttpServer::Reply{});
    ASSERT_TRUE(server.Start());
    Download download("1 Ko-1-..\\TheWandrel.exe", server.Url("/"));
    download.Start();
    ASSERT_TRUE(download.RunToEnd(2000));
    EXPECT_EQ(download.Status(), L"The update description sent by the server is damaged: nothing "
                                 L"was downloaded.");
    EXPECT_TRUE(server.RequestLines().empty());
}

TEST(DownloadWindow, ClosingTheWindowStopsTheDownload) {
    TinyHttpServer::Reply silent;
    silent.silent = true;
    TinyHttpServer server(silent);
    ASSERT_TRUE(server.Start());
    Download download("1 Ko-1-TheWandrelSetup.exe", server.Url("/"));
    download.Start();
    ASSERT_TRUE(PumpUntil([&] { return !server.RequestLines().empty(); }, 10000));
    ::SendMessageW(download.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(download.closed);
    EXPECT_EQ(download.hwnd(), nullptr);
}

// Not a test of its own: the end-to-end tests run it to take screenshots. Shows the window
// part way through a download from a server that then stalls, until the file named by
// WANDREL_SHOT_DONE exists (at most a minute).
TEST(DownloadWindow, DISABLED_ShowPartWay) {
    TinyHttpServer server(OnePiece(Header(2500000) + Bytes(1100000, 4), true));
    ASSERT_TRUE(server.Start());
    win32::DownloadSetup setup;
    setup.description = "4.8 Mo-2-readme.txt-TheWandrelSetup.exe";
    setup.server_url = server.Url("/");
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    setup.folder = std::wstring(temp) + L"wandrel-shot\\";
    wchar_t decimal[8] = L".";
    ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
    setup.separators.decimal = decimal;
    win32::DownloadWindow window(std::move(setup));
    ASSERT_TRUE(window.Create());
    window.Downloadage();
    const char* done = std::getenv("WANDREL_SHOT_DONE");
    ASSERT_TRUE(done);
    const std::wstring done_file(done, done + std::strlen(done));
    // Long enough for a screenshot; the idle stop ends it after 30 seconds anyway.
    PumpUntil([&] { return ::GetFileAttributesW(done_file.c_str()) != INVALID_FILE_ATTRIBUTES; },
              60000);
    ::DeleteFileW((std::wstring(temp) + L"wandrel-shot\\readme.txt").c_str());
    ::RemoveDirectoryW((std::wstring(temp) + L"wandrel-shot").c_str());
}
