// Sending the counts to the server (Send_Click) and the pieces it is made of: the sending
// record, the reading of the server's answer, the counts remembered and given back, the
// totals grown part by part, and the result texts.
#pragma once

#include "base/counter_set.h"
#include "net/exchange.h"

#include <cstdint>
#include <string>

// The protocol version the record starts with.
inline constexpr const char* kProtocolVersion = "35";

// The plain sending record, fields joined by "'": version, nickname, password, plain key,
// distance, keystrokes, left, right and special clicks, scrolls, uptime, usetime, machine
// identity; then the two fields the server uses to recognise forged records: the digest of
// the companion library, and the MD5 text of everything before it (fields 1 to 14 joined by
// "'"), which catches counts altered on the way.
std::string SendingRecord(const std::string& nickname, const std::string& password,
                          const std::string& plain_key, const CounterSet& counters,
                          const std::string& machine_identity, const std::string& program_digest);

enum class SendAnswerKind {
    Accepted,
    Unreachable,        // empty answer or failed request
    UnknownNickname,    // "Errlogin"
    WrongPassword,      // "Errpwd"
    NewVersionDownload, // "Errversion" + one character + a download description
    NewVersionWebsite,  // exactly "Errversion"
    KeyMismatch,        // "Errcle"
    ServerFailure,      // anything else
};

struct SendAnswer {
    SendAnswerKind kind = SendAnswerKind::ServerFailure;
    std::string key;          // Accepted: the new stored-form key (from the 6th character)
    std::string list_version; // Accepted: characters 3 to 5
    std::string description;  // NewVersionDownload: from the 12th character
};
SendAnswer ClassifySendAnswer(const std::string& answer);

// What a shutdown must save: the counters plus the counts a running sending holds until its
// answer is settled (none between sendings).
CounterSet CountsToKeep(const CounterSet& counters, const ServerLinkState& state);

// Adds the sent counts to the totals and writes them, in this order: DTotale, TotalTouches,
// TotalClicsDroit, TotalClicsGauche, TotalClicsSpecial, TotalScrolls, TotalUptime,
// TotalUsetime. The distance is added part by part (km, m, cm, nothing carried), unless a
// part would leave its 16-bit range: then the three parts are rebuilt from the exact total.
// Other totals stop at the 32-bit maximum. Returns the parts of the sent distance.
DistanceParts AddToTotals(CounterSet& counters, const SentCounts& sent, SettingsStore& settings);

// `value` rounded to 2 decimals (halves to the even digit), in its shortest form: "550",
// "1.5", "1.86". `separator` stands between the whole and the decimal digits.
std::wstring TwoDecimals(double value, const std::wstring& separator);

struct ResultTextOptions {
    bool metric = true;
    std::wstring decimal_separator = L".";
    int hour = 0; // the moment of the result, for "have been sent at HH:MM"
    int minute = 0;
};
// LastLog after an accepted sending (three CR LF line breaks).
std::wstring SentLastLog(const SentCounts& sent, const ResultTextOptions& options);
// The activity log's line for the same result (one line).
std::wstring SentLogLine(const SentCounts& sent, const ResultTextOptions& options);

inline constexpr const wchar_t* kNewVersionWebsiteText =
    L"New version of TheWandrel: Please download the new version of the client on the "
    L"Project Trekhold website";
inline constexpr const wchar_t* kAutoUpdateText = L"TheWandrel auto-update";
inline constexpr const wchar_t* kRefusedAutoUpdateText =
    L"Refused auto-update of TheWandrel: Please download the new version of the client on "
    L"the Project Trekhold website or accept TheWandrel auto-update";
inline constexpr const wchar_t* kFillInAccountText = L"Please fill in your account informations";

// The whole sending. Ignored (returns at once) while another sending runs. When the update
// download cannot be offered (ui.CanDownloadUpdate() is false), a new version with a
// download description is handled as if the user had declined the download.
void Send_Click(ExchangeServices& services, ServerLinkState& state, CounterSet& counters,
                SendingUi& ui, MachineFacts& machine);
