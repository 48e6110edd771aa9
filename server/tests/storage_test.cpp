#include "server/account_store.h"
#include "server/commit_queue.h"
#include "server/passwords.h"
#include "server/schema.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
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
    std::atomic<int> syncs{0};
    {
        CommitQueue queue(dir.File("q.db"), [&](int fd) {
            ++syncs;
            if (fail) {
                errno = EIO;
                return -1;
            }
            return ::fdatasync(fd);
        });
        ASSERT_TRUE(queue.pipelined());
        EXPECT_TRUE(queue.Run([](Database& d) { CreateAccount(d, "before", "h", 1); }));
        fail = true;
        EXPECT_FALSE(queue.Run([](Database& d) { CreateAccount(d, "failed", "h", 1); }));
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
    }
    // A new queue (a restarted server) writes again.
    CommitQueue queue(dir.File("q.db"));
    EXPECT_TRUE(queue.Run([](Database& d) { CreateAccount(d, "restarted", "h", 1); }));
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
