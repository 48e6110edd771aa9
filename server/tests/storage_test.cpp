#include "server/account_store.h"
#include "server/commit_queue.h"
#include "server/passwords.h"
#include "server/review.h"
#include "server/schema.h"
#include "server/trekhold_service.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace trekhold;

TEST(Schema, CreatedOnceBindsHostileTextAndIsRefusedWhenNewer) {
    test::TempDir dir;
    {
        Database db(dir.File("s.db"));
        MigrateSchema(db);
        MigrateSchema(db); // a second run changes nothing
        Statement mode = db.Prepare("PRAGMA journal_mode");
        ASSERT_TRUE(mode.Step());
        EXPECT_EQ(mode.Text(0), "wal");
        const std::string nick("x'); DROP TABLE accounts; --\0z", 30);
        ASSERT_TRUE(CreateAccount(db, nick, "h", 1));
        ASSERT_TRUE(CreateAccount(db, "a", "h", 1));
        EXPECT_FALSE(CreateAccount(db, "A", "h", 1));
        auto found = FindAccount(db, nick);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->nick, nick);
        EXPECT_EQ(RankedAccountCount(db), 2);
        db.Exec("UPDATE schema_version SET version = 99");
    }
    Database db(dir.File("s.db"));
    EXPECT_THROW(MigrateSchema(db), DbError);
}

TEST(CommitQueue, AFailingChangeLeavesTheOthersWhole) {
    test::TempDir dir;
    {
        Database db(dir.File("q.db"));
        MigrateSchema(db);
    }
    {
        CommitQueue queue(dir.File("q.db"));
        EXPECT_TRUE(queue.Run([](Database& d) { CreateAccount(d, "one", "h", 1); }));
        EXPECT_FALSE(queue.Run([](Database& d) {
            CreateAccount(d, "two", "h", 1);
            throw DbError("halfway");
        }));
        EXPECT_TRUE(queue.Run([](Database& d) { CreateAccount(d, "three", "h", 1); }));
    }
    Database db(dir.File("q.db"));
    EXPECT_TRUE(FindAccount(db, "one") && FindAccount(db, "three"));
    EXPECT_FALSE(FindAccount(db, "two"));
}

TEST(CommitQueue, AFailedSyncRefusesEveryLaterChange) {
    test::TempDir dir;
    {
        Database db(dir.File("q.db"));
        MigrateSchema(db);
    }
    std::atomic<bool> fail{false};
    std::atomic<int> syncs{0}, notified{0};
    {
        CommitQueue queue(dir.File("q.db"), [&](int fd) {
            ++syncs;
            if (fail) {
                errno = EIO;
                return -1;
            }
            return ::fdatasync(fd);
        });
        queue.OnSyncFailure([&] { ++notified; });
        ASSERT_TRUE(queue.pipelined());
        EXPECT_TRUE(queue.Run([](Database& d) { CreateAccount(d, "before", "h", 1); }));
        EXPECT_TRUE(queue.AcceptsChanges());
        fail = true;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(queue.Run([](Database& d) { CreateAccount(d, "failed", "h", 1); }));
        const std::string logged = testing::internal::GetCapturedStderr();
        EXPECT_NE(logged.find("q.db-wal failed (Input/output error)"), std::string::npos)
            << logged;
        EXPECT_FALSE(queue.AcceptsChanges());
        EXPECT_TRUE(queue.SyncFailed());
        fail = false; // the disk seems well again: still nothing is called durable
        const int syncs_at_failure = syncs;
        bool ran = false;
        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE(queue.Run([&](Database& d) {
                ran = true;
                CreateAccount(d, "after", "h", 1);
            }));
        EXPECT_FALSE(ran);
        EXPECT_EQ(syncs, syncs_at_failure);
        EXPECT_EQ(queue.counters().syncs, 1u);
        EXPECT_EQ(notified, 1);
    }
    // A new queue (a restarted server) writes again.
    CommitQueue queue(dir.File("q.db"));
    EXPECT_TRUE(queue.Run([](Database& d) { CreateAccount(d, "restarted", "h", 1); }));
}

