#include "net/send_totals.h"

#include "base/md5.h"
#include "base/number_text.h"
#include "net/key_request.h"
#include "net/program_list.h"
#include "net/server_address.h"
#include "storage/data_files.h"
#include "storage/settings_readers.h"
#include "base/localisation.h"

#include <cmath>
#include <limits>

namespace {

bool FitsInt16(int32_t v) {
    return v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max();
}

void WriteTotal(SettingsStore& settings, Setting setting, int64_t value) {
    settings.Write(SettingPath(setting), std::to_string(value));
}

std::wstring Num(int64_t v) {
    return std::to_wstring(v);
}

std::wstring TwoDigits(int v) {
    return v < 10 && v >= 0 ? L"0" + std::to_wstring(v) : std::to_wstring(v);
}

int64_t ClicksOf(const SentCounts& s) {
    return static_cast<int64_t>(s.NCDroit) + s.NCGauche + s.NCSpecial;
}

// "[1 Km 2 M 3 Cm" / "[1.86 Mi. 550 Yd. 7 In" (the log adds "." after "In").
std::wstring DistanceText(const SentCounts& sent, const ResultTextOptions& o, bool log_line) {
    const DistanceParts p = SplitCentimetres(sent.Distance);
    if (o.metric)
        return L"[" + Num(p.km) + L"Km " + Num(p.m) + L"M " + Num(p.cm) + L"Cm]";
    const std::wstring miles = TwoDecimals(p.km / 1.609, o.decimal_separator);
    const std::wstring yards = TwoDecimals(p.m * 1.1, o.decimal_separator);
    const int64_t inches = static_cast<int64_t>(std::trunc(p.cm / 2.54));
    return L"[" + miles + L"Mi. " + yards + L"Yd. " + Num(inches) + (log_line ? L"In.]" : L"In]");
}

} // namespace

std::string SendingRecord(const std::string& nickname, const std::string& password,
                          const std::string& plain_key, const CounterSet& c,
                          const std::string& machine_identity, const std::string& program_digest) {
    std::string record =
        std::string(kProtocolVersion) + "'" + nickname + "'" + password + "'" + plain_key;
    for (int32_t count : ToBeSent(c).Fields())
        record += "'" + std::to_string(count);
    record += "'" + machine_identity + "'" + program_digest;
    return record + "'" + Md5Text(record);
}

SendAnswer ClassifySendAnswer(const std::string& answer) {
    SendAnswer result;
    if (answer.size() >= 2 && answer.compare(0, 2, "OK") == 0) {
        const std::string key = answer.size() > 5 ? answer.substr(5) : std::string();
        if (UsableServerKey(key)) {
            result.kind = SendAnswerKind::Accepted;
            result.key = key;
            result.list_version = answer.substr(2, 3);
            return result;
        }
    }
    static const std::string kVersion = "Errversion";
    if (answer.empty())
        result.kind = SendAnswerKind::Unreachable;
    else if (answer == "Errlogin")
        result.kind = SendAnswerKind::UnknownNickname;
    else if (answer == "Errpwd")
        result.kind = SendAnswerKind::WrongPassword;
    else if (answer == "Errcle")
        result.kind = SendAnswerKind::KeyMismatch;
    else if (answer == kVersion)
        result.kind = SendAnswerKind::NewVersionWebsite;
    else if (answer.size() > kVersion.size() && answer.compare(0, kVersion.size(), kVersion) == 0) {
        result.kind = SendAnswerKind::NewVersionDownload;
        result.description = answer.substr(kVersion.size() + 1);
    } else
        result.kind = SendAnswerKind::ServerFailure;
    return result;
}

CounterSet CountsToKeep(const CounterSet& counters, const ServerLinkState& state) {
    CounterSet kept = counters;
    GiveBack(kept, state.Sending);
    return kept;
}

