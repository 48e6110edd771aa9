#include "server/account_store.h"
#include "server/commit_queue.h"
#include "server/passwords.h"
#include "server/schema.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace trekhold;

TEST(Schema, CreatedOnceAndRefusedWhenNewer) {
    test::TempDir dir;
    {
        Database db(dir.File("s.db"));
        MigrateSchema(db);
        MigrateSchema(db); // a second run changes nothing
        Statement v = db.Prepare("SELECT version FROM schema_version");
        ASSERT_TRUE(v.Step());
        EXPECT_EQ(v.Int(0), kSchemaVersion);
        Statement mode = db.Prepare("PRAGMA journal_mode");
        ASSERT_TRUE(mode.Step());
        EXPECT_EQ(mode.Text(0), "wal");
        ASSERT_TRUE(CreateAccount(db, "a", "h", 1));
        EXPECT_FALSE(CreateAccount(db, "A", "h", 1));
        db.Exec("UPDATE schema_version SET version = 99");
    }
    Database db(dir.File("s.db"));
    EXPECT_THROW(MigrateSchema(db), DbError);
}

TEST(Schema, StatementsBindHostileText) {
    test::TempDir dir;
    Database db(dir.File("s.db"));
    MigrateSchema(db);
    std::string nick = std::string("x'); DROP TABLE accounts; --\0z", 30);
    ASSERT_TRUE(CreateAccount(db, nick, "h", 1));
    auto found = FindAccount(db, nick);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->nick, nick);
    EXPECT_EQ(AccountCount(db), 1);
}

TEST(CommitQueue, AFailingChangeLeavesTheOthersWhole) {
    test::TempDir dir;
    {
        Database db(dir.File("q.db"));
        MigrateSchema(db);
    }
    {
        CommitQueue queue(dir.File("q.db"));
        EXPECT_TRUE(queue.pipelined()); // the log file is synced by the queue itself
        EXPECT_TRUE(queue.Run([](Database& db) { CreateAccount(db, "one", "h", 1); }));
        EXPECT_FALSE(queue.Run([](Database& db) {
            CreateAccount(db, "two", "h", 1);
            throw DbError("halfway");
        }));
        EXPECT_TRUE(queue.Run([](Database& db) { CreateAccount(db, "three", "h", 1); }));
    }
    Database db(dir.File("q.db"));
    Statement mode = db.Prepare("PRAGMA journal_mode");
    ASSERT_TRUE(mode.Step());
    EXPECT_EQ(mode.Text(0), "wal");
    EXPECT_TRUE(FindAccount(db, "one"));
    EXPECT_FALSE(FindAccount(db, "two"));
    EXPECT_TRUE(FindAccount(db, "three"));
}

TEST(Passwords, VerifiesOnlyTheRightPasswordThroughTheCache) {
    ASSERT_TRUE(InitSodium());
    PasswordBook book(HashCost::kMinimum);
    auto hash = book.Hash("secret1");
    ASSERT_TRUE(hash);
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(book.Verify(1, *hash, "secret1"));
        EXPECT_FALSE(book.Verify(1, *hash, "secret2"));
        EXPECT_FALSE(book.Verify(1, *hash, ""));
        EXPECT_FALSE(book.Verify(1, *hash, "secret1 "));
    }
    // Another hash for the same account (a changed password) forgets the cache.
    auto other = book.Hash("changed1");
    ASSERT_TRUE(other);
    EXPECT_FALSE(book.Verify(1, *other, "secret1"));
    EXPECT_TRUE(book.Verify(1, *other, "changed1"));
    // A malformed stored hash never verifies.
    EXPECT_FALSE(book.Verify(2, "not a hash", "secret1"));
}