TEST(CommitQueue, DatabaseErrorsAreLoggedWithTheirCause) {
    test::TempDir dir;
    {
        Database db(dir.File("q.db"));
        MigrateSchema(db);
    }
    CommitQueue queue(dir.File("q.db"));
    testing::internal::CaptureStderr();
    // A full disk, as SQLite reports it when the file may not grow.
    EXPECT_FALSE(queue.Run([](Database& d) {
        d.Exec("PRAGMA max_page_count=1");
        d.Exec("CREATE TABLE filler (x)");
    }));
    std::string logged = testing::internal::GetCapturedStderr();
    EXPECT_NE(logged.find("a change was undone: database or disk is full"), std::string::npos)
        << logged;
    // A lock held by another connection for longer than the wait: the commit fails.
    EXPECT_TRUE(queue.Run([](Database& d) { d.Exec("PRAGMA busy_timeout=50"); }));
    Database other(dir.File("q.db"));
    other.Exec("BEGIN EXCLUSIVE");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(queue.Run([](Database& d) { CreateAccount(d, "locked", "h", 1); }));
    logged = testing::internal::GetCapturedStderr();
    EXPECT_NE(logged.find("database is locked"), std::string::npos) << logged;
    EXPECT_FALSE(queue.AcceptsChanges());
    other.Exec("COMMIT");
    EXPECT_TRUE(queue.Run([](Database& d) { CreateAccount(d, "after", "h", 1); }));
    EXPECT_TRUE(queue.AcceptsChanges());
}

TEST(Schema, ADamagedDatabaseIsRefusedWithWhatHelps) {
    test::TempDir dir;
    const std::string path = dir.File("d.db");
    {
        Database db(path);
        MigrateSchema(db);
        Transaction tx(db);
        for (int i = 0; i < 300; ++i)
            CreateAccount(db, "walker" + std::to_string(i), std::string(200, 'h'), 1);
        tx.Commit();
        db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    PrepareDatabase(path); // sound
    {
        // Garbage over the third page (a page of the accounts table).
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        ASSERT_TRUE(f);
        std::fseek(f, 4096 * 2, SEEK_SET);
        const std::string garbage(4096, '\x5a');
        std::fwrite(garbage.data(), 1, garbage.size(), f);
        std::fclose(f);
    }
    try {
        PrepareDatabase(path);
        FAIL() << "a damaged database was accepted";
    } catch (const DbError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("is damaged"), std::string::npos) << text;
        EXPECT_NE(text.find("sqlite3 '" + path + "' .dump"), std::string::npos) << text;
    }
}

TEST(Passwords, VerifiesOnlyTheRightPasswordThroughTheCache) {
    ASSERT_TRUE(InitSodium());
    PasswordBook book(HashCost::kMinimum);
    auto hash = book.Hash("secret1"), other = book.Hash("changed1");
    ASSERT_TRUE(hash && other);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(book.Verify(1, *hash, "secret1"), PasswordCheck::kMatch);
        for (const char* wrong : {"secret2", "", "secret1 "}) {
            EXPECT_EQ(book.Verify(1, *hash, wrong), PasswordCheck::kMismatch) << wrong;
            EXPECT_TRUE(book.KnownRefused(1, *hash, wrong)) << wrong;
        }
        EXPECT_FALSE(book.KnownRefused(1, *hash, "secret1"));
    }
    // A changed password's hash for the same account forgets the cache.
    EXPECT_FALSE(book.KnownRefused(1, *other, "secret2"));
    EXPECT_EQ(book.Verify(1, *other, "secret1"), PasswordCheck::kMismatch);
    EXPECT_EQ(book.Verify(1, *other, "changed1"), PasswordCheck::kMatch);
    EXPECT_EQ(book.Verify(2, "not a hash", "secret1"), PasswordCheck::kMismatch);
}

