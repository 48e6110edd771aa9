#include "net/check_totals.h"

#include "net/key_request.h"
#include "net/server_address.h"
#include "storage/data_files.h"
#include "storage/settings_readers.h"
#include "base/number_text.h"
#include "base/localisation.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace {

// The first `count` fields at most; the rest is never looked at.
std::vector<std::string> SplitSemicolons(const std::string& text, size_t count) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() < count) {
        const size_t end = text.find(';', start);
        fields.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
    return fields;
}

// A decimal number within 32 bits; blanks and line ends around it are allowed.
std::optional<int32_t> Field32(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::nullopt;
    const size_t last = text.find_last_not_of(" \t\r\n");
    return ParseInt32(text.substr(first, last - first + 1));
}

} // namespace

CheckOutcome AppliqueTotaux(const std::string& answer, CounterSet& c, SettingsStore& settings) {
    struct Total {
        Setting setting;
        int32_t CounterValues::*field; // null for the distance
    };
    static const Total kOrder[] = {
        {Setting::DTotale, nullptr},
        {Setting::TotalClicsGauche, &CounterSet::NCGauche_Ever},
        {Setting::TotalClicsDroit, &CounterSet::NCDroit_Ever},
        {Setting::TotalClicsSpecial, &CounterSet::NCSpecial_Ever},
        {Setting::TotalScrolls, &CounterSet::NScrolls_Ever},
        {Setting::TotalTouches, &CounterSet::NbTouches_Ever},
        {Setting::TotalUptime, &CounterSet::UpTime_Ever},
        {Setting::TotalUsetime, &CounterSet::UseTime_Ever},
    };
    const std::vector<std::string> fields = SplitSemicolons(answer, 8);
    bool changed = false;
    for (size_t i = 0; i < 8; ++i) {
        if (i >= fields.size())
            return CheckOutcome::UnknownError;
        const std::optional<int32_t> value = Field32(fields[i]);
        if (!value)
            return CheckOutcome::UnknownError;
        const Total& t = kOrder[i];
        const int64_t current = t.field ? c.*t.field : TotalDistanceCm(c);
        // The server answers at most 2147483647 a field: a larger total of ours is kept.
        if (current == *value || (*value == INT32_MAX && current > INT32_MAX))
            continue;
        changed = true;
        // The number in the form the readers take back (a field may carry blanks).
        settings.Write(SettingPath(t.setting), std::to_string(*value));
        if (t.field) {
            SetCount(c, t.field, *value);
        } else {
            Recupere_Distancetotale(settings, c);
        }
    }
    return changed ? CheckOutcome::Updated : CheckOutcome::UpToDate;
}

CheckOutcome CheckTotalData_Click(ExchangeServices& services, CounterSet& counters,
                                  UserMessages& messages,
                                  const std::function<void(bool)>& enable_button) {
    if (enable_button)
        enable_button(false);
    const std::string payload = CrypteEnvoi(
        AccountText(DonnePseudo(services.settings), RecuperePwd(services.files)), services.random);
    const std::string answer =
        services.http.Get(ServerBaseUrl(services.settings) + kCheckEndpoint + UrlPayload(payload));

    CheckOutcome outcome;
    if (answer.empty())
        outcome = CheckOutcome::Unreachable;
    else if (answer == "ErrPseudo")
        outcome = CheckOutcome::UnknownNickname;
    else if (answer == "ErrPwd")
        outcome = CheckOutcome::WrongPassword;
    else if (answer == "Erreur")
        outcome = CheckOutcome::ServerFailure;
    else
        outcome = AppliqueTotaux(answer, counters, services.settings);

    if (enable_button)
        enable_button(true);
    auto box = [&](const std::wstring& text, const wchar_t* title, MessageIcon icon) {
        messages.Show(text, title, MessageButtons::Ok, icon);
    };
    switch (outcome) {
    case CheckOutcome::Unreachable:
        box(ChaineLocale(220), L"Can't join the Server", MessageIcon::Exclamation);
        break;
    case CheckOutcome::UnknownNickname:
        box(ChaineLocale(150), L"Unknown Nickname", MessageIcon::Exclamation);
        break;
    case CheckOutcome::WrongPassword:
        box(ChaineLocale(160), L"Wrong Password", MessageIcon::Exclamation);
        break;
    case CheckOutcome::ServerFailure:
        box(ChaineLocale(200), L"Server Failure", MessageIcon::Exclamation);
        break;
    case CheckOutcome::UnknownError:
        box(L"Error: an unknown error has occured", L"Unknown Error", MessageIcon::Exclamation);
        break;
    case CheckOutcome::Updated:
        box(ChaineLocale(230), L"Data checked", MessageIcon::Information);
        break;
    case CheckOutcome::UpToDate:
        box(ChaineLocale(240), L"Data checked", MessageIcon::Information);
        break;
    }
    return outcome;
}
