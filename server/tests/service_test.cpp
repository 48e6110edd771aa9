#include "server/account_store.h"
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

namespace {

const std::string kDigest = "0123456789ABCDEF0123456789ABCDEF";

class ServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        config_.db_path = dir_.File("t.db");
        config_.hash_cost = HashCost::kMinimum;
        Start();
        std::string problem;
        ASSERT_EQ(service_->SignUp("walker", "secret1", problem), SignUpResult::kCreated);
    }
    void Start() {
        service_.reset();
        service_ = std::make_unique<TrekholdService>(config_);
    }

    // The plain key of a "Request_cle" answer, or "" when refused.
    std::string RequestKey(const std::string& nick = "walker",
                           const std::string& password = "secret1") {
        std::string answer = service_->RequestKey(EncipherPayload(nick + "'" + password));
        if (answer.rfind("OK", 0) != 0 || answer.size() < 4)
            return "";
        return PlainKeyOf(answer.substr(3));
    }
    std::string Record(const std::string& key, const Counts& counts,
                       const std::string& password = "secret1", int64_t version = 35) {
        return FormatSendingRecord(version, "walker", password, key, counts, "C293A4B5", kDigest);
    }
    std::string Send(const std::string& record) { return service_->Send(EncipherPayload(record)); }
    // The plain key of an accepted sending's answer, or "".
    static std::string KeyOfSendingAnswer(const std::string& answer) {
        if (answer.rfind("OK", 0) != 0 || answer.size() < 6)
            return "";
        std::string key = PlainKeyOf(answer.substr(5));
        return key.size() == 6 ? key : "";
    }
    std::string Totals() { return service_->CheckData(EncipherPayload("walker'secret1")); }

    test::TempDir dir_;
    ServiceConfig config_;
    std::unique_ptr<TrekholdService> service_;
};

} // namespace

TEST_F(ServiceTest, KeyRequestAnswers) {
    EXPECT_EQ(service_->RequestKey(EncipherPayload("nobody'secret1")), "Errlogin");
    EXPECT_EQ(service_->RequestKey(EncipherPayload("walker'wrong")), "Errpwd");
    EXPECT_EQ(service_->RequestKey(EncipherPayload("walker")), "Erreur");
    EXPECT_EQ(service_->RequestKey(""), "Erreur");
    std::string answer = service_->RequestKey(EncipherPayload("walker'secret1"));
    ASSERT_EQ(answer.substr(0, 3), "OK-");
    EXPECT_EQ(PlainKeyOf(answer.substr(3)).size(), 6u);
    // Nicknames are matched without regard to case.
    EXPECT_EQ(RequestKey("WALKER").size(), 6u);
}

TEST_F(ServiceTest, SendingAddsCountsAndIssuesTheNextKey) {
    std::string key = RequestKey();
    ASSERT_EQ(key.size(), 6u);
    std::string answer = Send(Record(key, {123456789, 10, 3, 2, 1, 7, 60, 50}));
    ASSERT_EQ(answer.substr(0, 5), "OK000") << answer;
    std::string next = KeyOfSendingAnswer(answer);
    ASSERT_EQ(next.size(), 6u);
    EXPECT_NE(next, key);
    EXPECT_EQ(Totals(), "123456789;3;2;1;7;10;60;50");

    ASSERT_NE(KeyOfSendingAnswer(Send(Record(next, {1, 1, 1, 1, 1, 1, 1, 1}))), "");
    EXPECT_EQ(Totals(), "123456790;4;3;2;8;11;61;51");
}

