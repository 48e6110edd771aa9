// The first-run installer's rules, apart from its window: the language the setup program
// chose, what an account entry must satisfy, the registration itself, and the answer to a
// refused registration.
#pragma once

#include "net/exchange.h"
#include "net/key_request.h"

#include <cstdint>
#include <string>

// 1 (French) when the setup program's language value is "1036", else 0 (English).
uint8_t LangueInstallation(SettingsStore& settings);

enum class AccountEntryProblem {
    None,
    Empty,             // nickname or password empty (text 910)
    NicknameNotUsable, // a character code page 1252 has not, or an apostrophe
    PasswordNotUsable, // a character the pair code cannot carry (code above 175), one code
                       // page 1252 has not, or an apostrophe
};

struct AccountEntry {
    AccountEntryProblem problem = AccountEntryProblem::None;
    std::string nickname; // code page 1252, when usable
    std::string password;
};
// The apostrophe joins nickname and password in what is sent, so neither may hold one.
AccountEntry CheckAccountEntry(const std::wstring& nickname, const std::wstring& password);

// Texts for the two unusable entries (English; they are not in the string table).
inline constexpr const wchar_t* kNicknameNotUsableText =
    L"Your nickname contains a character TheWandrel cannot send (an apostrophe, or a "
    L"character outside the Western European character set).";
inline constexpr const wchar_t* kPasswordNotUsableText =
    L"Your password contains a character TheWandrel cannot store or send: an apostrophe, or "
    L"a character such as \u00E9, \u00FC or \u00B0. Please choose another password for your "
    L"account on the website and enter it here.";
inline constexpr const wchar_t* kInstallerTitle = L"TheWandrel Installer";
inline constexpr const wchar_t* kInstalledText = L"Installation succesfull\r\nEnjoy!";
// An accepted registration this computer could not keep (English; not in the string table).
inline constexpr const wchar_t* kAccountNotStoredText =
    L"TheWandrel could not save your account in its data folder (%LOCALAPPDATA%\\TheWandrel) "
    L"or in the registry.\r\nPlease check that the disk is not full, then try again.";

struct Registration {
    KeyAnswer answer = KeyAnswer::ServerFailure;
    // Accepted, and the key file, Login and the password file were all written: the client
    // will find its account.
    bool stored = false;
};

// Requests a key for the account. When it is accepted, writes in this order: the key file
// (the key as received), Login, the password file, the start-up entry (the program folder
// + "TheWandrel.exe") and Language. Nothing is written otherwise.
Registration RegisterAccount(ExchangeServices& services, const AccountEntry& entry,
                             uint8_t language, const std::wstring& program_folder);

// A refused registration: the box and which field to empty and focus afterwards.
struct RegistrationRefusal {
    int text_id;
    const wchar_t* title;
    bool clear_nickname;
    bool clear_password;
};
RegistrationRefusal RefusalOf(KeyAnswer answer);
