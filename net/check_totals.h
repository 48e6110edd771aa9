// The totals check: asks the server ("CheckData.php") for the account's totals and makes
// the client's totals equal to them. The server is the reference; the to-be-sent counters
// are not touched.
#pragma once

#include "base/counter_set.h"
#include "net/exchange.h"

#include <functional>
#include <string>

enum class CheckOutcome {
    Unreachable,     // empty answer: "Can't join the Server"
    UnknownNickname, // "ErrPseudo"
    WrongPassword,   // "ErrPwd"
    ServerFailure,   // "Erreur"
    UpToDate,        // every total already equal (text 240)
    Updated,         // at least one total replaced (text 230)
    UnknownError,    // a missing, non-numeric or out-of-range field ("Unknown Error")
};

// Applies an answer that is not an error word: the eight totals separated by ";" (distance
// in cm, left, right, special clicks, scrolls, keystrokes, uptime, usetime; further fields
// ignored). Each total that differs is written to its setting (as a plain decimal
// number) and replaced in memory (the distance through DTotale and its three parts). A
// faulty field stops there: the totals before it stay replaced.
CheckOutcome AppliqueTotaux(const std::string& answer, CounterSet& counters,
                            SettingsStore& settings);

// The whole check with its message box. `enable_button` is called with false at the start
// and with true before the final box (the dialog's CheckTotalData button).
CheckOutcome CheckTotalData_Click(ExchangeServices& services, CounterSet& counters,
                                  UserMessages& messages,
                                  const std::function<void(bool)>& enable_button = {});
