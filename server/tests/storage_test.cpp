#include "server/account_store.h"
#include "server/commit_queue.h"
#include "server/passwords.h"
#include "server/schema.h"
#include "server/trekhold_service.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
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
        EXPECT_EQ(AccountCount(db), 2);
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
        EXPECT_TRUE(book.Verify(1, *hash, "secret1"));
        for (const char* wrong : {"secret2", "", "secret1 "})
            EXPECT_FALSE(book.Verify(1, *hash, wrong)) << wrong;
    }
    // A changed password's hash for the same account forgets the cache.
    EXPECT_FALSE(book.Verify(1, *other, "secret1"));
    EXPECT_TRUE(book.Verify(1, *other, "changed1"));
    EXPECT_FALSE(book.Verify(2, "not a hash", "secret1"));
}
