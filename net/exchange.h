// What the exchanges with the server (sending, key request, totals check) work with: the
// services they use, the main window's fields they change, what they tell the user
// interface, and the facts of the machine they carry.
#pragma once

#include "base/counter_set.h"
#include "net/http_fetcher.h"
#include "base/user_messages.h"
#include "storage/activity_log.h"
#include "storage/cryptage.h"
#include "storage/file_store.h"
#include "storage/settings_store.h"

#include <string>

struct ExchangeServices {
    SettingsStore& settings;
    FileStore& files;
    HttpFetcher& http;
    LogClock& clock; // the log's stamp and the HH:MM of a sending's result
    RandomSource& random;
};

// Fields of the main window `Client` that the exchanges read and change. The main window
// owns one and hands it to every exchange.
struct ServerLinkState {
    std::string Clef = "0";    // the account key in its stored (pair-coded) form; "0": none
    bool EnvoiEnCours = false; // a sending is running
    // The counts the running sending took from the counters, from the moment they are
    // cleared until the answer is settled (given back, added to the totals, or dropped after
    // a confirmed key change). Boxes and the request's wait run the message loop meanwhile,
    // so a shutdown can come in between: it saves these with the counters.
    SentCounts Sending;
    std::wstring LastLog; // the text of the last sending result (the dialog's log page)
    // Version of the server's list of accepted programs, as last fetched (three digits);
    // empty until the first accepted sending of this run.
    std::string ListVersion;
    bool ProgramListed = true; // this program's digest was on that list (or the list is empty)
};

// What a sending, a key request or the totals check tells the user interface: the tray
// icon's animation, the sampling timer, the message loop, the boxes and the pages it opens.
class SendingUi : public UserMessages {
  public:
    // Remembers Icon_Move_Global and turns it off, then starts Timer_IconSend.
    virtual void StartSendingAnimation() = 0;
    // Stops Timer_IconSend (may be called when it is already stopped).
    virtual void StopSendingAnimation() = 0;
    // The resting tray image, icon frame counters 0, Icon_Move_Global as remembered.
    virtual void RestoreRestingIcon() = 0;
    // The sampling timer Timer1.
    virtual void StopSampling() = 0;
    // Timer1 again, when counting is enabled (the tray item McE is checked).
    virtual void RestartSampling() = 0;
    // Lets the message loop handle what is waiting, once.
    virtual void ProcessPendingMessages() = 0;
    // Opens the configuration dialog without waiting and shows its account page.
    virtual void OpenAccountPage() = 0;
    // Whether the update download window can be offered at all.
    virtual bool CanDownloadUpdate() = 0;
    // Loads, shows and starts the update download window with the server's description.
    virtual void StartUpdateDownload(const std::string& description) = 0;
    // Opens the address in a new window of the default browser.
    virtual void GotoSite(const std::string& address) = 0;
};

// The facts of this machine and program that a sending carries or writes with.
class MachineFacts {
  public:
    virtual ~MachineFacts() = default;
    // AdresseMAC(): the machine identity text.
    virtual std::string MachineIdentity() = 0;
    // The 32-digit MD5 text of the companion library, as the start-up check computes it.
    virtual std::string ProgramDigest() = 0;
    // Global_Unite_KM: true for metric units, false for English units.
    virtual bool MetricUnits() = 0;
    // The system's decimal separator (for English distances).
    virtual std::wstring DecimalSeparator() = 0;
};

// Appends `text` to the activity log when the setting Save_logs (default "True") is true.
// A line that cannot be written is lost; the exchange goes on.
void LogIfEnabled(ExchangeServices& services, const std::wstring& text);
