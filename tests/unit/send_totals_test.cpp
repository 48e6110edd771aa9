#include "base/md5.h"
#include "tests/fakes/memory_stores.h"
#include "net/send_totals.h"
#include "net_fakes.h"
#include "storage/data_files.h"
#include "storage/settings_table.h"
#include "base/localisation.h"

#include <gtest/gtest.h>

namespace {

// Remembers the names of the values written, in order.
class OrderedSettings : public MemorySettingsStore {
  public:
    bool Write(const std::string& path, const std::string& value) override {
        written.push_back(path.substr(path.rfind('\\') + 1));
        return MemorySettingsStore::Write(path, value);
    }
    std::string Value(Setting s) { return Read(SettingPath(s)).value_or("<missing>"); }
    std::vector<std::string> written;
};

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == sep)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

std::string StoredKey(const std::string& plain) {
    return CodePaires(plain).value();
}

class Sending : public ::testing::Test {
  protected:
    void SetUp() override {
        LangueCourante = 0;
        settings.Write(SettingPath(Setting::Login), "bob");
        EnregistrePwd(files, "secret");
        state.Clef = StoredKey("KEY123");
        original_clef = state.Clef;
        settings.Write(SettingPath(Setting::Save_logs), "True");
        settings.Write(SettingPath(Setting::Server), "http://127.0.0.1:8035/");
        SetWaitingCounts(counters);
        before = counters;
        settings.written.clear();
    }
    void Send(const std::string& answer) {
        http.answers.push_back(answer);
        Send_Click(services, state, counters, host, host);
    }
    // `c` holds exactly the counts that waited before the sending.
    void ExpectWaitingCounts(const CounterSet& c) {
        EXPECT_EQ(ToBeSent(c).Fields(), ToBeSent(before).Fields());
        EXPECT_EQ(c.NClics, 6);
    }
    void ExpectGivenBack() {
        ExpectWaitingCounts(counters);
        EXPECT_EQ(counters.NbTouches_Ever, 0);
        EXPECT_EQ(settings.written, std::vector<std::string>{}); // no total written
    }
    std::string Log() { return files.ReadAll(kLogFileName).value_or(""); }

    OrderedSettings settings;
    MemoryFileStore files;
    ScriptedFetcher http;
    FixedClock clock;
    SystemRandomSource random;
    ExchangeServices services{settings, files, http, clock, random};
    ServerLinkState state;
    CounterSet counters;
    CounterSet before;
    std::string original_clef;
    RecordingHost host;
};

} // namespace

TEST_F(Sending, RecordHasTheThirteenFieldsTheProgramDigestAndItsCheck) {
    counters.NCSpecial = -4; // a negative count keeps its sign
    Send("");
    ASSERT_EQ(http.urls.size(), 1u);
    EXPECT_EQ(http.urls[0].rfind("http://127.0.0.1:8035/Envoi.php?Data=", 0), 0u);
    const std::vector<std::string> f = Split(http.LastPlain(), '\'');
    ASSERT_EQ(f.size(), 15u);
    EXPECT_EQ(std::vector<std::string>(f.begin(), f.begin() + 14),
              (std::vector<std::string>{"35", "bob", "secret", "KEY123", "350020", "10", "3", "2",
                                        "-4", "7", "60", "30", "0C293A4B5", host.digest}));
    std::string first14 = f[0];
    for (size_t i = 1; i < 14; ++i)
        first14 += "'" + f[i];
    EXPECT_EQ(f[14], Md5Text(first14));
}

