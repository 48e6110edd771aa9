#include "ui/installer_window_win32.h"

#include "net/server_address.h"
#include "storage/account_key.h"
#include "storage/data_files.h"
#include "storage/settings_readers.h"
#include "base/localisation.h"
#include "base/text_encoding.h"


namespace win32 {

namespace {

constexpr wchar_t kGoCaption[] = L"Go!";
constexpr wchar_t kConnectingCaption[] = L"Connecting to the server...";
constexpr wchar_t kProxyTitle[] = L"Define the Proxy Server";
constexpr wchar_t kProxyDefault[] = L"http://ProxyAdress:80";

} // namespace

InstallerWindow::InstallerWindow(InstallerSetup setup) : setup_(std::move(setup)) {}

InstallerWindow::~InstallerWindow() = default;

UserMessages& InstallerWindow::Messages() {
    return setup_.messages ? *setup_.messages : own_messages_;
}

bool InstallerWindow::Create() {
    language_ = LangueInstallation(setup_.services.settings);
    LangueCourante = language_;
    if (!CreateModeless(IDD_INSTALLER, nullptr))
        return false;
    own_messages_.set_owner(hwnd());
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    SetFocus(control(kPseudo));
    return true;
}

void InstallerWindow::InitControls() {
    SetWindowTextW(hwnd(), kInstallerTitle);
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconW(nullptr, IDI_APPLICATION)));
    SetDlgItemTextW(hwnd(), kExp, ChaineLocale(900).c_str());
    SetDlgItemTextW(hwnd(), kLabel1, ChaineLocale(400).c_str());
    SetDlgItemTextW(hwnd(), kLabel2, ChaineLocale(410).c_str());
    SetDlgItemTextW(hwnd(), kUseProxy, ChaineLocale(540).c_str());
    SetDlgItemTextW(hwnd(), kDefineProxy, ChaineLocale(550).c_str());
    SetDlgItemTextW(hwnd(), kInstall, kGoCaption);
    password_box_.Attach(control(kPwd));

    // The proxy: taken over from the settings, so a second run starts as the first ended.
    const std::string proxy = ConfiguredProxy(setup_.services.settings);
    const bool use_proxy = RecupereBooleen(setup_.services.settings, Setting::UseProxy);
    setup_.services.http.SetProxy(proxy);
    CheckDlgButton(hwnd(), kUseProxy, use_proxy ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextW(hwnd(), kTboxProxy, WideFromCp1252(proxy).c_str());
    EnableWindow(control(kTboxProxy), use_proxy);
    EnableWindow(control(kDefineProxy), use_proxy);
}

void InstallerWindow::SetAccountFieldsEnabled(bool enabled) {
    for (int id : {kInstall, kPseudo, kPwd})
        EnableWindow(control(id), enabled);
}

void InstallerWindow::Install_Click() {
    if (busy_ || installed_)
        return;
    SetAccountFieldsEnabled(false);
    SupprimeFichiersDonnees(setup_.services.files);

    const AccountEntry entry = CheckAccountEntry(TextOf(kPseudo), TextOf(kPwd));
    if (entry.problem != AccountEntryProblem::None) {
        std::wstring text = ChaineLocale(910);
        const wchar_t* title = kApplicationTitle;
        if (entry.problem == AccountEntryProblem::NicknameNotUsable) {
            text = kNicknameNotUsableText;
            title = kInstallerTitle;
        } else if (entry.problem == AccountEntryProblem::PasswordNotUsable) {
            text = kPasswordNotUsableText;
            title = kInstallerTitle;
        }
        Messages().Show(text, title, MessageButtons::Ok, MessageIcon::Exclamation);
        SetAccountFieldsEnabled(true);
        return;
    }

    SetWindowTextW(control(kInstall), kConnectingCaption);
    UpdateWindow(control(kInstall));
    busy_ = true;
    const Registration result =
        RegisterAccount(setup_.services, entry, language_, setup_.program_folder);
    busy_ = false;

    if (result.stored) {
        installed_ = true;
        Messages().Show(kInstalledText, L"Installed", MessageButtons::Ok, MessageIcon::Information);
        DestroyWindow(hwnd());
        return;
    }
    if (result.answer == KeyAnswer::Accepted) {
        // Saying "installed" now would start a client that finds no account.
        Messages().Show(kAccountNotStoredText, kInstallerTitle, MessageButtons::Ok,
                        MessageIcon::Critical);
    } else {
        const RegistrationRefusal refusal = RefusalOf(result.answer);
        Messages().Show(ChaineLocale(refusal.text_id), refusal.title, MessageButtons::Ok,
                        MessageIcon::Critical);
        for (int id : {kPseudo, kPwd}) {
            if ((id == kPseudo && refusal.clear_nickname) ||
                (id == kPwd && refusal.clear_password)) {
                EnableWindow(control(id), TRUE);
                SetWindowTextW(control(id), L"");
                SetFocus(control(id));
            }
        }
    }
    SetWindowTextW(control(kInstall), kGoCaption);
    SetAccountFieldsEnabled(true);
    if (close_requested_)
        DestroyWindow(hwnd());
}

