// The database layout, created and brought up to date by the program itself.
//
//  schema_version(version)      one row: the layout version of this file
//  accounts                     one row per account:
//    nick, pw_hash              nickname (unique, compared without case) and its
//                               Argon2id password hash (libsodium string form)
//    key                        the current plain six-character key ("" before the first)
//    prev_key, last_record,     the key the last accepted sending came with, that record
//    last_answer                (password left out) and the answer given: a client that
//                               lost the answer resends with prev_key and is recognised
//    distance ... usetime       the totals (64-bit)
//    sendings, last_sent        accepted sendings and the time of the last (Unix seconds)
//    hidden                     1: left out of the rankings by the operator, no page
//    private_page               1: its owner keeps it private: ranked as "hidden", no page
//    clicks                     left + right + special clicks (kept by triggers)
//    key_issued,                when `key` and `prev_key` were issued (Unix seconds): a
//    prev_key_issued            sending cannot hold more minutes than passed since
//  held_sendings                sendings answered like accepted ones but judged
//                               implausible: the record (password left out), why, what it
//                               would add, and its state: held, accepted or rejected
//    sending_id                 its row in `sendings`
//  sendings                     every stored sending (counted or held) since the history
//                               began: time, account, machine identity, counts, held flag
//  period_sums                  per account, day (kind 0), ISO week (1) and month (2): the
//                               counted sums and sendings, with the account's hidden flag
//  community_sums               the same for all accounts together, with the number of
//                               accounts that sent (`members`); kind 3 is all time
//  machine_sums                 per account and machine identity, since the history began
//  library_digests(digest)      the tamper-detection list: accepted program digests
//  meta(name, value)            "list_version": 0 to 999, bumped when the list changes;
//                               "history_since": when the history began (Unix seconds)
#pragma once

#include "server/sqlite_db.h"

namespace trekhold {

constexpr int kSchemaVersion = 4;

// Creates the tables of a new database or migrates an older layout, in one transaction, up
// to `target` (an older one only in the tests of a migration). Throws DbError, also for a
// layout newer than this program knows.
void MigrateSchema(Database& db, int target = kSchemaVersion);

} // namespace trekhold
