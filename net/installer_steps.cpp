#include "net/installer_steps.h"

#include "net/server_address.h"
#include "storage/data_files.h"
#include "storage/settings_readers.h"
#include "storage/settings_table.h"
#include "base/text_encoding.h"

uint8_t LangueInstallation(SettingsStore& settings) {
    const std::optional<std::string> value = settings.Read(kSetupLanguagePath);
    return value && *value == "1036" ? 1 : 0;
}

AccountEntry CheckAccountEntry(const std::wstring& nickname, const std::wstring& password) {
    AccountEntry entry;
    if (nickname.empty() || password.empty()) {
        entry.problem = AccountEntryProblem::Empty;
        return entry;
    }
    const std::optional<std::string> nick = Cp1252Exactly(nickname);
    if (!nick || nick->find('\'') != std::string::npos) {
        entry.problem = AccountEntryProblem::NicknameNotUsable;
        return entry;
    }
    const std::optional<std::string> pwd = Cp1252Exactly(password);
    if (!pwd || pwd->find('\'') != std::string::npos || !PairesPeuventCoder(*pwd)) {
        entry.problem = AccountEntryProblem::PasswordNotUsable;
        return entry;
    }
    entry.nickname = *nick;
    entry.password = *pwd;
    return entry;
}

Registration RegisterAccount(ExchangeServices& services, const AccountEntry& entry,
                             uint8_t language, const std::wstring& program_folder) {
    const std::string url =
        ServerBaseUrl(services.settings) + kKeyEndpoint +
        UrlPayload(CrypteEnvoi(AccountText(entry.nickname, entry.password), services.random));
    const std::string answer = services.http.Get(url);
    Registration result;
    result.answer = ClassifyKeyAnswer(answer);
    if (result.answer != KeyAnswer::Accepted)
        return result;
    const bool key = EnregistreCle(services.files, answer.substr(3)) == SaveResult::Saved;
    const bool login = services.settings.Write(SettingPath(Setting::Login), entry.nickname);
    const bool password =
        EnregistrePwd(services.files, entry.password, services.random) == SaveResult::Saved;
    services.settings.WriteWide(kRunEntryPath, StartupCommand(program_folder));
    services.settings.Write(SettingPath(Setting::Language), std::to_string(language));
    result.stored = key && login && password;
    return result;
}

RegistrationRefusal RefusalOf(KeyAnswer answer) {
    switch (answer) {
    case KeyAnswer::UnknownNickname:
        return {150, L"TheWandrel Installer: Nickname Error", true, false};
    case KeyAnswer::WrongPassword:
        return {160, L"TheWandrel Installer: Password Error", false, true};
    case KeyAnswer::Unreachable:
        return {220, L"TheWandrel Installer: Connection Problem", false, false};
    default:
        return {200, L"TheWandrel Installer: Probable Server Failure", false, false};
    }
}
