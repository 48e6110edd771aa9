#include "ui/configuration_window_win32.h"

#include "base/localisation.h"
#include "base/text_encoding.h"
#include "base/win32/last_error.h"
#include "base/win32/process_start.h"
#include "controls/controls_win32.h"
#include "net/check_totals.h"
#include "net/installer_steps.h"
#include "net/server_address.h"
#include "storage/activity_log.h"
#include "storage/data_files.h"
#include "storage/data_folder_win32.h"
#include "ui/display_layout.h"
#include "ui/display_window_win32.h"
#include "ui/form_localisation_win32.h"
#include "ui/language_switch.h"
#include "ui/language_switch_win32.h"
#include "ui/tray_icon_win32.h"

#include <commdlg.h>

namespace win32 {

namespace {

constexpr wchar_t kAccountSavedTitle[] = L"Account saved";
constexpr wchar_t kAccountSavedText[] = L"Account properties saved";
constexpr wchar_t kAccountNotSavedText[] =
    L"Your account could not be saved in the registry or in the data folder "
    L"(%LOCALAPPDATA%\\TheWandrel). Please check that the disk is not full, then try again.";
constexpr wchar_t kProxyTitle[] = L"Define the Proxy Adress";
constexpr wchar_t kBackgroundTitle[] = L"Choose a background color";
constexpr wchar_t kFontTitle[] = L"Choose a font color";
constexpr wchar_t kContactLine[] =
    L"Questions, ideas or a problem? Write to the author on the forum of the Project "
    L"Trekhold website.";

// The controls of the Inputs page in the order of display::InputsLabel.
constexpr int kInputsLabelIds[] = {
    IDC_CFG_DISTANCE_COURANTE, IDC_CFG_DISTANCE_TOTALE, IDC_CFG_LTOUCHES,
    IDC_CFG_LTOTALTOUCHES,     IDC_CFG_LCLICS,          IDC_CFG_LGAUCHE,
    IDC_CFG_LDROIT,            IDC_CFG_LSPECIAL,        IDC_CFG_LTOTALCLICS,
    IDC_CFG_LTOTALGAUCHE,      IDC_CFG_LTOTALDROIT,     IDC_CFG_LTOTALSPECIAL,
    IDC_CFG_LSCROLLS,          IDC_CFG_LTOTALSCROLLS,   IDC_CFG_LUT,
    IDC_CFG_LUST,              IDC_CFG_LTOTALUT,        IDC_CFG_LTOTALUST,
};

constexpr int kTabIds[] = {IDC_CFG_BINPUTS,  IDC_CFG_BCONFIG, IDC_CFG_BDISPLAY,
                           IDC_CFG_BACCOUNT, IDC_CFG_BLOGS,   IDC_CFG_BABOUT};

// The six display check boxes, in the order of the lines (0 distance to 5 usetime).
constexpr int kDisplayBoxIds[] = {IDC_CFG_DDDISTANCE, IDC_CFG_DDTOUCHES, IDC_CFG_DDCLICS,
                                  IDC_CFG_DDSCROLLS,  IDC_CFG_DDUPTIME,  IDC_CFG_DDUSETIME};

bool* DisplayFlag(DisplayFlags& flags, int line) {
    bool* all[] = {&flags.DDisplay_distance, &flags.DDisplay_touches, &flags.DDisplay_clics,
                   &flags.DDisplay_scrolls,  &flags.DDisplay_uptime,  &flags.DDisplay_usetime};
    return all[line];
}

// The page whose identifier range holds `id`, or nothing for the tab buttons.
std::optional<int> PageOfControl(int id) {
    const int offset = id - IDC_CFG_PAGE_FIRST;
    if (offset < 0 || offset >= 6 * IDC_CFG_PAGE_SPAN)
        return std::nullopt;
    return offset / IDC_CFG_PAGE_SPAN;
}

// The colour chooser has no title of its own: the hook gives it one.
UINT_PTR CALLBACK ColourHook(HWND dialog, UINT message, WPARAM, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        const auto* chooser = reinterpret_cast<const CHOOSECOLORW*>(lparam);
        ::SetWindowTextW(dialog, reinterpret_cast<const wchar_t*>(chooser->lCustData));
    }
    return 0;
}

} // namespace

ConfigurationWindow::~ConfigurationWindow() = default;

