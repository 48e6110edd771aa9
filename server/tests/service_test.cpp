#include "server/account_store.h"
#include "server/answers.h"
#include "server/protocol_codec.h"
#include "server/sending_record.h"
#include "server/trekhold_service.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>
#include <thread>

using namespace trekhold;
using test::KeyOf;

namespace {

class ServiceTest : public test::ServiceFixture {
  protected:
    void SetUp() override {
        config_.judge_sendings = false; // the plausibility tests judge
        ServiceFixture::SetUp();
    }
};

} // namespace

TEST_F(ServiceTest, AnswerWords) {
    EXPECT_EQ(service_->RequestKey(EncipherPayload("nobody'secret1")), "Errlogin");
    EXPECT_EQ(service_->RequestKey(EncipherPayload("walker'wrong")), "Errpwd");
    EXPECT_EQ(service_->RequestKey(EncipherPayload("walker")), "Erreur");
    EXPECT_EQ(service_->RequestKey(""), "Erreur");
    EXPECT_EQ(service_->RequestKey(EncipherPayload("walker'secret1")).substr(0, 3), "OK-");
    const std::string first = RequestKey("WALKER"), key = RequestKey();
    ASSERT_NE(key, "");
    EXPECT_EQ(Send(key, {}, 35, "wrong1"), "Errpwd");
    EXPECT_EQ(Send(key, {}, 35, "secret1", "nobody"), "Errlogin");
    EXPECT_EQ(Send("zzzzzz", {}), "Errcle");
    EXPECT_EQ(Send(first, {5}), "Errcle"); // retired by another computer's key request
    EXPECT_EQ(Send("garbage"), "Errdata");
    EXPECT_EQ(Send(""), "Errdata");
    EXPECT_EQ(Send(Record(key, {}) + "'x"), "Errdata");
    EXPECT_EQ(service_->CheckData(EncipherPayload("nobody'secret1")), "ErrPseudo");
    EXPECT_EQ(service_->CheckData(EncipherPayload("walker'wrong")), "ErrPwd");
    EXPECT_EQ(service_->CheckData("JJ"), "Erreur");
    EXPECT_EQ(Totals(), "0;0;0;0;0;0;0;0");

    const std::string answer = Send(key, {123456789, 10, 3, 2, 1, 7, 60, 50});
    ASSERT_EQ(answer.substr(0, 5), "OK000");
    const std::string next = KeyOf(answer, 5);
    EXPECT_NE(next, "");
    EXPECT_NE(next, key);
    EXPECT_NE(KeyOf(Send(next, {1, 1, 1, 1, 1, 1, 1, 1}), 5), "");
    EXPECT_EQ(Totals(), "123456790;4;3;2;8;11;61;51");
}

TEST_F(ServiceTest, EmptyOrLongAccountFieldsGetTheAccountWords) {
    const std::string key = RequestKey(), long_text(500, 'x');
    ASSERT_NE(key, "");
    // The client still sends when its nickname or password is empty.
    EXPECT_EQ(Send(key, {}, 35, "secret1", ""), "Errlogin");
    EXPECT_EQ(Send(key, {}, 35, "", ""), "Errlogin");
    EXPECT_EQ(Send(key, {}, 35, "secret1", long_text), "Errlogin");
    EXPECT_EQ(Send(key, {}, 35, ""), "Errpwd");
    EXPECT_EQ(Send(key, {}, 35, long_text), "Errpwd");
    using Texts = std::vector<std::string>;
    for (const std::string& login : Texts{"'secret1", "'", long_text + "'secret1"})
        EXPECT_EQ(service_->RequestKey(EncipherPayload(login)), "Errlogin") << login;
    for (const std::string& login : Texts{"walker'", "walker'" + long_text})
        EXPECT_EQ(service_->RequestKey(EncipherPayload(login)), "Errpwd") << login;
    for (const std::string& login : Texts{"'secret1", long_text + "'secret1"})
        EXPECT_EQ(service_->CheckData(EncipherPayload(login)), "ErrPseudo") << login;
    for (const std::string& login : Texts{"walker'", "walker'" + long_text})
        EXPECT_EQ(service_->CheckData(EncipherPayload(login)), "ErrPwd") << login;
    // None of these refusals cost the client its key.
    EXPECT_NE(KeyOf(Send(key, {1}), 5), "");
}