TEST(SendAnswers, ClassifiedExactlyWhateverTheServerSends) {
    const std::string key6 = CodePaires("ABCDEF").value();
    const SendAnswer ok = ClassifySendAnswer("OK004" + key6);
    EXPECT_EQ(ok.kind, SendAnswerKind::Accepted);
    EXPECT_EQ(ok.key, key6);
    EXPECT_EQ(ok.list_version, "004");
    // Characters 3 to 5 are not examined.
    EXPECT_EQ(ClassifySendAnswer("OK\x01\xff'" + key6).kind, SendAnswerKind::Accepted);

    const SendAnswerKind failure = SendAnswerKind::ServerFailure;
    for (const std::string& answer :
         {std::string("OK"), std::string("OK004"), "OK004" + CodePaires("ABCDE").value(),
          "OK004" + CodePaires("ABCDEFG").value(), "OK004" + CodePaires("ABC'EF").value(),
          "OK004" + CodePaires("ABC\xA0"
                               "EF")
                        .value(),
          "ok004" + key6, std::string("errlogin"), std::string("Errlogin "), std::string("ErrPwd"),
          std::string("Errcle\r\n"), std::string("Errdata"), std::string("Errprogram"),
          std::string("\0\0\0", 3), std::string(5u << 20, '1'), std::string(100000, '\xff')})
        EXPECT_EQ(ClassifySendAnswer(answer).kind, failure) << answer.substr(0, 40);

    EXPECT_EQ(ClassifySendAnswer("").kind, SendAnswerKind::Unreachable);
    EXPECT_EQ(ClassifySendAnswer("Errlogin").kind, SendAnswerKind::UnknownNickname);
    EXPECT_EQ(ClassifySendAnswer("Errpwd").kind, SendAnswerKind::WrongPassword);
    EXPECT_EQ(ClassifySendAnswer("Errcle").kind, SendAnswerKind::KeyMismatch);
    EXPECT_EQ(ClassifySendAnswer("Errversion").kind, SendAnswerKind::NewVersionWebsite);
    const SendAnswer update = ClassifySendAnswer("Errversion-a.exe;b.dll");
    EXPECT_EQ(update.kind, SendAnswerKind::NewVersionDownload);
    EXPECT_EQ(update.description, "a.exe;b.dll");
    EXPECT_EQ(ClassifySendAnswer("Errversion-").description, "");
    EXPECT_EQ(ClassifySendAnswer("Errversion-").kind, SendAnswerKind::NewVersionDownload);
}

TEST_F(Sending, AcceptedSendingAddsTheCountsAndWritesTheTotalsInOrder) {
    counters.Ever_KmSouris = 1;
    counters.Ever_MSouris = 600;
    counters.NbTouches_Ever = 100;
    const std::string new_key = StoredKey("NEWKEY");
    Send("OK000" + new_key);

    EXPECT_EQ(state.Clef, new_key);
    EXPECT_EQ(files.ReadAll(kKeyFileName), new_key + "\r\n");
    CounterSet stored;
    RecupereDonnees(files, stored, new_key);
    EXPECT_EQ(stored.Distance, 0);
    EXPECT_EQ(CountsToKeep(counters, state).Distance, 0); // a later shutdown keeps nothing sent
    EXPECT_TRUE(files.Exists(kTotalsFileName));

    // 600 m + 500 m stay 1100 m: the parts are added, not carried.
    EXPECT_EQ(counters.Ever_KmSouris, 4);
    EXPECT_EQ(counters.Ever_MSouris, 1100);
    EXPECT_EQ(counters.Ever_CmSouris, 20);
    EXPECT_EQ(settings.Value(Setting::DTotale), "510020");
    EXPECT_EQ(counters.NbTouches_Ever, 110);
    EXPECT_EQ(settings.Value(Setting::TotalClicsSpecial), "1");
    EXPECT_EQ(settings.written,
              (std::vector<std::string>{"DTotale", "TotalTouches", "TotalClicsDroit",
                                        "TotalClicsGauche", "TotalClicsSpecial", "TotalScrolls",
                                        "TotalUptime", "TotalUsetime"}));
    EXPECT_EQ(counters.Distance, 0);
    EXPECT_EQ(counters.NClics, 0);

    EXPECT_EQ(state.LastLog, L"[3Km 500M 20Cm] [10 Keystrokes]\r\n[6 Clicks] [7 Wheel Scrolls]\r\n"
                             L"[Uptime: 60min] [Usetime: 30min]\r\nhave been sent at 09:07");
    EXPECT_EQ(Log(), "(bob) 06/12/2026 09:07 > [3Km 500M 20Cm] [10 Keystrokes] [6 Clicks] "
                     "[7 Scroll Wheel] [Uptime: 60min] [Usetime: 30min] have been sent\r\n");
    // The list of accepted programs is fetched once its version is known to have changed.
    ASSERT_EQ(http.urls.size(), 2u);
    EXPECT_EQ(http.urls[1], "http://127.0.0.1:8035/Liste.php");
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.events, (std::vector<std::string>{"animate", "stop-sampling", "stop-animation",
                                                     "restart-sampling", "rest-icon"}));
    EXPECT_FALSE(state.EnvoiEnCours);
}

