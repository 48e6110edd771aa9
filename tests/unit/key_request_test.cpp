#include "net/key_request.h"
#include "net_fakes.h"
#include "storage/data_files.h"
#include "storage/settings_table.h"
#include "base/localisation.h"

#include <gtest/gtest.h>

TEST(KeyAnswers, AcceptedOnlyWithOkAnyCharacterAndASixCharacterKey) {
    const std::string key6 = CodePaires("ABC123").value();
    EXPECT_EQ(KeyInAnswer("OK-" + key6), key6);
    EXPECT_EQ(KeyInAnswer(std::string("OK\0", 3) + key6), key6); // the 3rd character is free
    for (const std::string& answer :
         {std::string("OK"), std::string("OK-"), "OK-" + CodePaires("ABC12").value(),
          "OK-" + CodePaires("ABC1234").value(), "Ok-" + key6, "OK-" + key6 + "x",
          std::string(1u << 20, '0'),
          // keys this client could not keep: an apostrophe, a blank, a code above 127
          "OK-" + CodePaires("AB'123").value(), "OK-" + CodePaires("AB 123").value(),
          "OK-" + CodePaires("AB\x80"
                             "123")
                      .value(),
          "OK-" + CodePaires("AB\xAF"
                             "123")
                      .value()})
        EXPECT_FALSE(KeyInAnswer(answer)) << answer.substr(0, 20);

    EXPECT_EQ(ClassifyKeyAnswer("OK-" + key6), KeyAnswer::Accepted);
    EXPECT_EQ(ClassifyKeyAnswer("Errlogin"), KeyAnswer::UnknownNickname);
    EXPECT_EQ(ClassifyKeyAnswer("Errpwd"), KeyAnswer::WrongPassword);
    EXPECT_EQ(ClassifyKeyAnswer(""), KeyAnswer::Unreachable);
    EXPECT_EQ(ClassifyKeyAnswer("errlogin"), KeyAnswer::ServerFailure);
    EXPECT_EQ(ClassifyKeyAnswer("Errcle"), KeyAnswer::ServerFailure);
    EXPECT_EQ(ClassifyKeyAnswer(std::string("\0\xff", 2)), KeyAnswer::ServerFailure);
}

namespace {

class KeyRequest : public ::testing::Test, protected FakeServices {
  protected:
    void SetUp() override {
        LangueCourante = 0;
        state.Clef = CodePaires("OLDKEY").value();
        counters.Distance = 500;
        counters.NClics = 3;
        counters.NCGauche = 3;
        counters.UseTime = 2;
        counters.NbTouches_Ever = 40;
        counters.Ever_KmSouris = 2;
    }
    bool Request(const std::string& answer) {
        http.answers = {answer};
        return Recupere_nouvelle_cle(services, state, counters, host, "bob", "pa ss");
    }

    ServerLinkState state;
    CounterSet counters;
    RecordingHost host;
};

} // namespace

TEST_F(KeyRequest, AcceptedKeyClearsTheCountsAndIsStored) {
    const std::string key6 = CodePaires("NEWKEY").value();
    EXPECT_TRUE(Request("OK-" + key6));
    EXPECT_EQ(http.urls[0].rfind("http://127.0.0.1:8035/Request_cle.php?Data=", 0), 0u);
    EXPECT_EQ(http.LastPlain(), "bob'pa ss");
    EXPECT_EQ(state.Clef, key6);
    EXPECT_EQ(files.ReadAll(kKeyFileName), key6 + "\r\n");
    EXPECT_TRUE(files.Exists(kTotalsFileName));
    EXPECT_EQ(ToBeSent(counters).Fields(), SentCounts{}.Fields());
    EXPECT_EQ(counters.NClics, 0);
    EXPECT_EQ(counters.NbTouches_Ever, 40); // totals untouched
    EXPECT_EQ(counters.Ever_KmSouris, 2);
    EXPECT_EQ(host.events,
              (std::vector<std::string>{"stop-sampling", "pump", "restart-sampling", "box"}));
    EXPECT_EQ(host.boxes[0].text, L"OK. Enjoy!");
    EXPECT_EQ(host.boxes[0].title, L"Reinstalled");
    EXPECT_EQ(host.boxes[0].icon, MessageIcon::Information);
}

TEST_F(KeyRequest, RefusalsChangeNothingAndShowTheirBox) {
    const std::string old_key = state.Clef;
    const std::pair<std::string, std::wstring> rows[] = {
        {"Errlogin", L"TheWandrel: Nickname Error"},
        {"Errpwd", L"TheWandrel: Password Error"},
        {"", L"TheWandrel: Connection error"},
        {"errlogin", L"TheWandrel: Server error"},
        {"OK", L"TheWandrel: Server error"},
        {"OK-" + CodePaires("FIVE5").value(), L"TheWandrel: Server error"},
        {"OK-" + CodePaires("SEVEN77").value(), L"TheWandrel: Server error"},
    };
    for (const auto& [answer, title] : rows) {
        host.boxes.clear();
        EXPECT_FALSE(Request(answer));
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].title, title);
        EXPECT_EQ(host.boxes[0].icon, MessageIcon::Critical);
    }
    EXPECT_EQ(host.boxes[0].text, L"Error: Probable server failure. \r\nPlease try again later");
    EXPECT_EQ(state.Clef, old_key);
    EXPECT_EQ(counters.Distance, 500);
    EXPECT_FALSE(files.Exists(kKeyFileName));
}