TEST_F(ServiceTest, TotalsBeyondTheClientsRangeAreCappedInTheCheckOnly) {
    constexpr int64_t kMax = 2147483647;
    std::string key = RequestKey();
    key = KeyOf(Send(key, {kMax, 1, kMax, 0, 0, kMax - 1, kMax, 5}), 5);
    ASSERT_NE(key, "");
    ASSERT_NE(KeyOf(Send(key, {1, 1, 1, 0, 0, 1, 1, 1}), 5), "");
    // distance; left; right; special; scrolls; keystrokes; uptime; usetime
    EXPECT_EQ(Totals(), "2147483647;2147483647;0;0;2147483647;2;2147483647;6");
    const auto by_distance = service_->Ranking(Quantity::kDistance, 1, 0);
    ASSERT_EQ(by_distance.size(), 1u);
    EXPECT_EQ(by_distance[0].value, kMax + 1);
}

TEST_F(ServiceTest, LostAnswerIsRecognisedWhenTheClientSendsAgain) {
    const std::string key = RequestKey();
    const std::string record = Record(key, {100, 10, 1, 1, 1, 1, 5, 4});
    const std::string answer = Send(record);
    ASSERT_NE(KeyOf(answer, 5), "");
    EXPECT_EQ(Send(record), answer);
    Start(); // and after a restart
    EXPECT_EQ(Send(record), answer);
    EXPECT_EQ(Totals(), "100;1;1;1;1;10;5;4");
    // Counts given back and grown before the retry: only the difference is added.
    const std::string newest = KeyOf(Send(key, {150, 12, 1, 1, 1, 1, 7, 5}), 5);
    ASSERT_NE(newest, "");
    EXPECT_EQ(Totals(), "150;1;1;1;1;12;7;5");
    EXPECT_EQ(Send(key, {10, 1, 1, 1, 1, 1, 1, 1}), "Errcle"); // fewer than accepted
    EXPECT_NE(KeyOf(Send(newest, {1}), 5), "");
    EXPECT_EQ(Totals(), "151;1;1;1;1;12;7;5");
    EXPECT_EQ(Send(record), "Errcle"); // only the key before the newest is recognised
}

TEST_F(ServiceTest, OldClientsAreToldOfTheNewVersionAndUnknownPrograms) {
    const std::string key = RequestKey();
    EXPECT_EQ(Send(key, {}, 34), "Errversion");
    EXPECT_EQ(Send("34'too'few"), "Errversion");
    EXPECT_EQ(Send("x'35"), "Errdata");
    const auto update = dir_.path() / "update";
    std::filesystem::create_directories(update);
    std::ofstream(update / "TheWandrelSetup.exe") << std::string(2048, 'x');
    std::ofstream(update / "Notes.txt") << "abc";
    std::ofstream(update / "bad-name.txt") << "abc";
    config_.update_folder = update.string();
    Start();
    EXPECT_EQ(Send(key, {}, 34), "Errversion-2.0 Ko-2-Notes.txt-TheWandrelSetup.exe");

    EXPECT_EQ(service_->DigestList(), "000\r\n");
    const std::string f32(32, 'F');
    {
        Database db(config_.db_path);
        Transaction tx(db);
        ASSERT_TRUE(AddDigest(db, f32));
        EXPECT_FALSE(AddDigest(db, f32));
        tx.Commit();
    }
    EXPECT_EQ(service_->DigestList(), "001\r\n" + f32 + "\r\n");
    // A changed or foreign client is offered the current one when there is one to offer.
    EXPECT_EQ(Send(key, {1}), "Errversion-2.0 Ko-2-Notes.txt-TheWandrelSetup.exe");
    config_.update_folder.clear();
    Start();
    EXPECT_EQ(Send(key, {1}), "Errprogram");
    EXPECT_EQ(Send(key, {}, 35, "secret1", "walker", f32).substr(0, 5), "OK001");
}