TEST_F(ServiceTest, RefusalsByWord) {
    std::string key = RequestKey();
    EXPECT_EQ(Send(Record(key, {}, "wrong1")), "Errpwd");
    EXPECT_EQ(Send(FormatSendingRecord(35, "nobody", "secret1", key, {}, "0", kDigest)),
              "Errlogin");
    EXPECT_EQ(Send(Record("zzzzzz", {})), "Errcle");
    EXPECT_EQ(Send("garbage"), "Errdata");
    EXPECT_EQ(Send(""), "Errdata");
    EXPECT_EQ(Send(Record(key, {}) + "'extra"), "Errdata");
    EXPECT_EQ(Totals(), "0;0;0;0;0;0;0;0");
    EXPECT_EQ(service_->CheckData(EncipherPayload("nobody'secret1")), "ErrPseudo");
    EXPECT_EQ(service_->CheckData(EncipherPayload("walker'wrong")), "ErrPwd");
    EXPECT_EQ(service_->CheckData("JJ"), "Erreur");
    // The right password still works after wrong ones were remembered.
    EXPECT_EQ(Totals(), "0;0;0;0;0;0;0;0");
}

TEST_F(ServiceTest, AnotherComputersKeyRequestRetiresTheOldKey) {
    std::string first = RequestKey();
    std::string second = RequestKey();
    ASSERT_EQ(second.size(), 6u);
    EXPECT_EQ(Send(Record(first, {5, 0, 0, 0, 0, 0, 0, 0})), "Errcle");
    EXPECT_NE(KeyOfSendingAnswer(Send(Record(second, {5, 0, 0, 0, 0, 0, 0, 0}))), "");
}

TEST_F(ServiceTest, LostAnswerIsRecognisedWhenTheClientSendsAgain) {
    std::string key = RequestKey();
    std::string record = Record(key, {100, 10, 1, 1, 1, 1, 5, 4});
    std::string answer = Send(record);
    ASSERT_NE(KeyOfSendingAnswer(answer), "");
    // Same record, same old key: the same answer, nothing added twice.
    EXPECT_EQ(Send(record), answer);
    EXPECT_EQ(Send(record), answer);
    EXPECT_EQ(Totals(), "100;1;1;1;1;10;5;4");
    // It survives a restart of the server.
    Start();
    EXPECT_EQ(Send(record), answer);
    EXPECT_EQ(Totals(), "100;1;1;1;1;10;5;4");

    // The client gave the counts back and counted more before trying again: only the
    // difference is added.
    std::string later = Send(Record(key, {150, 12, 1, 1, 1, 1, 7, 5}));
    std::string newest = KeyOfSendingAnswer(later);
    ASSERT_NE(newest, "");
    EXPECT_EQ(Totals(), "150;1;1;1;1;12;7;5");
    // Fewer counts than already accepted cannot be that client's record.
    EXPECT_EQ(Send(Record(key, {10, 1, 1, 1, 1, 1, 1, 1})), "Errcle");
    // The newest key goes on normally.
    EXPECT_NE(KeyOfSendingAnswer(Send(Record(newest, {1, 0, 0, 0, 0, 0, 0, 0}))), "");
    EXPECT_EQ(Totals(), "151;1;1;1;1;12;7;5");
    // After a normal acceptance the key before it is the one recognised, not the first.
    EXPECT_EQ(Send(record), "Errcle");
}

TEST_F(ServiceTest, OldClientsAreToldOfTheNewVersion) {
    std::string key = RequestKey();
    EXPECT_EQ(Send(Record(key, {}, "secret1", 34)), "Errversion");
    EXPECT_EQ(Send("34'too'few"), "Errversion");
    EXPECT_EQ(Send("x'35"), "Errdata");

    std::filesystem::create_directories(dir_.path() / "update");
    std::ofstream(dir_.path() / "update" / "TheWandrelSetup.exe") << std::string(2048, 'x');
    std::ofstream(dir_.path() / "update" / "Notes.txt") << "abc";
    std::ofstream(dir_.path() / "update" / "bad-name.txt") << "abc";
    config_.update_folder = (dir_.path() / "update").string();
    Start();
    EXPECT_EQ(Send(Record(key, {}, "secret1", 34)),
              "Errversion-2.0 Ko-2-Notes.txt-TheWandrelSetup.exe");
    EXPECT_NE(KeyOfSendingAnswer(Send(Record(key, {}, "secret1", 35))), "");
}

