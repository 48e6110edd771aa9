#include "net/send_totals.h"
#include "net/win32/exchange_host_base.h"
#include "net/win32/goto_site.h"
#include "net/win32/wininet_fetcher.h"
#include "storage/data_files.h"
#include "storage/settings_table.h"
#include "tests/unit/net_fakes.h"
#include "tiny_http_server.h"
#include "ui/localisation.h"

#include <gtest/gtest.h>

namespace {

int g_frames = 0;
void CALLBACK NextFrame(HWND, UINT, UINT_PTR, DWORD) {
    ++g_frames;
}

// The main window's half of the host: the sending animation as a real 200 ms timer.
class AnimatedHost : public win32::ExchangeHostBase {
  public:
    void StartSendingAnimation() override { timer = SetTimer(nullptr, 0, 200, &NextFrame); }
    void StopSendingAnimation() override {
        if (timer)
            KillTimer(nullptr, timer);
        timer = 0;
    }
    void RestoreRestingIcon() override {}
    void StopSampling() override {}
    void RestartSampling() override {}
    std::string ProgramDigest() override { return std::string(32, 'A'); }
    bool MetricUnits() override { return true; }
    UINT_PTR timer = 0;
};

} // namespace

TEST(SendingOnWindows, TheAnimationTurnsWhileTheServerTakesItsTime) {
    LangueCourante = 0;
    const std::string key = CodePaires("NEWKEY").value();
    wintest::TinyHttpServer::Reply reply;
    reply.body = "OK000" + key;
    reply.delay_ms = 1200;
    wintest::TinyHttpServer server(reply);
    ASSERT_TRUE(server.Start());

    MemorySettingsStore settings;
    settings.Write(SettingPath(Setting::Server), server.Url("/"));
    settings.Write(SettingPath(Setting::Login), "bob");
    MemoryFileStore files;
    EnregistrePwd(files, "pw");
    win32::WinInetFetcher http;
    FixedClock clock;
    SystemRandomSource random;
    ExchangeServices services{settings, files, http, clock, random};
    ServerLinkState state;
    state.Clef = CodePaires("OLDKEY").value();
    CounterSet counters;
    counters.Distance = 12345;
    AnimatedHost host;

    g_frames = 0;
    Send_Click(services, state, counters, host);
    EXPECT_GE(g_frames, 3); // about six frames in 1.2 s
    EXPECT_EQ(state.Clef, key);
    EXPECT_EQ(counters.Ever_MSouris, 123);
    EXPECT_FALSE(state.EnvoiEnCours);
    ASSERT_FALSE(server.RequestLines().empty());
    EXPECT_EQ(server.RequestLines()[0].rfind("GET /Envoi.php?Data=", 0), 0u);
    const std::string id = host.MachineIdentity();
    EXPECT_GE(id.size(), 6u);
    EXPECT_FALSE(host.DecimalSeparator().empty());
}

TEST(GotoSite, TheBrowserLookupLeavesNoFileBehind) {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string probe = std::string(temp) + "Bidon.html";
    win32::FindBrowser();
    EXPECT_EQ(GetFileAttributesA(probe.c_str()), INVALID_FILE_ATTRIBUTES);
}
