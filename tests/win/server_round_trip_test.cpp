// Run by the end-to-end tests (tests/e2e/test_send_totals.py) against a real trekhold-server,
// with a password of every character the server allows; disabled in the normal run. The
// server's address and account come from the environment.
#include "net/check_totals.h"
#include "tests/fakes/memory_stores.h"
#include "net/key_request.h"
#include "net/send_totals.h"
#include "net/win32/wininet_fetcher.h"
#include "storage/data_files.h"
#include "storage/settings_table.h"
#include "tests/unit/net_fakes.h"
#include "base/localisation.h"

#include <gtest/gtest.h>

namespace {

std::string Environment(const char* name) {
    char value[1024] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

} // namespace

TEST(ServerRoundTrip, DISABLED_KeySendingsAndTotalsCheck) {
    const std::string server = Environment("WANDREL_E2E_SERVER");
    const std::string nick = Environment("WANDREL_E2E_NICK");
    const std::string password = Environment("WANDREL_E2E_PASSWORD");
    ASSERT_FALSE(server.empty());
    LangueCourante = 0;

    MemorySettingsStore settings;
    settings.Write(SettingPath(Setting::Server), server);
    settings.Write(SettingPath(Setting::Login), nick);
    MemoryFileStore files;
    ASSERT_EQ(EnregistrePwd(files, password), SaveResult::Saved);
    win32::WinInetFetcher http;
    FixedClock clock;
    SystemRandomSource random;
    ExchangeServices services{settings, files, http, clock, random};
    ServerLinkState state;
    CounterSet counters;
    RecordingHost host;

    // A key for this computer.
    ASSERT_TRUE(Recupere_nouvelle_cle(services, state, counters, host, nick, password));
    const std::string first_key = state.Clef;

    // An accepted sending brings the next key; the server's totals are then the client's.
    // A second sending with that key, and a total taken from the server, are proven with the
    // whole client (tests/e2e).
    SetWaitingCounts(counters);
    Send_Click(services, state, counters, host, host);
    ASSERT_EQ(state.LastLog.substr(0, 16), L"[3Km 500M 20Cm] ") << state.LastLog.c_str();
    EXPECT_NE(state.Clef, first_key);
    EXPECT_EQ(CheckTotalData_Click(services, counters, host), CheckOutcome::UpToDate);
}
