// Plausibility of sendings, their review, and the throttles of password guessing and
// sign-ups, from the rules up to the service.
#include "server/account_store.h"
#include "server/login_guard.h"
#include "server/passwords.h"
#include "server/plausibility.h"
#include "server/protocol_codec.h"
#include "server/review.h"
#include "server/throttle.h"
#include "server/trekhold_service.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace trekhold;
using test::KeyOf;

TEST(Plausibility, TimeAndHumanRates) {
    // distance, keystrokes, left, right, special, scrolls, uptime, usetime
    struct Case {
        Counts counts;
        int64_t elapsed_seconds;
        const char* reason_starts; // "" when plausible
    };
    // clang-format off
    const Case cases[] = {
        {{}, 0, ""},
        {{0, 30, 2, 0, 0, 0, 0, 0}, 10, ""},                // the minute under way
        {{0, 0, 0, 0, 0, 0, 5, 5}, 0, ""},                  // the allowance
        {{0, 0, 0, 0, 0, 0, 6, 0}, 59, "uptime 6 min"},
        {{0, 0, 0, 0, 0, 0, 65, 1}, 60 * 60, ""},
        {{0, 0, 0, 0, 0, 0, 66, 1}, 60 * 60, "uptime 66"},
        {{0, 0, 0, 0, 0, 0, 1440 * 100 + 1440 + 5, 0}, 86400 * 100, ""}, // 1 % of 100 days
        {{0, 0, 0, 0, 0, 0, 1440 * 100 + 1440 + 6, 0}, 86400 * 100, "uptime"},
        {{0, 0, 0, 0, 0, 0, 2147483647, 0}, 2, "uptime"},  // the forged 29.8 million days
        {{0, 0, 0, 0, 0, 0, 10, 11}, 3600, "usetime 11 min above uptime 10"},
        {{0, 1500 * 11, 0, 0, 0, 0, 10, 10}, 3600, ""},
        {{0, 1500 * 11 + 1, 0, 0, 0, 0, 10, 10}, 3600, "16501 keystrokes in 10 min"},
        {{0, 0, 400, 400, 400, 0, 0, 0}, 60, ""},
        {{0, 0, 400, 400, 401, 0, 0, 0}, 60, "1201 clicks"},
        {{0, 0, 0, 0, 0, 12000, 1, 1}, 60, ""},
        {{0, 0, 0, 0, 0, 12001, 1, 1}, 60, "12001 wheel scrolls"},
        {{200000, 0, 0, 0, 0, 0, 1, 1}, 60, ""},
        {{42949600000 / 100, 0, 0, 0, 0, 0, 60, 60}, 3600, "429496000 cm"}, // 4,294 km an hour
        {{2147483647, 2147483647, 2147483647, 2147483647, 2147483647, 2147483647, 2147483647,
          2147483647}, 0, "uptime"},
    };
    // clang-format on
    for (const Case& c : cases) {
        std::string reason = ImplausibleReason(c.counts, c.elapsed_seconds);
        if (*c.reason_starts == '\0')
            EXPECT_EQ(reason, "") << c.counts.uptime << " " << c.elapsed_seconds;
        else
            EXPECT_EQ(reason.rfind(c.reason_starts, 0), 0u) << reason;
    }
    EXPECT_EQ(ImplausibleReason({0, 0, 0, 0, 0, 0, 5, 0}, -86400), ""); // clock set back
}

