#include "app/hook_win_msg_win32.h"
#include "net/query_protocol.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FakeData : public QueryDataProvider {
  public:
    CounterSet counters;
    std::string nickname = "walker";
    const CounterSet& Counters() const override { return counters; }
    std::string Nickname() override { return nickname; }
};

// The window procedure of a client window: the hook first, then its own handling.
HookWinMsg* g_hook = nullptr;
std::vector<uintptr_t> g_copydata_tags;
LRESULT CALLBACK ClientProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (g_hook)
        g_hook->OnMessage(message, wparam, lparam);
    if (message == WM_COPYDATA)
        g_copydata_tags.push_back(reinterpret_cast<const COPYDATASTRUCT*>(lparam)->dwData);
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

// Replies that reached the requester's window.
std::vector<std::string> g_replies;
LRESULT CALLBACK RequesterProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA) {
        const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        g_replies.emplace_back(static_cast<const char*>(data.lpData), data.cbData);
        return TRUE;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

void SendCopyData(HWND to, HWND from, uintptr_t tag, const void* data, DWORD size) {
    COPYDATASTRUCT cds{tag, size, const_cast<void*>(data)};
    ::SendMessageW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&cds));
}

void SendRequest(HWND to, HWND from, const std::string& text) {
    SendCopyData(to, from, 3, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string Handle(HWND w) {
    return std::to_string(reinterpret_cast<intptr_t>(w));
}

} // namespace

TEST(HookWinMsg, AnswersAnotherProcessThroughTheQueryTool) {
    HWND client = wintest::CreateHiddenWindow(query::kClientWindowClass, ClientProc);
    ASSERT_TRUE(client);
    FakeData data;
    CounterSet& c = data.counters;
    c.Distance = 1234567;
    c.NbTouches = 5;
    c.NbTouches_Ever = 1000;
    c.Ever_KmSouris = 2;
    HookWinMsg hook(data, nullptr);
    g_hook = &hook;
    ASSERT_TRUE(hook.Install(client));

    const std::wstring tool = L"\"" + wintest::ProgramFolder() + L"wandrel_query.exe\"";
    wintest::RunResult totals = wintest::RunPumping(tool);
    ASSERT_TRUE(totals.finished);
    EXPECT_EQ(totals.exit_code, 0u) << totals.output;
    for (const char* line : {"nickname=walker\n", "distance_cm=1434567\n", "keys=1005\n"})
        EXPECT_NE(totals.output.find(line), std::string::npos) << totals.output;

    const std::string window = Handle(client);
    wintest::RunResult unsent = wintest::RunPumping(tool + L" 1 --raw --window " +
                                                    std::wstring(window.begin(), window.end()));
    EXPECT_EQ(unsent.exit_code, 0u) << unsent.output;
    EXPECT_EQ(unsent.output, "Wandrel'walker'1234567'5'0'0'0'0'0'0\n");

    // Without the subclass nobody answers: the tool says so by its exit code, in time.
    hook.Remove();
    wintest::RunResult silent = wintest::RunPumping(tool + L" --timeout-ms 1500");
    EXPECT_TRUE(silent.finished);
    EXPECT_EQ(silent.exit_code, 1u) << silent.output;
    ::DestroyWindow(client);
    g_hook = nullptr;
    EXPECT_EQ(wintest::RunPumping(tool).exit_code, 2u);
    EXPECT_EQ(wintest::RunPumping(tool + L" 256").exit_code, 3u);
}

TEST(HookWinMsg, IgnoresHostileRequestsAndPassesEverythingOn) {
    HWND client = wintest::CreateHiddenWindow(L"HookTestClient", ClientProc);
    HWND requester = wintest::CreateHiddenWindow(L"HookTestRequester", RequesterProc);
    FakeData data;
    data.nickname = std::string(300, 'n'); // a reply that would overrun the buffer
    int readds = 0;
    HookWinMsg hook(data, [&] { ++readds; });
    g_hook = &hook;
    ASSERT_TRUE(hook.Install(client));
    EXPECT_TRUE(hook.Install(client)); // a second install changes nothing
    g_copydata_tags.clear();
    g_replies.clear();

    // What the parser refuses is proven with the parser; here, that a refused request, a
    // wrong tag and data the parser must not read past get no reply.
    const std::string to = Handle(requester);
    SendRequest(client, requester, "Wandrel'" + to + "'256");
    SendCopyData(client, requester, 2, ("Wandrel'" + to + "'0").c_str(), 20);
    std::string big(300, 'W');
    big.replace(0, 8 + to.size() + 2, "Wandrel'" + to + "'0");
    SendCopyData(client, requester, 3, big.data(), static_cast<DWORD>(big.size())); // no NUL
    const std::string garbage("\xff\x00\x13Wandrel", 10);
    SendCopyData(client, requester, 3, garbage.data(), static_cast<DWORD>(garbage.size()));
    SendCopyData(client, requester, 3, nullptr, 0);
    SendCopyData(client, requester, 3, nullptr, 40);
    EXPECT_TRUE(g_replies.empty());
    // Every one of them went on to the window's own procedure, untouched.
    EXPECT_EQ(g_copydata_tags.size(), 6u);
    EXPECT_EQ(g_copydata_tags[1], 2u);

    SendRequest(client, requester, "Wandrel'" + to + "'0");
    ASSERT_EQ(g_replies.size(), 1u);
    EXPECT_EQ(g_replies[0].size(), query::kBufferSize); // reply + NUL fill the buffer exactly
    EXPECT_EQ(g_replies[0].back(), '\0');
    EXPECT_EQ(g_copydata_tags.size(), 7u);

    // A reply window that is gone: no reply, no crash.
    HWND gone = wintest::CreateHiddenWindow(L"HookTestGone");
    const std::string gone_handle = Handle(gone);
    ::DestroyWindow(gone);
    SendRequest(client, requester, "Wandrel'" + gone_handle + "'1");
    EXPECT_EQ(g_replies.size(), 1u);

    ::SendMessageW(client, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(readds, 1);
    hook.Remove();
    ::SendMessageW(client, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(readds, 1);
    g_hook = nullptr;
    ::DestroyWindow(client);
    ::DestroyWindow(requester);
}
