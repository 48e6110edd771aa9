// The account key request ("Request_cle.php") and the change of computer or user that
// leads to it from a sending.
#pragma once

#include "base/counter_set.h"
#include "net/exchange.h"

#include <optional>
#include <string>

// The plain text of the key request and the totals check: nickname + "'" + password.
std::string AccountText(const std::string& nickname, const std::string& password);

// The stored-form key of an accepted answer: "OK", one character that is not examined,
// then a stored key that decodes to six characters this client can use (UsableServerKey).
// Nothing for any other answer.
std::optional<std::string> KeyInAnswer(const std::string& answer);

enum class KeyAnswer { Accepted, UnknownNickname, WrongPassword, Unreachable, ServerFailure };
// Error words are compared exactly; anything unrecognised is a server failure.
KeyAnswer ClassifyKeyAnswer(const std::string& answer);

// Asks the server for a new key for this computer. Accepted: Clef takes the new key, the
// to-be-sent counters are cleared (sampling stopped meanwhile), the key file and the totals
// data file are written and "OK. Enjoy!" is shown. Refused: a box says why and nothing
// changes. True when a new key was accepted.
bool Recupere_nouvelle_cle(ExchangeServices& services, ServerLinkState& state, CounterSet& counters,
                           SendingUi& ui, const std::string& Pseudon,
                           const std::string& Passw);

inline constexpr const wchar_t* kKeyErrorText =
    L"Key Error: You were trying to change of computer or user";

// The dialogue after a sending's "Errcle": records the key error, asks whether the change
// is wanted and, on OK, requests a new key. True when the sending's counts are settled
// (a new key arrived and cleared them); false when they must be given back (Cancel, or a
// key request that failed).
bool ChangementOrdinateur(ExchangeServices& services, ServerLinkState& state, CounterSet& counters,
                          SendingUi& ui, const std::string& Pseudon, const std::string& Passw);