DistanceParts AddToTotals(CounterSet& c, const SentCounts& s, SettingsStore& settings) {
    const DistanceParts sent = SplitCentimetres(s.Distance);
    const int64_t total = TotalDistanceCm(c) + s.Distance;
    ChangeCounters(c, [&](CounterValues& v) {
        const int32_t km = v.Ever_KmSouris + sent.km;
        const int32_t m = v.Ever_MSouris + sent.m;
        const int32_t cm = v.Ever_CmSouris + sent.cm;
        if (FitsInt16(km) && FitsInt16(m) && FitsInt16(cm)) {
            v.Ever_KmSouris = static_cast<int16_t>(km);
            v.Ever_MSouris = static_cast<int16_t>(m);
            v.Ever_CmSouris = static_cast<int16_t>(cm);
        } else {
            const DistanceParts parts = SplitCentimetres(TotalDistanceCm(v) + s.Distance);
            v.Ever_KmSouris = parts.km;
            v.Ever_MSouris = parts.m;
            v.Ever_CmSouris = parts.cm;
        }
        v.NbTouches_Ever = SaturatingAdd(v.NbTouches_Ever, s.NbTouches);
        v.NCDroit_Ever = SaturatingAdd(v.NCDroit_Ever, s.NCDroit);
        v.NCGauche_Ever = SaturatingAdd(v.NCGauche_Ever, s.NCGauche);
        v.NCSpecial_Ever = SaturatingAdd(v.NCSpecial_Ever, s.NCSpecial);
        v.NScrolls_Ever = SaturatingAdd(v.NScrolls_Ever, s.NScrolls);
        v.UpTime_Ever = SaturatingAdd(v.UpTime_Ever, s.UpTime);
        v.UseTime_Ever = SaturatingAdd(v.UseTime_Ever, s.UseTime);
    });
    WriteTotal(settings, Setting::DTotale, total);
    WriteTotal(settings, Setting::TotalTouches, c.NbTouches_Ever);
    WriteTotal(settings, Setting::TotalClicsDroit, c.NCDroit_Ever);
    WriteTotal(settings, Setting::TotalClicsGauche, c.NCGauche_Ever);
    WriteTotal(settings, Setting::TotalClicsSpecial, c.NCSpecial_Ever);
    WriteTotal(settings, Setting::TotalScrolls, c.NScrolls_Ever);
    WriteTotal(settings, Setting::TotalUptime, c.UpTime_Ever);
    WriteTotal(settings, Setting::TotalUsetime, c.UseTime_Ever);
    return sent;
}

std::wstring TwoDecimals(double value, const std::wstring& separator) {
    const int64_t hundredths = NearestEven(value * 100.0);
    const bool negative = hundredths < 0;
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(hundredths) : static_cast<uint64_t>(hundredths);
    std::wstring text = (negative ? L"-" : L"") + std::to_wstring(magnitude / 100);
    const unsigned fraction = static_cast<unsigned>(magnitude % 100);
    if (fraction != 0) {
        text += separator + std::to_wstring(fraction / 10);
        if (fraction % 10 != 0)
            text += std::to_wstring(fraction % 10);
    }
    return text;
}

std::wstring SentLastLog(const SentCounts& s, const ResultTextOptions& o) {
    return DistanceText(s, o, false) + L" [" + Num(s.NbTouches) + L" Keystrokes]\r\n[" +
           Num(ClicksOf(s)) + L" Clicks] [" + Num(s.NScrolls) + L" Wheel Scrolls]\r\n[Uptime: " +
           Num(s.UpTime) + L"min] [Usetime: " + Num(s.UseTime) + L"min]\r\nhave been sent at " +
           TwoDigits(o.hour) + L":" + TwoDigits(o.minute);
}

std::wstring SentLogLine(const SentCounts& s, const ResultTextOptions& o) {
    return DistanceText(s, o, true) + L" [" + Num(s.NbTouches) + L" Keystrokes] [" +
           Num(ClicksOf(s)) + L" Clicks] [" + Num(s.NScrolls) + L" Scroll Wheel] [Uptime: " +
           Num(s.UpTime) + L"min] [Usetime: " + Num(s.UseTime) + L"min] have been sent";
}