TEST(Schema, MigrationKeepsEveryTotalAndTheRankingsUseTheirIndexes) {
    test::TempDir dir;
    const std::string path = dir.File("old.db");
    {
        Database db(path);
        MigrateSchema(db, 1); // a database of the first layout, with totals and a key
        ASSERT_TRUE(CreateAccount(db, "walker", "h", 1000));
        ASSERT_TRUE(CreateAccount(db, "runner", "h", 2000));
        db.Exec("UPDATE accounts SET distance = 5, keystrokes = 6, left_clicks = 7, "
                "right_clicks = 8, special_clicks = 9, scrolls = 10, uptime = 11, usetime = 12, "
                "key = 'Ab3xY9', sendings = 3, last_sent = 5000 WHERE nick = 'walker'");
    }
    Database db(path);
    MigrateSchema(db);
    auto walker = FindAccount(db, "walker");
    ASSERT_TRUE(walker);
    const Counts& t = walker->totals;
    EXPECT_EQ(std::vector<int64_t>({t.distance, t.keystrokes, t.left_clicks, t.right_clicks,
                                    t.special_clicks, t.scrolls, t.uptime, t.usetime}),
              std::vector<int64_t>({5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(walker->key, "Ab3xY9");
    EXPECT_EQ(walker->key_issued, 5000); // its last sending: the key came with it
    EXPECT_EQ(FindAccount(db, "runner")->key_issued, 2000);
    EXPECT_FALSE(walker->hidden);
    for (Quantity by : {Quantity::kDistance, Quantity::kKeystrokes, Quantity::kClicks,
                        Quantity::kScrolls, Quantity::kUptime, Quantity::kUsetime}) {
        auto rows = Ranking(db, by, 10, 0);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].nick, "walker");
    }
    // Each ranking reads its index alone and in order instead of sorting every account.
    for (Quantity by : kAllQuantities) {
        const std::string e = QuantityExpression(by);
        Statement plan = db.Prepare(std::string("EXPLAIN QUERY PLAN SELECT nick, ") + e +
                                    ", private_page FROM accounts WHERE hidden = 0 ORDER BY " + e +
                                    " DESC, nick ASC LIMIT 100 OFFSET 0");
        std::string steps;
        while (plan.Step())
            steps += plan.Text(3) + "; ";
        EXPECT_NE(steps.find("USING COVERING INDEX rank_"), std::string::npos) << e << ": " << steps;
        EXPECT_EQ(steps.find("TEMP B-TREE"), std::string::npos) << e << ": " << steps;
    }
}

TEST(Accounts, TheOperatorsChanges) {
    test::TempDir dir;
    Database db(dir.File("a.db"));
    MigrateSchema(db);
    ASSERT_TRUE(CreateAccount(db, "walker", "h", 1) && CreateAccount(db, "runner", "h", 1));
    db.Exec("UPDATE accounts SET distance = 100 WHERE nick = 'runner'");
    EXPECT_TRUE(SetHidden(db, "RUNNER", true));
    EXPECT_EQ(HiddenAccounts(db), std::vector<std::string>{"runner"});
    auto rows = Ranking(db, Quantity::kDistance, 10, 0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].nick, "walker");
    EXPECT_EQ(RankedAccountCount(db), 1);
    EXPECT_TRUE(SetHidden(db, "runner", false));
    EXPECT_TRUE(SetPrivatePage(db, "runner", true)); // the member's own: ranked, nameless
    EXPECT_EQ(PrivateAccounts(db), std::vector<std::string>{"runner"});
    rows = Ranking(db, Quantity::kDistance, 10, 0);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].nick + "|" + std::to_string(rows[0].value), "|100");
    EXPECT_TRUE(rows[0].private_page && !rows[1].private_page);
    EXPECT_FALSE(SetHidden(db, "nobody", true));

    EXPECT_FALSE(RenameAccount(db, "walker", "Runner")); // taken, without case
    EXPECT_TRUE(RenameAccount(db, "walker", "strider"));
    EXPECT_FALSE(RenameAccount(db, "walker", "other"));
    EXPECT_TRUE(SetPasswordHash(db, "strider", "h2"));
    EXPECT_EQ(FindAccount(db, "strider")->pw_hash, "h2");

    // Removing an account removes its held sendings with it.
    HoldSending(db, FindAccount(db, "runner")->id, 5, "35'runner'...", "why", Counts{1});
    EXPECT_EQ(HeldSendings(db).size(), 1u);
    EXPECT_TRUE(RemoveAccount(db, "runner"));
    EXPECT_FALSE(RemoveAccount(db, "runner"));
    EXPECT_TRUE(HeldSendings(db).empty());
}

TEST(Database, NewFilesAreTheOwnersOnlyAndABackupIsAConsistentCopy) {
    test::TempDir dir;
    const std::string path = dir.File("live.db"), copy = dir.File("copy.db");
    auto mode = [](const std::string& file) {
        struct stat st {};
        return ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
    };
    {
        Database db(path);
        MigrateSchema(db);
        EXPECT_EQ(mode(path), 0600u);
        EXPECT_EQ(mode(path + "-wal"), 0600u);
    }
    // A copy taken while a writer keeps adding: every account it holds is whole.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        CommitQueue queue(path);
        for (int i = 0; !stop; ++i)
            queue.Run([i](Database& d) {
                CreateAccount(d, "n" + std::to_string(i), "h", i);
                d.Exec("UPDATE accounts SET distance = distance + 1");
            });
    });
    Database reader(path);
    for (int round = 0; round < 3; ++round) {
        reader.BackupInto(copy);
        EXPECT_EQ(mode(copy), 0600u);
        Database check(copy);
        Statement s = check.Prepare("SELECT COUNT(*), COALESCE(MIN(distance + CAST(substr(nick, "
                                    "2) AS INTEGER)), 0) = COALESCE(MAX(distance + "
                                    "CAST(substr(nick, 2) AS INTEGER)), 0) FROM accounts");
        ASSERT_TRUE(s.Step());
        EXPECT_EQ(s.Int(1), 1) << "accounts " << s.Int(0); // one state, not a mix
    }
    stop = true;
    writer.join();
    EXPECT_THROW(reader.BackupInto(path), DbError); // never over the database itself
    EXPECT_FALSE(std::filesystem::exists(copy + ".partial"));
}