TEST_F(Sending, EnglishUnitsConvertEachPartWithItsOwnRounding) {
    host.metric = false;
    host.separator = L",";
    settings.Write(SettingPath(Setting::Save_logs), "False");
    files.Remove(kLogFileName);
    Send("OK000" + StoredKey("NEWKEY"));
    EXPECT_EQ(state.LastLog.substr(0, state.LastLog.find(L"\r\n")),
              L"[1,86Mi. 550Yd. 7In] [10 Keystrokes]");
    EXPECT_EQ(Log(), ""); // logging off

    const SentCounts sent{350020, 10, 3, 2, 1, 7, 60, 30};
    ResultTextOptions english;
    english.metric = false;
    EXPECT_EQ(SentLogLine(sent, english).substr(0, 22), L"[1.86Mi. 550Yd. 7In.] ");
    EXPECT_EQ(TwoDecimals(0.125, L"."), L"0.12"); // halves go to the even digit
    EXPECT_EQ(TwoDecimals(0.375, L"."), L"0.38");
    EXPECT_EQ(TwoDecimals(1.5, L"."), L"1.5");
    EXPECT_EQ(TwoDecimals(550.0000001, L"."), L"550");
    EXPECT_EQ(TwoDecimals(-1.25, L","), L"-1,25");
    EXPECT_EQ(TwoDecimals(0.004, L"."), L"0");
}

TEST_F(Sending, DistanceTotalsGrowPartByPartAndStayExact) {
    CounterSet c;
    MemorySettingsStore store;
    SentCounts sent;
    sent.Distance = 123456789;
    const DistanceParts parts = AddToTotals(c, sent, store);
    EXPECT_EQ(parts.km, 1234);
    EXPECT_EQ(parts.m, 567);
    EXPECT_EQ(parts.cm, 89);
    EXPECT_EQ(store.Read(SettingPath(Setting::DTotale)), "123456789");

    // A part that would leave its 16-bit range: the parts are rebuilt from the exact total.
    c.Ever_MSouris = 32700;
    const int64_t total = TotalDistanceCm(c);
    sent.Distance = 99000; // 990 m
    AddToTotals(c, sent, store);
    EXPECT_EQ(TotalDistanceCm(c), total + 99000);
    EXPECT_EQ(store.Read(SettingPath(Setting::DTotale)), std::to_string(TotalDistanceCm(c)));
    EXPECT_LT(c.Ever_MSouris, 1000);

    // Other totals stop at the 32-bit maximum instead of wrapping.
    c.NbTouches_Ever = 2147483000;
    sent = SentCounts{};
    sent.NbTouches = 1000;
    AddToTotals(c, sent, store);
    EXPECT_EQ(c.NbTouches_Ever, 2147483647);
}

TEST_F(Sending, RefusalsGiveTheCountsBackAndSayWhy) {
    struct Row {
        std::string answer;
        std::wstring last_log;
        std::wstring box_title; // empty: no box
    };
    const Row rows[] = {
        {"", L"Error: Can't reach the server. Please check your Internet connection", L""},
        {"Errlogin",
         L"Error: Unknown Nickname. Please check your Account Settings or create an account on "
         L"the website if it's not already done",
         L"TheWandrel: Nickname Error"},
        {"Errpwd", L"Error: Wrong Password. Please check your Account Settings",
         L"TheWandrel: Password Error"},
        {"errlogin", L"Error: Probable server failure. Please try again later", L""},
        {"OK000" + CodePaires("SHORT").value(),
         L"Error: Probable server failure. Please try again later", L""},
        {std::string(1u << 20, '\x01'), L"Error: Probable server failure. Please try again later",
         L""},
    };
    // A shutdown while the box is up (the user logs off) saves what the counters would hold.
    CounterSet kept_while_box_up;
    host.on_box = [&] { kept_while_box_up = CountsToKeep(counters, state); };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer.substr(0, 20));
        host.boxes.clear();
        Send(row.answer);
        ExpectGivenBack();
        EXPECT_EQ(CountsToKeep(counters, state).NbTouches, before.NbTouches); // nothing twice
        if (!row.box_title.empty())
            ExpectWaitingCounts(kept_while_box_up);
        EXPECT_EQ(state.Clef, original_clef);
        EXPECT_EQ(state.LastLog, row.last_log);
        if (row.box_title.empty()) {
            EXPECT_TRUE(host.boxes.empty());
        } else {
            ASSERT_EQ(host.boxes.size(), 1u);
            EXPECT_EQ(host.boxes[0].title, row.box_title);
            EXPECT_EQ(host.boxes[0].icon, MessageIcon::Exclamation);
            EXPECT_NE(host.boxes[0].text.find(L"\r\n"), std::wstring::npos);
        }
    }
    EXPECT_NE(Log().find("> Error: Can't reach the server. Please check"), std::string::npos);
    EXPECT_FALSE(files.Exists(kKeyFileName));
}