void InstallerWindow::DefineProxy_Click() {
    // A cancelled prompt answers the empty text, which is stored like any other answer.
    const std::wstring answer =
        Messages().AskText(ChaineLocale(250), kProxyTitle, kProxyDefault).value_or(L"");
    if (!DefineProxy(setup_.services.settings, setup_.services.http, answer)) {
        Messages().Show(kProxyNotUsableText, kProxyTitle, MessageButtons::Ok,
                        MessageIcon::Exclamation);
        return;
    }
    SetWindowTextW(control(kTboxProxy), answer.c_str());
}

void InstallerWindow::UseProxy_Click() {
    SettingsStore& settings = setup_.services.settings;
    const bool checked = SendMessageW(control(kUseProxy), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (!checked) {
        settings.Write(SettingPath(Setting::UseProxy), "False");
        settings.Write(SettingPath(Setting::Proxy), "");
        setup_.services.http.SetProxy("");
        EnableWindow(control(kTboxProxy), FALSE);
        EnableWindow(control(kDefineProxy), FALSE);
        return;
    }
    settings.Write(SettingPath(Setting::UseProxy), "True");
    const std::string proxy = RecupereParametre(settings, Setting::Proxy);
    if (proxy.empty()) {
        DefineProxy_Click();
    } else {
        setup_.services.http.SetProxy(proxy);
        SetWindowTextW(control(kTboxProxy), WideFromCp1252(proxy).c_str());
    }
    EnableWindow(control(kTboxProxy), TRUE);
    EnableWindow(control(kDefineProxy), TRUE);
}

bool InstallerWindow::PasswordBox::HandleMessage(UINT message, WPARAM wparam, LPARAM,
                                                 LRESULT& result) {
    if (message != WM_CHAR || wparam != VK_RETURN)
        return false;
    const HWND parent = GetParent(control());
    PostMessageW(parent, WM_COMMAND, MAKEWPARAM(kInstall, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(parent, kInstall)));
    result = 0;
    return true;
}

INT_PTR InstallerWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        InitControls();
        SetTimer(hwnd(), kTimerCoupeClient, kTimerCoupeClientInterval, nullptr);
        return FALSE; // the focus goes to the nickname once the dialog is shown
    case WM_TIMER:
        if (wparam == kTimerCoupeClient) {
            KillTimer(hwnd(), kTimerCoupeClient);
            if (setup_.unload_client)
                setup_.unload_client();
            return TRUE;
        }
        break;
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED) {
            switch (LOWORD(wparam)) {
            case kInstall:
                Install_Click();
                return TRUE;
            case kUseProxy:
                UseProxy_Click();
                return TRUE;
            case kDefineProxy:
                DefineProxy_Click();
                return TRUE;
            }
        }
        break;
    case WM_CLOSE:
        if (busy_) {
            close_requested_ = true; // the registration in progress closes it when done
            return TRUE;
        }
        DestroyWindow(hwnd());
        return TRUE;
    }
    return DialogBase::HandleMessage(message, wparam, 0);
}

void InstallerWindow::OnDialogGone() {
    if (closed_reported_)
        return;
    closed_reported_ = true;
    if (setup_.closed)
        setup_.closed(installed_);
}

} // namespace win32