bool ConfigurationWindow::Show(std::optional<Page> page) {
    if (!hwnd()) {
        if (!controls::RegisterControlClasses(::GetModuleHandleW(nullptr)))
            LogFailure(L"RegisterClassExW (Button2000, btn)", ::GetLastError());
        if (!CreateModeless(IDD_CONFIGURATION, nullptr)) {
            LogFailure(L"CreateDialogParamW (configuration)", ::GetLastError());
            return false;
        }
        if (fade_.Start(hwnd()))
            ::SetTimer(hwnd(), kFadeInTimer, 1, nullptr);
        ::ShowWindow(hwnd(), SW_SHOW);
    }
    ::SetForegroundWindow(hwnd());
    if (page)
        ShowPage(*page);
    return true;
}

void ConfigurationWindow::InitDialog() {
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(::LoadIconW(nullptr, IDI_APPLICATION)));
    SetTextIds(hwnd(),
               {{IDC_CFG_BINPUTS, 770},           {IDC_CFG_BCONFIG, 780},
                {IDC_CFG_BDISPLAY, 790},          {IDC_CFG_BACCOUNT, 800},
                {IDC_CFG_BLOGS, 810},             {IDC_CFG_BABOUT, 820},
                {IDC_CFG_HEAD_SENT, 680},         {IDC_CFG_HEAD_TOTAL, 850},
                {IDC_CFG_NAME_DISTANCE, 570},     {IDC_CFG_NAME_CLICS, 590},
                {IDC_CFG_NAME_GAUCHE, 690},       {IDC_CFG_NAME_DROIT, 700},
                {IDC_CFG_NAME_SPECIAL, 710},      {IDC_CFG_NAME_TOUCHES, 580},
                {IDC_CFG_NAME_SCROLLS, 600},      {IDC_CFG_NAME_UT, 830},
                {IDC_CFG_NAME_UST, 840},          {IDC_CFG_LANGUAGE_LABEL, 560},
                {IDC_CFG_USEPROXY, 540},          {IDC_CFG_DEFINEPROXY, 550},
                {IDC_CFG_ICONETRANSPARENTE, 530}, {IDC_CFG_COUNTSPECIALCLICS, 490},
                {IDC_CFG_WINSTART, 480},          {IDC_CFG_CE, 470},
                {IDC_CFG_AUTO_SEND, 500},         {IDC_CFG_AUTOSEND_KM, 510},
                {IDC_CFG_SAVE_MYDISTANCE, 520},   {IDC_CFG_DDDISTANCE, 570},
                {IDC_CFG_DDTOUCHES, 580},         {IDC_CFG_DDCLICS, 590},
                {IDC_CFG_DDSCROLLS, 600},         {IDC_CFG_DDUPTIME, 830},
                {IDC_CFG_DDUSETIME, 840},         {IDC_CFG_DDBGCOLOR, 650},
                {IDC_CFG_DDCOLOR, 640},           {IDC_CFG_DDALWAYSONTOP, 610},
                {IDC_CFG_SIZE_LABEL, 620},        {IDC_CFG_TRANSPARENCY_LABEL, 630},
                {IDC_CFG_INFODDRIGHTCLIC, 670},   {IDC_CFG_INFODDLEFTCLIC, 660},
                {IDC_CFG_PSEUDO_LABEL, 400},      {IDC_CFG_PWD_LABEL, 410},
                {IDC_CFG_ACCOUNT_INFO, 440},      {IDC_CFG_SAVEACCOUNT, 420},
                {IDC_CFG_CANCELACCOUNT, 430},     {IDC_CFG_CHECKTOTALDATA, 450},
                {IDC_CFG_CHECK_INFO, 460},        {IDC_CFG_OPENLOGS, 720},
                {IDC_CFG_CLEAR_LOGS, 730},        {IDC_CFG_LASTLOG_LABEL, 740}});
    // The command buttons: drawing style 14 and the arrow pointer; the two colour buttons
    // show no focus rectangle. The website's address is on a button with the hand pointer:
    // a link the keyboard reaches.
    const std::string site = ServerBaseUrl(host_.Services().settings);
    ::SetDlgItemTextW(hwnd(), IDC_CFG_LIEN, WideFromCp1252(site).c_str());
    for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(child);
        controls::BtnProperties look = controls::GetBtnProperties(child);
        look.ButtonType = 14;
        look.MousePointer = 1;
        look.ShowFocusRect = id != IDC_CFG_DDBGCOLOR && id != IDC_CFG_DDCOLOR;
        look.HandPointer = id == IDC_CFG_LIEN;
        controls::SetBtnProperties(child, look); // does nothing to the other classes
    }
    // Tabs without icons: their captions centred.
    for (int tab : kTabIds) {
        controls::Button2000Properties centred = controls::GetButton2000Properties(control(tab));
        centred.PositionSecondY = 2;
        controls::SetButton2000Properties(control(tab), centred);
    }
    // The chosen tab's look: the pressed colours of the unselected one.
    controls::Button2000Properties chosen =
        controls::GetButton2000Properties(control(IDC_CFG_BUNCHECKED));
    chosen.BackColor = chosen.BackColorDown;
    chosen.ForeColor = chosen.ForeColorDown;
    controls::SetButton2000Properties(control(IDC_CFG_BCHECKED), chosen);
    ::SetDlgItemTextW(hwnd(), IDC_CFG_LABEL9, kContactLine);
    ShowPage(Page::Inputs);
}

