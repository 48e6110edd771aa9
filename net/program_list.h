// The server's list of accepted programs ("Liste.php"): a three-digit list version on the
// first line, then one accepted companion-library digest (32 hexadecimal digits) per line,
// lines ended by CR LF. Every accepted sending carries the current list version in
// characters 3 to 5 of its answer; the client fetches the list again when it changes, and
// keeps whether its own digest is on it (an empty list accepts every program).
#pragma once

#include "net/exchange.h"

#include <optional>
#include <string>
#include <vector>

struct ProgramList {
    std::string version; // three digits
    std::vector<std::string> digests;
};

// Nothing unless the first line is three digits and every further non-empty line is a
// 32-digit hexadecimal text.
std::optional<ProgramList> ParseProgramList(const std::string& body);

// True when `digest` is on the list or the list is empty.
bool ProgramAccepted(const ProgramList& list, const std::string& digest);

// After an accepted sending whose answer named `answer_version`: when it differs from
// state.ListVersion, fetches the list and updates ListVersion and ProgramListed. A list
// that cannot be fetched or read changes nothing (it is asked for again next time).
void VerifieListe(ExchangeServices& services, ServerLinkState& state,
                  const std::string& answer_version, const std::string& program_digest);
