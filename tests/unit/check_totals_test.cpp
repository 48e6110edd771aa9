#include "net/check_totals.h"
#include "net_fakes.h"
#include "storage/data_files.h"
#include "storage/settings_table.h"
#include "base/localisation.h"

#include <gtest/gtest.h>

namespace {

class TotalsCheck : public ::testing::Test, protected FakeServices {
  protected:
    void SetUp() override {
        LangueCourante = 0;
        settings.Write(SettingPath(Setting::Login), "bob");
        EnregistrePwd(files, "pw");
        // 1234 km 567 m 89 cm; then left, right, special, scrolls, keys, uptime, usetime.
        counters.Ever_KmSouris = 1234;
        counters.Ever_MSouris = 567;
        counters.Ever_CmSouris = 89;
        counters.NCGauche_Ever = 1;
        counters.NCDroit_Ever = 2;
        counters.NCSpecial_Ever = 3;
        counters.NScrolls_Ever = 4;
        counters.NbTouches_Ever = 5;
        counters.UpTime_Ever = 6;
        counters.UseTime_Ever = 7;
        counters.Distance = 99; // to be sent: never touched
    }
    CheckOutcome Check(const std::string& answer) {
        http.answers = {answer};
        boxes.boxes.clear();
        return CheckTotalData_Click(services, counters, boxes,
                                    [this](bool enabled) { button.push_back(enabled); });
    }
    std::string Value(Setting s) { return settings.Read(SettingPath(s)).value_or("<none>"); }

    CounterSet counters;
    RecordingHost boxes;
    std::vector<bool> button;
};

} // namespace

TEST_F(TotalsCheck, EqualTotalsWriteNothing) {
    EXPECT_EQ(Check("123456789;1;2;3;4;5;6;7;extra;9"), CheckOutcome::UpToDate);
    EXPECT_EQ(http.urls[0].rfind("http://127.0.0.1:8035/CheckData.php?Id=", 0), 0u);
    EXPECT_EQ(http.LastPlain(), "bob'pw");
    EXPECT_EQ(Value(Setting::DTotale), "<none>");
    EXPECT_EQ(Value(Setting::TotalClicsSpecial), "<none>");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, L"Data checked");
    EXPECT_EQ(boxes.boxes[0].text,
              L"Operation successfull.\r\nYour total data are already up to date.");
    EXPECT_EQ(button, (std::vector<bool>{false, true}));
}

TEST_F(TotalsCheck, DifferingTotalsAreReplacedInMemoryAndInTheSettings) {
    EXPECT_EQ(Check("123456789;1;2;30;4;5;6;7"), CheckOutcome::Updated);
    EXPECT_EQ(counters.NCSpecial_Ever, 30);
    EXPECT_EQ(Value(Setting::TotalClicsSpecial), "30");
    EXPECT_EQ(Value(Setting::TotalClicsGauche), "<none>");
    EXPECT_EQ(boxes.boxes[0].text, L"Operation successfull.\r\nYour total data have been updated.");

    // Left before right, keystrokes after scrolls; the distance through its three parts.
    EXPECT_EQ(Check("100000050; 10 ;20;30;40;50;60;70"), CheckOutcome::Updated);
    EXPECT_EQ(EverTotals(counters),
              (std::array<int32_t, 10>{1000, 0, 50, 50, 10, 20, 30, 40, 60, 70}));
    EXPECT_EQ(Value(Setting::DTotale), "100000050");
    EXPECT_EQ(Value(Setting::TotalClicsGauche), "10"); // written as a number the readers take
    EXPECT_EQ(counters.Distance, 99);
}

TEST_F(TotalsCheck, FaultyAnswersStopAtTheFaultyField) {
    // Seven fields: the first seven are replaced, then "Unknown Error".
    EXPECT_EQ(Check("1;10;2;3;4;5;60"), CheckOutcome::UnknownError);
    EXPECT_EQ(EverTotals(counters), (std::array<int32_t, 10>{0, 0, 1, 5, 10, 2, 3, 4, 60, 7}));
    EXPECT_EQ(boxes.boxes[0].title, L"Unknown Error");
    EXPECT_EQ(boxes.boxes[0].text, L"Error: an unknown error has occured");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Exclamation);

    for (const std::string& answer :
         {std::string("1;2;x;3;4;5;6;7"), std::string("1;2;2147483648;3;4;5;6;7"),
          std::string("1;2;3.5;3;4;5;6;7"), std::string(";;;;;;;"), std::string("OK"),
          std::string("errpseudo"), std::string(1u << 20, ';'), std::string("\0\1\2", 3)}) {
        EXPECT_EQ(Check(answer), CheckOutcome::UnknownError) << answer.substr(0, 20);
        EXPECT_EQ(counters.NCDroit_Ever, 2);
    }
    EXPECT_EQ(Check("-5;2;2;3;4;5;60;7"), CheckOutcome::Updated); // a negative total is a number

    // The answer's largest number stands for any larger total: ours is kept.
    counters.Ever_KmSouris = 30000;
    EXPECT_EQ(Check("2147483647;2;2;3;4;5;60;7"), CheckOutcome::UpToDate);
    EXPECT_EQ(counters.Ever_KmSouris, 30000);
    EXPECT_EQ(button.back(), true);
}

TEST_F(TotalsCheck, ErrorWordsShowTheirBoxAndChangeNothing) {
    const std::pair<std::string, std::wstring> rows[] = {
        {"", L"Can't join the Server"},
        {"ErrPseudo", L"Unknown Nickname"},
        {"ErrPwd", L"Wrong Password"},
        {"Erreur", L"Server Failure"},
    };
    for (const auto& [answer, title] : rows) {
        Check(answer);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].title, title);
        EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Exclamation);
    }
    EXPECT_EQ(counters.Ever_KmSouris, 1234);
    EXPECT_EQ(settings.size(), 2u); // Login and the Server default only
}