// Every control from the settings and the main window, in this order; a control whose
// setting cannot be read keeps what it shows.
void ConfigurationWindow::AfficheParametres() {
    ExchangeServices services = host_.Services();
    SettingsStore& settings = services.settings;
    SetChecked(IDC_CFG_WINSTART, Recupere_launchwinstart(settings));
    SetChecked(IDC_CFG_CE, !host_.MetricUnits());
    const AutoSendState auto_send = host_.AutoSend();
    SetChecked(IDC_CFG_AUTO_SEND, auto_send.Autos);
    SetChecked(IDC_CFG_AUTOSEND_KM, auto_send.AutosKm);
    ::SetDlgItemInt(hwnd(), IDC_CFG_AS_HEURE,
                    static_cast<UINT>(StepLabelFromSettings(settings, StepLabel::As_heure)), FALSE);
    ::SetDlgItemInt(hwnd(), IDC_CFG_AS_KM,
                    static_cast<UINT>(StepLabelFromSettings(settings, StepLabel::AS_km)), FALSE);
    DisplayFlags& flags = host_.Flags();
    for (int line = 0; line < 6; ++line)
        SetChecked(kDisplayBoxIds[line], *DisplayFlag(flags, line));
    SetChecked(IDC_CFG_COUNTSPECIALCLICS, host_.MoreClics());
    SetChecked(IDC_CFG_SAVE_MYDISTANCE, RecupereBooleen(settings, Setting::Save_dist));
    ::SetDlgItemInt(hwnd(), IDC_CFG_MIN_SAVE,
                    static_cast<UINT>(StepLabelFromSettings(settings, StepLabel::Min_save)), FALSE);
    FillLogsPage();
    SetChecked(IDC_CFG_SAVE_LOGS, RecupereBooleen(settings, Setting::Save_logs));
    ::SetDlgItemTextW(hwnd(), IDC_CFG_TBOXPROXY,
                      WideFromCp1252(RecupereParametre(settings, Setting::Proxy)).c_str());
    const bool use_proxy = RecupereBooleen(settings, Setting::UseProxy);
    SetChecked(IDC_CFG_USEPROXY, use_proxy);
    ::EnableWindow(control(IDC_CFG_TBOXPROXY), use_proxy);
    ::EnableWindow(control(IDC_CFG_DEFINEPROXY), use_proxy);
    SetChecked(IDC_CFG_ICONETRANSPARENTE, RecupereBooleen(settings, Setting::TransparentIcon));
    ::SetDlgItemInt(hwnd(), IDC_CFG_TRANSPARENCE,
                    static_cast<UINT>(StepLabelFromSettings(settings, StepLabel::Transparence)),
                    FALSE);
    SetChecked(IDC_CFG_DDALWAYSONTOP, RecupereBooleen(settings, Setting::DDonTop));
    ::SetDlgItemInt(hwnd(), IDC_CFG_DDSIZE,
                    static_cast<UINT>(StepLabelFromSettings(settings, StepLabel::ddSize)), FALSE);
    busy_ = true;
    FillLanguageList(control(IDC_CFG_COMBOLANGUE));
    busy_ = false;
    LocaliseFeuille(hwnd());
}