TEST_F(ServiceTest, SignUpRules) {
    std::string problem;
    EXPECT_EQ(service_->SignUp("Walker", "another1", problem), SignUpResult::kTaken);
    // clang-format off
    for (const auto& [nick, pw] : std::initializer_list<std::pair<std::string, std::string>>{
             {"x'y", "secret1"}, {"a b", "secret1"}, {"ab", "short"}, {"ab", "with space"},
             {"ab", "caf\xc3\xa9\x31\x32"}, {std::string(33, 'n'), "secret1"}})
        // clang-format on
        EXPECT_EQ(service_->SignUp(nick, pw, problem), SignUpResult::kInvalid) << nick << pw;
    EXPECT_EQ(service_->SignUp("x@y.z-(1)", "p!$(),;:@*", problem), SignUpResult::kCreated);
    EXPECT_EQ(service_->RankedAccountCount(), 2);
}

TEST_F(ServiceTest, HostilePayloadsGetAnswerWords) {
    std::mt19937 rng(7);
    const std::set<std::string> words = {"Errdata", "Errversion", "Errlogin",  "Errpwd",
                                         "Errcle",  "Erreur",     "Errprogram"};
    for (int i = 0; i < 400; ++i) {
        std::string payload(rng() % (i < 300 ? 200 : 20000), '\0');
        for (char& c : payload)
            c = static_cast<char>(rng());
        if (i % 3 == 0) // valid cipher text of random bytes
            payload = EncipherPayload(payload.substr(0, 300));
        EXPECT_EQ(words.count(service_->Send(payload)), 1u);
        const std::string key = service_->RequestKey(payload), check = service_->CheckData(payload);
        EXPECT_TRUE(key == "Erreur" || key == "Errlogin" || key == "Errpwd") << key;
        EXPECT_TRUE(check == "Erreur" || check == "ErrPseudo" || check == "ErrPwd") << check;
    }
    EXPECT_EQ(Totals(), "0;0;0;0;0;0;0;0");
}

TEST_F(ServiceTest, ConcurrentSendingsAreAllCounted) {
    constexpr int kAccounts = 8, kSendings = 40;
    std::string problem;
    for (int a = 0; a < kAccounts; ++a)
        ASSERT_EQ(service_->SignUp("acc" + std::to_string(a), "secret1", problem),
                  SignUpResult::kCreated);
    std::vector<std::thread> threads;
    for (int a = 0; a < kAccounts; ++a)
        threads.emplace_back([&, a] {
            const std::string nick = "acc" + std::to_string(a);
            std::string key = RequestKey(nick);
            for (int i = 0; i < kSendings && !key.empty(); ++i)
                key = KeyOf(Send(key, {1, 2, 0, 0, 0, 0, 1, 1}, 35, "secret1", nick), 5);
        });
    for (auto& t : threads)
        t.join();
    for (int a = 0; a < kAccounts; ++a) // every sending counted once
        EXPECT_EQ(service_->CheckData(EncipherPayload("acc" + std::to_string(a) + "'secret1")),
                  "40;0;0;0;0;80;40;40");
}

TEST_F(ServiceTest, AFailureIsAnsweredWithItsWordAndItsCauseGoesToStderr) {
    ASSERT_EQ(Totals(), "0;0;0;0;0;0;0;0");
    {
        Database other(config_.db_path);
        other.Exec("DROP TABLE accounts");
    }
    testing::internal::CaptureStderr();
    const std::string answer = Totals();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, answer::kCheckFailure);
    EXPECT_NE(said.find("trekhold-server: totals check not answered: "), std::string::npos) << said;
    EXPECT_NE(said.find("no such table: accounts"), std::string::npos) << said;
}
