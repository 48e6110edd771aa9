// Fakes for the exchanges with the server: a scripted HTTP fetcher, a host that records what
// the exchange asked of the main window, and a fixed clock.
#pragma once

#include "net/exchange.h"
#include "tests/fakes/memory_stores.h"
#include "storage/cryptage.h"

#include <array>
#include <cctype>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class ScriptedFetcher : public HttpFetcher {
  public:
    // The next scripted answer; none left: the server cannot be reached.
    HttpResult Fetch(const std::string& url) override {
        urls.push_back(url);
        HttpResult result;
        if (answers.empty())
            return result;
        result.outcome = HttpResult::Outcome::Answered;
        result.status = 200;
        result.body = answers.front();
        answers.pop_front();
        return result;
    }
    void SetProxy(const std::string& address) override { proxy = address; }

    // The plain text of the last request's payload (after "="), %XX decoded as the
    // server does.
    std::string LastPlain() const {
        const std::string& url = urls.back();
        return DecrypteEnvoi(PercentDecoded(url.substr(url.find('=') + 1)))
            .value_or("<not a payload>");
    }
    static std::string PercentDecoded(const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%' && i + 2 < text.size() &&
                isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                isxdigit(static_cast<unsigned char>(text[i + 2]))) {
                out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += text[i];
            }
        }
        return out;
    }

    std::deque<std::string> answers;
    std::vector<std::string> urls;
    std::string proxy;
};

class FixedClock : public LogClock {
  public:
    LogMoment Now() override { return moment; }
    LogMoment moment{"06/12/2026", 9, 7};
};

struct ShownBox {
    std::wstring text;
    std::wstring title;
    MessageButtons buttons;
    MessageIcon icon;
};

class RecordingHost : public SendingUi, public MachineFacts {
  public:
    MessageAnswer Show(const std::wstring& text, const std::wstring& title, MessageButtons buttons,
                       MessageIcon icon) override {
        boxes.push_back({text, title, buttons, icon});
        events.push_back("box");
        if (on_box)
            on_box();
        if (replies.empty())
            return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
        MessageAnswer reply = replies.front();
        replies.erase(replies.begin());
        return reply;
    }
    std::optional<std::wstring> AskText(const std::wstring&, const std::wstring&,
                                        const std::wstring&) override {
        return std::nullopt;
    }
    void StartSendingAnimation() override { events.push_back("animate"); }
    void StopSendingAnimation() override { events.push_back("stop-animation"); }
    void RestoreRestingIcon() override { events.push_back("rest-icon"); }
    void StopSampling() override { events.push_back("stop-sampling"); }
    void RestartSampling() override { events.push_back("restart-sampling"); }
    void ProcessPendingMessages() override { events.push_back("pump"); }
    void OpenAccountPage() override { events.push_back("account-page"); }
    bool CanDownloadUpdate() override { return can_download; }
    void StartUpdateDownload(const std::string& description) override {
        events.push_back("download:" + description);
    }
    void GotoSite(const std::string& address) override { events.push_back("site:" + address); }
    std::string MachineIdentity() override { return "0C293A4B5"; }
    std::string ProgramDigest() override { return digest; }
    bool MetricUnits() override { return metric; }
    std::wstring DecimalSeparator() override { return separator; }

    std::vector<ShownBox> boxes;
    std::function<void()> on_box; // runs while a box is up, as the message loop would
    std::vector<MessageAnswer> replies;
    std::vector<std::string> events;
    bool can_download = false;
    bool metric = true;
    std::wstring separator = L".";
    std::string digest = "0123456789ABCDEF0123456789ABCDEF";
};

// The confirmed totals: the distance's km, m and cm parts, then keys, left, right and special
// clicks, scrolls, uptime and usetime.
inline std::array<int32_t, 10> EverTotals(const CounterValues& c) {
    return {c.Ever_KmSouris, c.Ever_MSouris,   c.Ever_CmSouris, c.NbTouches_Ever, c.NCGauche_Ever,
            c.NCDroit_Ever,  c.NCSpecial_Ever, c.NScrolls_Ever, c.UpTime_Ever,    c.UseTime_Ever};
}

// Counts waiting to be sent, some of each kind: 3 km 500 m 20 cm, 10 keys, 3 + 2 + 1
// clicks, 7 scrolls, 60 minutes up, 30 in use.
inline void SetWaitingCounts(CounterSet& counters) {
    ClearToBeSent(counters);
    GiveBack(counters, SentCounts{350020, 10, 3, 2, 1, 7, 60, 30});
}

// Every service of an exchange, faked; a test fixture derives from it.
struct FakeServices {
    MemorySettingsStore settings;
    MemoryFileStore files;
    ScriptedFetcher http;
    FixedClock clock;
    SystemRandomSource random;
    ExchangeServices services{settings, files, http, clock, random};
};