TEST(Throttle, FreeFailuresThenDoublingWaitsUpToACeilingThenForgotten) {
    Throttle t({3, 1000, 8000, 60000, 100});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.WaitLeft("a", 0), 0);
        t.Failed("a", 0);
    }
    EXPECT_EQ(t.WaitLeft("a", 0), 0);
    int64_t now = 0;
    for (int64_t wait : {1000, 2000, 4000, 8000, 8000}) {
        t.Failed("a", now);
        EXPECT_EQ(t.WaitLeft("a", now), wait);
        EXPECT_EQ(t.WaitLeft("a", now + wait - 1), 1);
        now += wait;
        EXPECT_EQ(t.WaitLeft("a", now), 0);
    }
    EXPECT_EQ(t.WaitLeft("b", now), 0); // keys are apart
    // Quiet long enough: the count starts over.
    now += 60001;
    for (int i = 0; i < 3; ++i)
        t.Failed("a", now);
    EXPECT_EQ(t.WaitLeft("a", now), 0);
    t.Forget("a");
    EXPECT_EQ(t.size(), 0u);
}

TEST(Throttle, TheTableStaysBounded) {
    Throttle t({1, 1000, 1000, 60000, 50});
    for (int i = 0; i < 1000; ++i)
        t.Failed("k" + std::to_string(i), i);
    EXPECT_LE(t.size(), 50u);
}

TEST(LoginGuard, AddressesAndAccountsWaitButTheOwnersAddressStaysOpen) {
    LoginGuard guard({2, 1000, 60000, 3600000}, {4, 1000, 60000, 3600000});
    guard.Record(1, "owner", true, 0);
    // Two attackers share out wrong passwords on account 1.
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(guard.MayTry(1, "x1", 0));
        guard.Record(1, "x1", false, 0);
        ASSERT_TRUE(guard.MayTry(1, "x2", 0));
        guard.Record(1, "x2", false, 0);
    }
    EXPECT_TRUE(guard.MayTry(1, "x1", 0)); // two free failures each, four for the account
    guard.Record(1, "x1", false, 0);
    EXPECT_FALSE(guard.MayTry(1, "x1", 10)); // the address waits
    EXPECT_FALSE(guard.MayTry(2, "x1", 10)); // on every account
    EXPECT_FALSE(guard.MayTry(1, "x3", 10)); // the account waits for new addresses
    EXPECT_TRUE(guard.MayTry(1, "owner", 10));
    EXPECT_TRUE(guard.MayTry(2, "x3", 10));
    EXPECT_TRUE(guard.MayTry(1, "x3", 1000));
    // A success from an attacker's address does not wipe its failures.
    guard.Record(2, "x1", true, 10);
    EXPECT_FALSE(guard.MayTry(2, "x1", 20));
}

TEST(Passwords, ChecksBeyondTheQueueAreAnsweredBusyAtOnce) {
    ASSERT_TRUE(InitSodium());
    PasswordBook slow(HashCost::kInteractive, 1, 0);
    auto hash = PasswordBook(HashCost::kMinimum).Hash("secret1");
    ASSERT_TRUE(hash);
    std::atomic<bool> stop{false};
    std::thread hasher([&] {
        while (!stop)
            slow.Hash("occupied");
    });
    // What one interactive hash takes on this machine now, load included.
    auto hash_start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PasswordBook(HashCost::kInteractive).Hash("measure"));
    auto one_hash = std::chrono::steady_clock::now() - hash_start;
    bool busy = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 0; !busy && std::chrono::steady_clock::now() < deadline; ++i) {
        auto start = std::chrono::steady_clock::now();
        // A new password each time: none is answered from the remembered ones.
        busy = slow.Verify(1, *hash, "guess" + std::to_string(i)) == PasswordCheck::kBusy;
        if (busy) { // not queued: answered well before one interactive hash could finish
            EXPECT_LT(std::chrono::steady_clock::now() - start, one_hash / 2);
        }
    }
    stop = true;
    hasher.join();
    EXPECT_TRUE(busy);
    EXPECT_EQ(slow.Verify(1, *hash, "secret1"), PasswordCheck::kMatch); // free again
}

namespace {

// A service whose clocks the test moves.
class HonestyTest : public test::ServiceFixture {
  protected:
    void SetUp() override {
        config_.wall_seconds = [this] { return wall_.load(); };
        config_.steady_ms = [this] { return steady_.load(); };
        ServiceFixture::SetUp();
    }
    std::vector<HeldSending> Held(const std::string& state = "held") {
        Database db(config_.db_path);
        return HeldSendings(db, state);
    }

