#include "net/key_request.h"

#include "net/server_address.h"
#include "storage/data_files.h"
#include "base/localisation.h"

std::string AccountText(const std::string& nickname, const std::string& password) {
    return nickname + "'" + password;
}

std::optional<std::string> KeyInAnswer(const std::string& answer) {
    if (answer.size() < 3 || answer.compare(0, 2, "OK") != 0)
        return std::nullopt;
    std::string key = answer.substr(3);
    if (!UsableServerKey(key))
        return std::nullopt;
    return key;
}

KeyAnswer ClassifyKeyAnswer(const std::string& answer) {
    if (KeyInAnswer(answer))
        return KeyAnswer::Accepted;
    if (answer == "Errlogin")
        return KeyAnswer::UnknownNickname;
    if (answer == "Errpwd")
        return KeyAnswer::WrongPassword;
    if (answer.empty())
        return KeyAnswer::Unreachable;
    return KeyAnswer::ServerFailure;
}

bool Recupere_nouvelle_cle(ExchangeServices& services, ServerLinkState& state, CounterSet& counters,
                           SendingUi& ui, const std::string& Pseudon,
                           const std::string& Passw) {
    const std::string url = ServerBaseUrl(services.settings) + kKeyEndpoint +
                            UrlPayload(CrypteEnvoi(AccountText(Pseudon, Passw), services.random));
    const std::string answer = services.http.Get(url);

    int text_id = 200;
    const wchar_t* title = L"TheWandrel: Server error";
    switch (ClassifyKeyAnswer(answer)) {
    case KeyAnswer::Accepted:
        state.Clef = answer.substr(3);
        // The counts a sending holds belong to the old key: from here on nothing may save
        // them (a logoff while the box below is up would put them in the new key's file).
        state.Sending = {};
        ui.StopSampling();
        ui.ProcessPendingMessages();
        ClearToBeSent(counters);
        ui.RestartSampling();
        EnregistreCle(services.files, state.Clef);
        EnregistreDonnees(services.files, counters, state.Clef, services.random);
        ui.Show(ChaineLocale(210), L"Reinstalled", MessageButtons::Ok, MessageIcon::Information);
        return true;
    case KeyAnswer::UnknownNickname:
        text_id = 150;
        title = L"TheWandrel: Nickname Error";
        break;
    case KeyAnswer::WrongPassword:
        text_id = 160;
        title = L"TheWandrel: Password Error";
        break;
    case KeyAnswer::Unreachable:
        text_id = 220;
        title = L"TheWandrel: Connection error";
        break;
    case KeyAnswer::ServerFailure:
        break;
    }
    ui.Show(ChaineLocale(text_id), title, MessageButtons::Ok, MessageIcon::Critical);
    return false;
}

bool ChangementOrdinateur(ExchangeServices& services, ServerLinkState& state, CounterSet& counters,
                          SendingUi& ui, const std::string& Pseudon,
                          const std::string& Passw) {
    state.LastLog = kKeyErrorText;
    LogIfEnabled(services, state.LastLog);
    const MessageAnswer choice =
        ui.Show(ChaineLocale(190), L"TheWandrel: Computer or User changing",
                  MessageButtons::OkCancel, MessageIcon::Exclamation);
    if (choice != MessageAnswer::Ok)
        return false;
    return Recupere_nouvelle_cle(services, state, counters, ui, Pseudon, Passw);
}
