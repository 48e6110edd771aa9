// The plain texts the client sends: the sending record and the nickname/password pair.
//
// Sending record: fields joined by "'" (no apostrophe before the first or after the last).
//
//   1  protocol version, decimal ("35")       9  special clicks
//   2  nickname                               10 wheel scrolls
//   3  password                               11 uptime, minutes
//   4  plain six-character account key       12 usetime, minutes
//   5  distance, centimetres                  13 machine identity (hexadecimal digits)
//   6  keystrokes                             14 program digest
//   7  left clicks                            15 record check
//   8  right clicks
//
// Counts are decimal without sign, blanks or leading zeros, 0 to 2147483647.
//
// Tamper-detection fields:
//   14 program digest: the 32-character MD5 text the client computes of its companion
//      library (the digest of the library file's digest text, as in its start-up check).
//      When the server's list of accepted digests is not empty, a digest not on it is
//      refused ("Errprogram"). The list is served at "/Liste.php": the three-digit list
//      version on the first line, then one accepted digest per line (CR LF). The same
//      three digits stand in characters 3 to 5 of every "OK" answer of "Envoi.php", so
//      the client knows when to fetch the list again.
//   15 record check: the MD5 text (32 uppercase hexadecimal digits) of fields 1 to 14
//      joined by "'", which catches counts altered after the record was made.
// A record whose fields do not parse or whose check does not match is refused ("Errdata").
// Whether its counts are plausible is judged later (plausibility.h): an implausible one
// is not refused, or the client would send it again forever.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace trekhold {

constexpr int kSendingRecordFields = 15;
// Longest plain text accepted from a client (a real record is well under 300 characters).
constexpr size_t kMaxPlainText = 2048;
// Limits of a new account; the protocol texts are bounded only by kMaxPlainText.
constexpr size_t kMaxNickLength = 32;
constexpr size_t kMaxPasswordLength = 64;
constexpr size_t kKeyLength = 6;

// The eight counts, in record order.
struct Counts {
    int64_t distance = 0, keystrokes = 0, left_clicks = 0, right_clicks = 0, special_clicks = 0,
            scrolls = 0, uptime = 0, usetime = 0;
};

struct SendingRecord {
    int64_t version = 0;
    std::string nick, password, key;
    Counts counts;
    std::string machine, program_digest, check;
    // Every field but the password, joined by "'": recognises a resent record without
    // keeping anything derived from the password.
    std::string replay_text;
};

enum class RecordFault { kNone, kFieldCount, kBadField, kCheckMismatch };

// The protocol version of a record (its first field), whatever the rest holds. Empty when
// that field is not a decimal number.
std::optional<int64_t> RecordVersion(const std::string& plain);

RecordFault ParseSendingRecord(const std::string& plain, SendingRecord& out);

// Builds a record with its check field (the client's side, for tests and the load
// generator).
std::string FormatSendingRecord(int64_t version, const std::string& nick,
                                const std::string& password, const std::string& key,
                                const Counts& counts, const std::string& machine,
                                const std::string& program_digest);

// "nickname'password" of the key request and the totals check. Empty when the text has
// not exactly two fields. Either field may be empty or longer than an account allows:
// the account lookup and the password check refuse those with their own answer words.
std::optional<std::pair<std::string, std::string>> ParseLogin(const std::string& plain);

// Strict decimal: "0" or a digit 1-9 followed by digits, at most `max`.
std::optional<int64_t> ParseCount(const std::string& text, int64_t max = 2147483647);

} // namespace trekhold

namespace trekhold {
// The counts of a text kept as SendingRecord::replay_text.
std::optional<Counts> ReplayCounts(const std::string& replay_text);
} // namespace trekhold