    std::atomic<int64_t> wall_{1800000000}, steady_{1000000};
};

} // namespace

TEST_F(HonestyTest, ImplausibleSendingsAreAnsweredHeldAndReviewed) {
    std::string key = KeyOf(service_->RequestKey(Login()), 3);
    ASSERT_NE(key, "");
    wall_ += 3600;
    // An hour of use since the key: counted.
    key = KeyOf(Send(key, {50000, 3000, 200, 20, 0, 100, 60, 30}), 5);
    ASSERT_NE(key, "");
    EXPECT_EQ(Totals(), "50000;200;20;0;100;3000;60;30");

    // Two seconds later: a forged day of uptime and 429,496 km. The client is answered as
    // for an accepted sending, and a resend gets the same answer; nothing is counted.
    wall_ += 2;
    const std::string forged = Record(key, {2147483647, 10, 0, 0, 0, 0, 1440, 1440});
    const std::string answer = Send(forged);
    const std::string next = KeyOf(answer, 5);
    ASSERT_NE(next, "") << answer;
    EXPECT_EQ(Send(forged), answer);
    EXPECT_EQ(Totals(), "50000;200;20;0;100;3000;60;30");
    // The chain goes on: the next sending is judged against the time since this answer.
    wall_ += 600;
    const std::string after = KeyOf(Send(next, {100, 10, 1, 0, 0, 0, 10, 2}), 5);
    ASSERT_NE(after, "");
    EXPECT_EQ(Totals(), "50100;201;20;0;100;3010;70;32");
    // More usetime than uptime is held too.
    wall_ += 600;
    ASSERT_NE(KeyOf(Send(after, {0, 0, 0, 0, 0, 0, 3, 4}), 5), "");

    auto held = Held();
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(held[0].nick, "walker");
    EXPECT_EQ(held[0].reason, "uptime 1440 min, but only 0 min since the key was issued");
    EXPECT_EQ(held[0].counts.distance, 2147483647);
    EXPECT_EQ(held[0].record.find("secret1"), std::string::npos); // no password kept
    EXPECT_NE(held[0].record.find("2147483647'10'0'0'0'0'1440'1440'C293A4B5"), std::string::npos);
    EXPECT_EQ(held[1].reason.rfind("usetime 4 min above uptime 3", 0), 0u);
    {
        Database db(config_.db_path);
        Transaction tx(db);
        EXPECT_TRUE(Decide(db, held[0].id, Decision::kAccept));
        EXPECT_FALSE(Decide(db, held[0].id, Decision::kReject)); // decided once
        EXPECT_TRUE(Decide(db, held[1].id, Decision::kReject));
        EXPECT_FALSE(Decide(db, 999, Decision::kAccept));
        tx.Commit();
    }
    EXPECT_EQ(Totals(), "2147483647;201;20;0;100;3020;1510;1472"); // capped in the answer
    EXPECT_TRUE(Held().empty());
    EXPECT_EQ(Held("accepted").size(), 1u);
    EXPECT_EQ(Held("rejected").size(), 1u);
}

TEST_F(HonestyTest, AResendAfterALostAnswerIsJudgedOnTheTimeOfItsKey) {
    std::string key = KeyOf(service_->RequestKey(Login()), 3);
    wall_ += 3600;
    const std::string first = Send(key, {10, 10, 0, 0, 0, 0, 60, 10});
    ASSERT_NE(KeyOf(first, 5), "");
    // The answer was lost: 30 minutes later the client sends its counts given back plus
    // what it counted since, with the old key. 90 minutes passed since that key.
    wall_ += 1800;
    ASSERT_NE(KeyOf(Send(key, {20, 20, 0, 0, 0, 0, 90, 20}), 5), "");
    EXPECT_EQ(Totals(), "20;0;0;0;0;20;90;20");
    EXPECT_TRUE(Held().empty());
}

