// The answer words of the three account endpoints.
#pragma once

namespace trekhold::answer {

// "Envoi.php" and "Request_cle.php"
constexpr const char* kOk = "OK";
constexpr const char* kUnknownNick = "Errlogin";
constexpr const char* kWrongPassword = "Errpwd";
constexpr const char* kWrongKey = "Errcle";
constexpr const char* kNewVersion = "Errversion";
// Refusals the client takes as a server failure (it keeps the counts and tries later).
constexpr const char* kBadRecord = "Errdata";         // malformed, check or plausibility failed
constexpr const char* kUnknownProgram = "Errprogram"; // program digest not on the list
constexpr const char* kFailure = "Erreur";            // the server could not complete

// "CheckData.php"
constexpr const char* kCheckUnknownNick = "ErrPseudo";
constexpr const char* kCheckWrongPassword = "ErrPwd";
constexpr const char* kCheckFailure = "Erreur";

// The character between "OK" and the key of "Request_cle.php", and between "Errversion"
// and its download description (the client does not read either).
constexpr char kFiller = '-';

} // namespace trekhold::answer