TEST_F(ServiceTest, ProgramDigestList) {
    EXPECT_EQ(service_->DigestList(), "000\r\n");
    std::string key = RequestKey();
    {
        Database db(config_.db_path);
        Transaction tx(db);
        ASSERT_TRUE(AddDigest(db, "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"));
        EXPECT_FALSE(AddDigest(db, "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"));
        tx.Commit();
    }
    EXPECT_EQ(service_->DigestList(), "001\r\nFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\r\n");
    EXPECT_EQ(Send(Record(key, {1, 0, 0, 0, 0, 0, 0, 0})), "Errprogram");
    std::string ok = Send(FormatSendingRecord(35, "walker", "secret1", key, {}, "C293A4B5",
                                              "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"));
    EXPECT_EQ(ok.substr(0, 5), "OK001");
}

TEST_F(ServiceTest, SignUpRules) {
    std::string problem;
    EXPECT_EQ(service_->SignUp("Walker", "another1", problem), SignUpResult::kTaken);
    EXPECT_EQ(service_->SignUp("x'y", "secret1", problem), SignUpResult::kInvalid);
    EXPECT_EQ(service_->SignUp("a b", "secret1", problem), SignUpResult::kInvalid);
    EXPECT_EQ(service_->SignUp("ab", "short", problem), SignUpResult::kInvalid);
    EXPECT_EQ(service_->SignUp("ab", "with space", problem), SignUpResult::kInvalid);
    EXPECT_EQ(service_->SignUp("ab", "caf\xc3\xa9\x31\x32", problem), SignUpResult::kInvalid);
    EXPECT_EQ(service_->SignUp(std::string(33, 'n'), "secret1", problem), SignUpResult::kInvalid);
    EXPECT_EQ(service_->SignUp("x@y.z-(1)", "p!$(),;:@*", problem), SignUpResult::kCreated);
    EXPECT_EQ(service_->AccountCount(), 2);
    // The password is kept only as an Argon2id hash.
    Database db(config_.db_path);
    auto account = FindAccount(db, "walker");
    ASSERT_TRUE(account);
    EXPECT_EQ(account->pw_hash.rfind("$argon2id$", 0), 0u);
    EXPECT_EQ(account->pw_hash.find("secret1"), std::string::npos);
}

TEST_F(ServiceTest, HostilePayloadsGetAnswerWords) {
    std::mt19937 rng(7);
    const std::set<std::string> send_words = {"Errdata", "Errversion", "Errlogin",  "Errpwd",
                                              "Errcle",  "Erreur",     "Errprogram"};
    for (int i = 0; i < 400; ++i) {
        std::string payload(rng() % (i < 300 ? 200 : 20000), '\0');
        for (char& c : payload)
            c = static_cast<char>(rng());
        if (i % 3 == 0) // valid cipher text of random bytes
            payload = EncipherPayload(payload.substr(0, 300));
        EXPECT_EQ(send_words.count(service_->Send(payload)), 1u);
        std::string key_answer = service_->RequestKey(payload);
        EXPECT_TRUE(key_answer == "Erreur" || key_answer == "Errlogin" || key_answer == "Errpwd")
            << key_answer;
        std::string check = service_->CheckData(payload);
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
    std::vector<int> accepted(kAccounts, 0);
    for (int a = 0; a < kAccounts; ++a)
        threads.emplace_back([&, a] {
            std::string nick = "acc" + std::to_string(a);
            std::string answer = service_->RequestKey(EncipherPayload(nick + "'secret1"));
            std::string key = PlainKeyOf(answer.substr(3));
            for (int i = 0; i < kSendings; ++i) {
                answer = service_->Send(EncipherPayload(FormatSendingRecord(
                    35, nick, "secret1", key, {1, 2, 0, 0, 0, 0, 1, 1}, "A", kDigest)));
                key = KeyOfSendingAnswer(answer);
                if (key.empty())
                    break;
                ++accepted[static_cast<size_t>(a)];
            }
        });
    for (auto& t : threads)
        t.join();
    for (int a = 0; a < kAccounts; ++a) {
        EXPECT_EQ(accepted[static_cast<size_t>(a)], kSendings);
        EXPECT_EQ(service_->CheckData(EncipherPayload("acc" + std::to_string(a) + "'secret1")),
                  "40;0;0;0;0;80;40;40");
    }
}