TEST_F(Sending, NewVersionAnswers) {
    // With a description but no download window: handled as a declined download, no box.
    Send("Errversion-setup.exe");
    ExpectGivenBack();
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(state.LastLog, kRefusedAutoUpdateText);

    host.can_download = true;
    host.replies = {MessageAnswer::Yes};
    Send("Errversion-setup.exe");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].title, L"TheWandrel: New version available");
    EXPECT_EQ(host.boxes[0].icon, MessageIcon::Question);
    EXPECT_EQ(state.LastLog, kAutoUpdateText);
    EXPECT_EQ(host.events.back(), "rest-icon");
    EXPECT_NE(std::find(host.events.begin(), host.events.end(), "download:setup.exe"),
              host.events.end());
    ExpectGivenBack();

    // Alone: never a download; Yes opens the website.
    host.boxes.clear();
    host.events.clear();
    host.replies = {MessageAnswer::Yes};
    Send("Errversion");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(host.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(state.LastLog, kNewVersionWebsiteText);
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "site:http://127.0.0.1:8035/"), 1);
    ExpectGivenBack();
}

TEST_F(Sending, KeyMismatchCancelledOrFailedGivesTheCountsBack) {
    host.replies = {MessageAnswer::Cancel};
    Send("Errcle");
    ExpectGivenBack();
    EXPECT_EQ(state.LastLog, L"Key Error: You were trying to change of computer or user");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].title, L"TheWandrel: Computer or User changing");
    EXPECT_EQ(host.boxes[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(http.urls.size(), 1u);

    // OK, and the key request fails: the counts are not lost.
    host.boxes.clear();
    host.replies = {MessageAnswer::Ok};
    http.answers = {"Errcle", "Errpwd"};
    Send_Click(services, state, counters, host, host);
    ExpectGivenBack();
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].title, L"TheWandrel: Password Error");
    EXPECT_EQ(http.urls.back().rfind("http://127.0.0.1:8035/Request_cle.php?Data=", 0), 0u);
    EXPECT_EQ(http.LastPlain(), "bob'secret");
}

TEST_F(Sending, KeyMismatchConfirmedWithANewKeyDropsTheCounts) {
    const std::string new_key = StoredKey("FRESH1");
    host.replies = {MessageAnswer::Ok};
    http.answers = {"Errcle", "OK-" + new_key};
    // What a logoff would save while "OK. Enjoy!" is up: nothing of the old key's counts.
    CounterSet kept_under_the_box;
    host.on_box = [&] {
        if (host.boxes.back().title == L"Reinstalled")
            kept_under_the_box = CountsToKeep(counters, state);
    };
    Send_Click(services, state, counters, host, host);
    EXPECT_EQ(kept_under_the_box.Distance, 0);
    EXPECT_EQ(kept_under_the_box.NbTouches, 0);
    EXPECT_EQ(state.Clef, new_key);
    EXPECT_EQ(CountsToKeep(counters, state).Distance, 0);
    EXPECT_EQ(counters.NClics, 0);
    EXPECT_EQ(counters.NbTouches_Ever, 0);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].title, L"Reinstalled");
}

TEST_F(Sending, MissingAccountAsksForItButStillSends) {
    settings.Delete(SettingPath(Setting::Login));
    Send("Errlogin");
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].text, L"Please fill in your account informations");
    EXPECT_EQ(host.boxes[0].title, L"TheWandrel");
    EXPECT_EQ(host.boxes[1].title, L"TheWandrel: Nickname Error");
    EXPECT_EQ(host.events[2], "stop-animation");
    EXPECT_EQ(host.events[4], "account-page");
    EXPECT_EQ(http.urls.size(), 1u);
    ExpectGivenBack();
}

TEST_F(Sending, ASendingWhileOneRunsIsIgnored) {
    state.EnvoiEnCours = true;
    Send("OK000" + StoredKey("NEWKEY"));
    EXPECT_TRUE(http.urls.empty());
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(counters.Distance, before.Distance);
}