namespace {

// LastLog and the log line of a refusal, and its box (text id 0: no box).
struct Refusal {
    int text_id;
    int box_id;
    const wchar_t* title;
};

void Refuse(ExchangeServices& services, ServerLinkState& state, SendingUi& ui, const Refusal& r) {
    state.LastLog = LocalTextWithoutBreaks(r.text_id);
    LogIfEnabled(services, state.LastLog);
    if (r.box_id != 0)
        ui.Show(ChaineLocale(r.box_id), r.title, MessageButtons::Ok, MessageIcon::Exclamation);
}

void SetLastLog(ExchangeServices& services, ServerLinkState& state, const std::wstring& text) {
    state.LastLog = text;
    LogIfEnabled(services, text);
}

// Every answer but "OK". True when the sending's counts must be given back.
bool HandleRefusal(ExchangeServices& services, ServerLinkState& state, CounterSet& counters,
                   SendingUi& ui, const SendAnswer& answer, const std::string& nickname,
                   const std::string& password) {
    static const wchar_t* const kNewVersionTitle = L"TheWandrel: New version available";
    switch (answer.kind) {
    case SendAnswerKind::Accepted:
        return false;
    case SendAnswerKind::Unreachable:
        Refuse(services, state, ui, {220, 0, L""});
        return true;
    case SendAnswerKind::UnknownNickname:
        Refuse(services, state, ui, {150, 150, L"TheWandrel: Nickname Error"});
        return true;
    case SendAnswerKind::WrongPassword:
        Refuse(services, state, ui, {160, 160, L"TheWandrel: Password Error"});
        return true;
    case SendAnswerKind::ServerFailure:
        Refuse(services, state, ui, {200, 0, L""});
        return true;
    case SendAnswerKind::NewVersionDownload: {
        // Without a download window the offer cannot be kept: handled as declined.
        const bool accepted = ui.CanDownloadUpdate() &&
                              ui.Show(ChaineLocale(170), kNewVersionTitle, MessageButtons::YesNo,
                                      MessageIcon::Question) == MessageAnswer::Yes;
        if (accepted) {
            SetLastLog(services, state, kAutoUpdateText);
            ui.StartUpdateDownload(answer.description);
        } else {
            SetLastLog(services, state, kRefusedAutoUpdateText);
        }
        return true;
    }
    case SendAnswerKind::NewVersionWebsite:
        SetLastLog(services, state, kNewVersionWebsiteText);
        if (ui.Show(ChaineLocale(180), kNewVersionTitle, MessageButtons::YesNo,
                    MessageIcon::Information) == MessageAnswer::Yes)
            ui.GotoSite(ServerBaseUrl(services.settings));
        return true;
    case SendAnswerKind::KeyMismatch:
        return !ChangementOrdinateur(services, state, counters, ui, nickname, password);
    }
    return true;
}

} // namespace

void Send_Click(ExchangeServices& services, ServerLinkState& state, CounterSet& counters,
                SendingUi& ui, MachineFacts& machine) {
    if (state.EnvoiEnCours)
        return;
    state.EnvoiEnCours = true;
    ui.StartSendingAnimation();
    ui.StopSampling();

    const std::string nickname = DonnePseudo(services.settings);
    const std::string password = RecuperePwd(services.files);
    if (nickname.empty() || password.empty()) {
        ui.StopSendingAnimation();
        ui.Show(kFillInAccountText, kApplicationTitle, MessageButtons::Ok,
                MessageIcon::Exclamation);
        ui.OpenAccountPage();
    }

    const std::string record = SendingRecord(nickname, password, DecodePaires(state.Clef), counters,
                                             machine.MachineIdentity(), machine.ProgramDigest());
    const std::string payload = CrypteEnvoi(record, services.random);
    const SentCounts sent = ToBeSent(counters);
    ClearToBeSent(counters);
    state.Sending = sent;

    const std::string body =
        services.http.Get(ServerBaseUrl(services.settings) + kSendEndpoint + UrlPayload(payload));
    const SendAnswer answer = ClassifySendAnswer(body);

    if (answer.kind == SendAnswerKind::Accepted) {
        state.Sending = {}; // the server has them now
        state.Clef = answer.key;
        EnregistreDonnees(services.files, counters, state.Clef, services.random);
        EnregistreCle(services.files, state.Clef);
        AddToTotals(counters, sent, services.settings);
        ResultTextOptions options;
        options.metric = machine.MetricUnits();
        options.decimal_separator = machine.DecimalSeparator();
        const LogMoment now = services.clock.Now();
        options.hour = now.hour;
        options.minute = now.minute;
        state.LastLog = SentLastLog(sent, options);
        LogIfEnabled(services, SentLogLine(sent, options));
        VerifieListe(services, state, answer.list_version, machine.ProgramDigest());
    } else {
        if (HandleRefusal(services, state, counters, ui, answer, nickname, password))
            GiveBack(counters, sent);
        state.Sending = {};
    }

    state.EnvoiEnCours = false;
    ui.StopSendingAnimation();
    ui.RestartSampling();
    ui.RestoreRestingIcon();
}