// The Save_logs caption (text 750 and the log's path) and the log's size.
void ConfigurationWindow::FillLogsPage() {
    const std::wstring path = LogFilePath().value_or(L"");
    ::SetDlgItemTextW(hwnd(), IDC_CFG_SAVE_LOGS, (ChaineLocale(750) + path).c_str());
    ExchangeServices services = host_.Services();
    const std::wstring size =
        LogSizeText(ChaineLocale(760), Taille_logs(services.files), tray::LocaleDecimalSeparator());
    ::SetDlgItemTextW(hwnd(), IDC_CFG_LOG_SIZE, size.c_str());
}

void ConfigurationWindow::ShowPage(Page page) {
    page_ = page;
    host_.InputsPageShown(nullptr);
    const int shown = static_cast<int>(page);
    // The two appearance properties of the looks, the background and the caption colour.
    const controls::Button2000Properties chosen =
        controls::GetButton2000Properties(control(IDC_CFG_BCHECKED));
    const controls::Button2000Properties other =
        controls::GetButton2000Properties(control(IDC_CFG_BUNCHECKED));
    for (int tab = 0; tab < 6; ++tab) {
        const HWND button = control(kTabIds[tab]);
        const controls::Button2000Properties& look = tab == shown ? chosen : other;
        controls::Button2000Properties properties = controls::GetButton2000Properties(button);
        properties.BackColor = look.BackColor;
        properties.ForeColor = look.ForeColor;
        controls::SetButton2000Properties(button, properties);
    }
    // Hide the other pages first, so no two overlap on screen even for a moment.
    for (bool showing : {false, true}) {
        for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            const std::optional<int> at = PageOfControl(::GetDlgCtrlID(child));
            if (at && (*at == shown) == showing)
                ::ShowWindow(child, showing ? SW_SHOWNA : SW_HIDE);
        }
    }
    switch (page) {
    case Page::Inputs:
        host_.InputsPageShown(this);
        break;
    case Page::Account: {
        ExchangeServices services = host_.Services();
        ::SetDlgItemTextW(hwnd(), IDC_CFG_PSEUDO,
                          WideFromCp1252(DonnePseudo(services.settings)).c_str());
        ::SetDlgItemTextW(hwnd(), IDC_CFG_PWD, WideFromCp1252(RecuperePwd(services.files)).c_str());
        break;
    }
    case Page::Logs:
        ::SetDlgItemTextW(hwnd(), IDC_CFG_LOGS, host_.LastLog().c_str());
        break;
    default:
        break;
    }
}

void ConfigurationWindow::SetLabel(display::InputsLabel label, const std::wstring& text) {
    ::SetDlgItemTextW(hwnd(), kInputsLabelIds[static_cast<int>(label)], text.c_str());
}

bool ConfigurationWindow::Checked(int id) const {
    return ::IsDlgButtonChecked(hwnd(), id) == BST_CHECKED;
}

