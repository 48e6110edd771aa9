#include "net/win32/installer_window.h"

#include "net/server_address.h"
#include "storage/data_files.h"
#include "storage/settings_readers.h"
#include "ui/localisation.h"
#include "ui/text_encoding.h"

#include <commctrl.h>

#include <algorithm>

namespace win32 {

namespace {

constexpr wchar_t kClassName[] = L"TheWandrelInstaller";
constexpr wchar_t kGoCaption[] = L"Go!";
constexpr wchar_t kConnectingCaption[] = L"Connecting to the server...";
constexpr wchar_t kProxyTitle[] = L"Define the Proxy Server";
constexpr wchar_t kProxyDefault[] = L"http://ProxyAdress:80";

// The system's message font (the font of message boxes).
HFONT CreateMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

} // namespace

InstallerWindow::InstallerWindow(InstallerSetup setup) : setup_(std::move(setup)) {}

InstallerWindow::~InstallerWindow() = default;

UserMessages& InstallerWindow::Messages() {
    return setup_.messages ? *setup_.messages : own_messages_;
}

bool InstallerWindow::Create() {
    language_ = LangueInstallation(setup_.services.settings);
    LangueCourante = language_;
    WindowClassOptions window_class;
    window_class.name = kClassName;
    window_class.cursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.icon = LoadIconW(nullptr, IDI_APPLICATION);
    WindowOptions options;
    options.title = kInstallerTitle;
    options.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    options.width = 480;
    options.height = 400;
    if (!WindowBase::Create(window_class, options))
        return false;
    own_messages_.set_owner(hwnd());
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    SetFocus(control(kPseudo));
    return true;
}

void InstallerWindow::CreateControls() {
    font_.reset(CreateMessageFont());
    const HFONT font = static_cast<HFONT>(font_.get());
    int line = 16;
    int label_width = 120;
    {
        WindowDC dc(hwnd());
        SelectedObject selected(dc.get(), font);
        TEXTMETRICW metrics{};
        if (GetTextMetricsW(dc.get(), &metrics))
            line = metrics.tmHeight;
        for (int id : {400, 410, 540}) {
            const std::wstring caption = ChaineLocale(id);
            SIZE size{};
            GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()),
                                  &size);
            label_width = std::max<int>(label_width, size.cx + 24); // room for the check box
        }
    }
    const int margin = line;
    const int gap = line / 2 + 2;
    const int client_width = std::max(460, label_width + 360);
    const int inner = client_width - 2 * margin;
    const int field_height = line + 8;
    const int button_height = line + 12;

    // The instructions: as high as their wrapped text.
    const std::wstring instructions = ChaineLocale(900);
    RECT text_rect{0, 0, inner, 0};
    {
        WindowDC dc(hwnd());
        SelectedObject selected(dc.get(), font);
        DrawTextW(dc.get(), instructions.c_str(), -1, &text_rect,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    }

    auto make = [&](const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y, int w,
                    int h, int id, DWORD ex_style = 0) {
        HWND child = CreateWindowExW(
            ex_style, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return child;
    };

    int y = margin;
    make(L"STATIC", instructions, SS_LEFT | SS_NOPREFIX, margin, y, inner,
         text_rect.bottom - text_rect.top, kExp);
    y += text_rect.bottom - text_rect.top + margin;

    const int field_x = margin + label_width + gap;
    const int field_width = 220;
    const int label_offset = (field_height - line) / 2;
    make(L"STATIC", ChaineLocale(400), SS_LEFT, margin, y + label_offset, label_width, line,
         kLabel1);
    make(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, field_x, y, field_width, field_height, kPseudo,
         WS_EX_CLIENTEDGE);
    y += field_height + gap;
    make(L"STATIC", ChaineLocale(410), SS_LEFT, margin, y + label_offset, label_width, line,
         kLabel2);
    HWND password = make(L"EDIT", L"", ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP, field_x, y,
                         field_width, field_height, kPwd, WS_EX_CLIENTEDGE);
    SetWindowSubclass(password, &InstallerWindow::PasswordProcedure, 1,
                      reinterpret_cast<DWORD_PTR>(this));
    y += field_height + margin;

    // The proxy: taken over from the settings, so a second run starts as the first ended.
    const std::string proxy = ConfiguredProxy(setup_.services.settings);
    const bool use_proxy = RecupereBooleen(setup_.services.settings, Setting::UseProxy);
    setup_.services.http.SetProxy(proxy);
    HWND check = make(L"BUTTON", ChaineLocale(540), BS_AUTOCHECKBOX | WS_TABSTOP, margin,
                      y + (field_height - line - 4) / 2, label_width, line + 4, kUseProxy);
    SendMessageW(check, BM_SETCHECK, use_proxy ? BST_CHECKED : BST_UNCHECKED, 0);
    HWND proxy_box = make(L"EDIT", WideFromCp1252(proxy), ES_AUTOHSCROLL | ES_READONLY, field_x, y,
                          field_width, field_height, kTboxProxy, WS_EX_CLIENTEDGE);
    const int define_x = field_x + field_width + gap;
    HWND define = make(L"BUTTON", ChaineLocale(550), BS_PUSHBUTTON | WS_TABSTOP, define_x,
                       y + (field_height - button_height) / 2, client_width - margin - define_x,
                       button_height, kDefineProxy);
    EnableWindow(proxy_box, use_proxy);
    EnableWindow(define, use_proxy);
    y += field_height + margin + gap;

    const int install_width = 240;
    make(L"BUTTON", kGoCaption, BS_DEFPUSHBUTTON | WS_TABSTOP, (client_width - install_width) / 2,
         y, install_width, button_height + 4, kInstall);
    y += button_height + 4 + margin;

    // Size the window around its client area and centre it on the work area.
    RECT frame{0, 0, client_width, y};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE)));
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(hwnd(), nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring InstallerWindow::TextOf(int id) const {
    const HWND box = control(id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
    return text;
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

LRESULT CALLBACK InstallerWindow::PasswordProcedure(HWND edit, UINT message, WPARAM wparam,
                                                    LPARAM lparam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_CHAR && wparam == VK_RETURN) {
        // Enter in the password acts as a click on Install.
        const HWND parent = GetParent(edit);
        PostMessageW(parent, WM_COMMAND, MAKEWPARAM(kInstall, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(parent, kInstall)));
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(edit, &InstallerWindow::PasswordProcedure, id);
    return DefSubclassProc(edit, message, wparam, lparam);
}

LRESULT InstallerWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        CreateControls();
        SetTimer(hwnd(), kTimerCoupeClient, kTimerCoupeClientInterval, nullptr);
        return 0;
    case WM_TIMER:
        if (wparam == kTimerCoupeClient) {
            KillTimer(hwnd(), kTimerCoupeClient);
            if (setup_.unload_client)
                setup_.unload_client();
            return 0;
        }
        break;
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED) {
            switch (LOWORD(wparam)) {
            case kInstall:
                Install_Click();
                return 0;
            case kUseProxy:
                UseProxy_Click();
                return 0;
            case kDefineProxy:
                DefineProxy_Click();
                return 0;
            }
        }
        break;
    case WM_CLOSE:
        if (busy_) {
            close_requested_ = true; // the registration in progress closes it when done
            return 0;
        }
        DestroyWindow(hwnd());
        return 0;
    }
    return WindowBase::HandleMessage(message, wparam, lparam);
}

void InstallerWindow::OnWindowGone() {
    if (closed_reported_)
        return;
    closed_reported_ = true;
    if (setup_.closed)
        setup_.closed(installed_);
}

} // namespace win32