TEST_F(HonestyTest, WrongPasswordsFromOneAddressWaitAndTheBusyAnswerIsAServerFailure) {
    const std::string attacker = "203.0.113.9", owner = "198.51.100.7";
    ASSERT_EQ(service_->RequestKey(Login(), owner).substr(0, 2), "OK");
    for (int i = 0; i < 10; ++i) // ten free failures
        ASSERT_EQ(service_->CheckData(Login("guess" + std::to_string(i)), attacker), "ErrPwd");
    EXPECT_EQ(service_->CheckData(Login("guessA"), attacker), "ErrPwd");
    // Now each guess waits; meanwhile the answer is the server failure, whatever the
    // password, without checking it; a password already refused is still refused.
    EXPECT_EQ(service_->CheckData(Login("secret1"), attacker), "Erreur");
    EXPECT_EQ(service_->RequestKey(Login("guessB"), attacker), "Erreur");
    EXPECT_EQ(service_->RequestKey(Login("guessA"), attacker), "Errpwd");
    // The account waits for new addresses, not for its owner's.
    EXPECT_EQ(service_->CheckData(Login(), "192.0.2.1"), "Erreur");
    EXPECT_EQ(service_->CheckData(Login(), owner), "0;0;0;0;0;0;0;0");
    steady_ += 1000;
    EXPECT_EQ(service_->CheckData(Login(), attacker), "0;0;0;0;0;0;0;0");
    // The tools of this machine are not throttled.
    EXPECT_EQ(service_->CheckData(Login()), "0;0;0;0;0;0;0;0");
}

TEST_F(HonestyTest, SignUpsFromOneAddressSlowDown) {
    std::string problem;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(service_->SignUp("new" + std::to_string(i), "secret1", problem, "192.0.2.5"),
                  SignUpResult::kCreated);
    EXPECT_EQ(service_->SignUp("new3", "secret1", problem, "192.0.2.5"), SignUpResult::kCreated);
    EXPECT_EQ(service_->SignUp("new4", "secret1", problem, "192.0.2.5"), SignUpResult::kTooMany);
    EXPECT_EQ(service_->SignUp("other", "secret1", problem, "192.0.2.6"), SignUpResult::kCreated);
    steady_ += 60000;
    EXPECT_EQ(service_->SignUp("new4", "secret1", problem, "192.0.2.5"), SignUpResult::kCreated);
    EXPECT_EQ(service_->SignUp("new5", "secret1", problem, "192.0.2.5"), SignUpResult::kTooMany);
}

TEST_F(HonestyTest, TheOperatorsChangesReachTheRunningService) {
    std::string key = KeyOf(service_->RequestKey(Login()), 3);
    ASSERT_NE(key, "");
    ASSERT_TRUE(service_->SetPassword("walker", "changed1"));
    EXPECT_FALSE(service_->SetPassword("nobody", "changed1"));
    EXPECT_EQ(Send(key, {1}), "Erreur"); // the old password, cached, is stale once
    EXPECT_EQ(Send(key, {1}), "Errpwd");
    {
        Database db(config_.db_path);
        Transaction tx(db);
        ASSERT_TRUE(RenameAccount(db, "walker", "strider"));
        tx.Commit();
    }
    EXPECT_EQ(service_->CheckData(EncipherPayload("walker'changed1")), "ErrPseudo");
    EXPECT_EQ(service_->CheckData(EncipherPayload("strider'changed1")), "0;0;0;0;0;0;0;0");
    EXPECT_EQ(Send(key, {1}, 35, "changed1"), "Erreur"); // known under its old nickname until then
    EXPECT_EQ(Send(key, {1}, 35, "changed1"), "Errlogin");
    EXPECT_NE(KeyOf(Send(key, {1}, 35, "changed1", "strider"), 5), "");
}