void ConfigurationWindow::SetChecked(int id, bool checked) {
    ::CheckDlgButton(hwnd(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

int ConfigurationWindow::NumberOf(int id) const {
    BOOL read = FALSE;
    const UINT value = ::GetDlgItemInt(hwnd(), id, &read, FALSE);
    return read ? static_cast<int>(value) : 0;
}

void ConfigurationWindow::Step(StepLabel label, int label_id, bool up) {
    ExchangeServices services = host_.Services();
    const std::optional<int> next = PressStep(services.settings, label, NumberOf(label_id), up);
    // At a stopping end, or after a failed write, the label shows what is stored.
    const int value = next ? *next : StepLabelFromSettings(services.settings, label);
    ::SetDlgItemInt(hwnd(), label_id, static_cast<UINT>(value), FALSE);
    if (!next)
        return;
    switch (label) {
    case StepLabel::As_heure:
        host_.SetHautos(static_cast<uint8_t>(value));
        break;
    case StepLabel::AS_km:
        host_.SetKautos(static_cast<uint8_t>(value));
        break;
    case StepLabel::ddSize:
        if (host_.DisplayOpen())
            host_.DisplaySizeChanged();
        break;
    case StepLabel::Transparence:
        if (host_.DisplayOpen())
            host_.SetDisplayOpacity(display::OpacityFromTransparency(value));
        break;
    case StepLabel::Min_save:
        break;
    }
}

void ConfigurationWindow::AutoSendClicked(AutoSendBox box) {
    const int id = box == AutoSendBox::Auto_send ? IDC_CFG_AUTO_SEND : IDC_CFG_AUTOSEND_KM;
    ExchangeServices services = host_.Services();
    const AutoSendState state = ClickAutoSend(services.settings, box, Checked(id));
    host_.SetAutoSend(state);
    SetChecked(IDC_CFG_AUTO_SEND, state.Autos);
    SetChecked(IDC_CFG_AUTOSEND_KM, state.AutosKm);
}

void ConfigurationWindow::CheckBoxClicked(int id) {
    ExchangeServices services = host_.Services();
    SettingsStore& settings = services.settings;
    const bool checked = Checked(id);
    switch (id) {
    case IDC_CFG_COUNTSPECIALCLICS: {
        const bool shown = WriteCheckBox(settings, Setting::MoreClics, checked);
        SetChecked(id, shown);
        host_.SetMoreClics(shown);
        break;
    }
    case IDC_CFG_SAVE_LOGS:
        SetChecked(id, WriteCheckBox(settings, Setting::Save_logs, checked));
        break;
    case IDC_CFG_SAVE_MYDISTANCE:
        SetChecked(id, WriteCheckBox(settings, Setting::Save_dist, checked));
        break;
    case IDC_CFG_CE: {
        const bool english = WriteEnglishUnits(settings, checked);
        SetChecked(id, english);
        host_.SetMetricUnits(!english);
        break;
    }
    case IDC_CFG_DDALWAYSONTOP: {
        const bool on_top = WriteCheckBox(settings, Setting::DDonTop, checked);
        SetChecked(id, on_top);
        if (host_.DisplayOpen())
            host_.SetDisplayOnTop(on_top);
        break;
    }
    case IDC_CFG_ICONETRANSPARENTE:
        SetChecked(id, WriteCheckBox(settings, Setting::TransparentIcon, checked));
        host_.TransparentIconChanged();
        break;
    case IDC_CFG_WINSTART:
        SetChecked(id, ApplyWinstart(settings, host_.ProgramFolder(), checked));
        break;
    }
}

void ConfigurationWindow::DisplayBoxClicked() {
    DisplayFlags& flags = host_.Flags();
    const DisplayFlags before = flags;
    for (int line = 0; line < 6; ++line)
        *DisplayFlag(flags, line) = Checked(kDisplayBoxIds[line]);
    ExchangeServices services = host_.Services();
    if (!EnregistreDisplayData(services.settings, flags)) {
        flags = before;
        for (int line = 0; line < 6; ++line)
            SetChecked(kDisplayBoxIds[line], *DisplayFlag(flags, line));
        return;
    }
    if (host_.DisplayOpen())
        host_.DisplayLinesChanged();
}

void ConfigurationWindow::ColourClicked(bool background) {
    ExchangeServices services = host_.Services();
    const Setting setting = background ? Setting::DDBackColor : Setting::DDFontColor;
    COLORREF start = background ? DisplayWindow::kBuiltInBackground : DisplayWindow::kBuiltInText;
    if (std::optional<COLORREF> shown = host_.DisplayColour(background))
        start = *shown;
    else if (std::optional<uint32_t> stored =
                 display::ColourFromSetting(RecupereParametre(services.settings, setting)))
        start = *stored;
    static COLORREF custom_colours[16] = {};
    CHOOSECOLORW chooser{};
    chooser.lStructSize = sizeof(chooser);
    chooser.hwndOwner = hwnd();
    chooser.rgbResult = start;
    chooser.lpCustColors = custom_colours;
    chooser.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ENABLEHOOK;
    chooser.lpfnHook = ColourHook;
    chooser.lCustData = reinterpret_cast<LPARAM>(background ? kBackgroundTitle : kFontTitle);
    const bool chosen = ::ChooseColorW(&chooser) != FALSE;
    const DWORD error = chosen ? 0 : ::CommDlgExtendedError();
    if (error)
        LogFailure(L"ChooseColorW", error);
    const std::optional<uint32_t> colour =
        ColourToStore(chosen, error != 0, start, chooser.rgbResult);
    if (!colour)
        return;
    if (host_.DisplayOpen())
        host_.SetDisplayColour(background, *colour);
    services.settings.Write(SettingPath(setting), std::to_string(*colour)); // logs a failure
}

void ConfigurationWindow::DefineProxyClicked() {
    ExchangeServices services = host_.Services();
    // A cancelled prompt answers the empty text, which is stored like any other answer.
    const std::wstring answer =
        host_.Messages()
            .AskText(ChaineLocale(250), kProxyTitle, ProxyPromptDefault(services.settings))
            .value_or(L"");
    if (!DefineProxy(services.settings, services.http, answer)) {
        host_.Messages().Show(kProxyNotUsableText, kProxyTitle, MessageButtons::Ok,
                              MessageIcon::Exclamation);
        return;
    }
    ::SetDlgItemTextW(hwnd(), IDC_CFG_TBOXPROXY, answer.c_str());
}

void ConfigurationWindow::UseProxyClicked() {
    ExchangeServices services = host_.Services();
    const bool checked = Checked(IDC_CFG_USEPROXY);
    switch (UseProxyChanged(services.settings, services.http, checked)) {
    case UseProxyOutcome::NotWritten:
        SetChecked(IDC_CFG_USEPROXY, RecupereBooleen(services.settings, Setting::UseProxy));
        return;
    case UseProxyOutcome::AskForProxy:
        DefineProxyClicked();
        break;
    case UseProxyOutcome::Proxied:
    case UseProxyOutcome::Direct:
        break;
    }
    ::EnableWindow(control(IDC_CFG_TBOXPROXY), checked);
    ::EnableWindow(control(IDC_CFG_DEFINEPROXY), checked);
}

void ConfigurationWindow::LanguageChosen() {
    if (busy_)
        return;
    const HWND combo = control(IDC_CFG_COMBOLANGUE);
    ExchangeServices services = host_.Services();
    // The tray menu is relabelled by the client (LanguageChanged below), with the display.
    if (!ComboLangue_Click(hwnd(), combo, services.settings, nullptr, {})) {
        busy_ = true;
        FillLanguageList(combo); // back to the language in use
        busy_ = false;
        return;
    }
    FillLogsPage();
    host_.LanguageChanged();
}

void ConfigurationWindow::SaveAccountClicked() {
    const AccountEntry entry = CheckAccountEntry(TextOf(IDC_CFG_PSEUDO), TextOf(IDC_CFG_PWD));
    std::wstring refusal;
    switch (entry.problem) {
    case AccountEntryProblem::None:
        break;
    case AccountEntryProblem::Empty:
        refusal = ChaineLocale(910);
        break;
    case AccountEntryProblem::NicknameNotUsable:
        refusal = kNicknameNotUsableText;
        break;
    case AccountEntryProblem::PasswordNotUsable:
        refusal = kPasswordNotUsableText;
        break;
    }
    if (!refusal.empty()) {
        host_.Messages().Show(refusal, kApplicationTitle, MessageButtons::Ok,
                              MessageIcon::Exclamation);
        return;
    }
    ExchangeServices services = host_.Services();
    const std::string login_path = SettingPath(Setting::Login);
    const std::optional<std::string> previous_login = services.settings.Read(login_path);
    bool saved = services.settings.Write(login_path, entry.nickname);
    if (saved && EnregistrePwd(services.files, entry.password) != SaveResult::Saved) {
        // Nickname and password go together: the nickname stored before comes back.
        saved = false;
        if (previous_login)
            services.settings.Write(login_path, *previous_login);
        else
            services.settings.Delete(login_path);
    }
    if (!saved) {
        host_.Messages().Show(kAccountNotSavedText, kApplicationTitle, MessageButtons::Ok,
                              MessageIcon::Critical);
        return;
    }
    host_.Messages().Show(kAccountSavedText, kAccountSavedTitle, MessageButtons::Ok,
                          MessageIcon::Information);
}

void ConfigurationWindow::OpenLogsClicked() {
    const std::optional<std::wstring> path = LogFilePath();
    if (!path)
        return;
    const std::optional<DWORD> process = StartProcess(OpenLogsCommandLine(*path));
    if (!process) {
        LogFailure(L"CreateProcessW (Notepad)", ::GetLastError());
        return;
    }
    ::AllowSetForegroundWindow(*process);
}

void ConfigurationWindow::ClearLogsClicked() {
    ExchangeServices services = host_.Services();
    Supprime_logs(services.files);
    FillLogsPage();
}

void ConfigurationWindow::OnCommand(int id, int code) {
    if (id == IDC_CFG_COMBOLANGUE) {
        if (code == CBN_SELCHANGE)
            LanguageChosen();
        return;
    }
    if (code != BN_CLICKED)
        return;
    for (int tab = 0; tab < 6; ++tab)
        if (id == kTabIds[tab])
            return ShowPage(static_cast<Page>(tab));
    for (int box : kDisplayBoxIds)
        if (id == box)
            return DisplayBoxClicked();
    switch (id) {
    case IDC_CFG_PLUS:
    case IDC_CFG_MOINS:
        return Step(StepLabel::As_heure, IDC_CFG_AS_HEURE, id == IDC_CFG_PLUS);
    case IDC_CFG_ASKMPLUS:
    case IDC_CFG_ASKMMOINS:
        return Step(StepLabel::AS_km, IDC_CFG_AS_KM, id == IDC_CFG_ASKMPLUS);
    case IDC_CFG_PLUS_SAVE:
    case IDC_CFG_MOINS_SAVE:
        return Step(StepLabel::Min_save, IDC_CFG_MIN_SAVE, id == IDC_CFG_PLUS_SAVE);
    case IDC_CFG_DDSIZEPLUS:
    case IDC_CFG_DDSIZEMOINS:
        return Step(StepLabel::ddSize, IDC_CFG_DDSIZE, id == IDC_CFG_DDSIZEPLUS);
    case IDC_CFG_DDTRPLUS:
    case IDC_CFG_DDTRMOINS:
        return Step(StepLabel::Transparence, IDC_CFG_TRANSPARENCE, id == IDC_CFG_DDTRPLUS);
    case IDC_CFG_AUTO_SEND:
        return AutoSendClicked(AutoSendBox::Auto_send);
    case IDC_CFG_AUTOSEND_KM:
        return AutoSendClicked(AutoSendBox::AutoSend_km);
    case IDC_CFG_USEPROXY:
        return UseProxyClicked();
    case IDC_CFG_DEFINEPROXY:
        return DefineProxyClicked();
    case IDC_CFG_DDBGCOLOR:
        return ColourClicked(true);
    case IDC_CFG_DDCOLOR:
        return ColourClicked(false);
    case IDC_CFG_SAVEACCOUNT:
        return SaveAccountClicked();
    case IDC_CFG_CANCELACCOUNT:
        return ShowPage(Page::Account); // the stored nickname and password again
    case IDC_CFG_CHECKTOTALDATA: {
        ExchangeServices services = host_.Services();
        const HWND button = control(IDC_CFG_CHECKTOTALDATA);
        CheckTotalData_Click(services, host_.Counts(), host_.Messages(),
                             [button](bool enabled) { ::EnableWindow(button, enabled); });
        return;
    }
    case IDC_CFG_OPENLOGS:
        return OpenLogsClicked();
    case IDC_CFG_CLEAR_LOGS:
        return ClearLogsClicked();
    case IDC_CFG_LIEN:
        return host_.OpenWebsite();
    default:
        return CheckBoxClicked(id);
    }
}

INT_PTR ConfigurationWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        InitDialog();
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE) {
            AfficheParametres();
            if (page_ == Page::Inputs)
                ShowPage(Page::Inputs);
        }
        return FALSE;
    case WM_TIMER:
        if (wparam == kFadeInTimer) {
            if (fade_.Tick())
                ::KillTimer(hwnd(), kFadeInTimer);
            return TRUE;
        }
        break;
    case WM_COMMAND:
        OnCommand(LOWORD(wparam), HIWORD(wparam));
        return TRUE;
    case WM_CLOSE:
        ::DestroyWindow(hwnd());
        return TRUE;
    case WM_DESTROY:
        RemoveTextIds(hwnd());
        break;
    }
    return DialogBase::HandleMessage(message, wparam, lparam);
}

void ConfigurationWindow::OnDialogGone() {
    host_.InputsPageShown(nullptr);
    host_.ConfigurationClosed();
}

} // namespace win32
