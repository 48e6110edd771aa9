// `Client`: messages, timers, the tray menu's commands and the shutdown.
#include "app/client_win32.h"

#include "app/minute_accounting.h"
#include "base/localisation.h"
#include "base/text_encoding.h"
#include "base/win32/last_error.h"
#include "base/win32/message_pump.h"
#include "base/win32/process_start.h"
#include "net/send_totals.h"
#include "net/server_address.h"
#include "net/win32/goto_site.h"
#include "ui/window_effects_win32.h"
#include "storage/data_files.h"
#include "storage/settings_readers.h"

#include <shellapi.h>

namespace {

class SystemClock : public Clock {
  public:
    LocalTime Now() const override {
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        return LocalTime{now.wHour, now.wMinute};
    }
};

} // namespace

Client::Client() = default;

Client::~Client() {
    Shutdown();
}

LRESULT Client::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    // The taskbar's return and the count queries, once the start-up has installed them.
    hook_.OnMessage(message, wparam, lparam);
    switch (message) {
    case WM_TIMER:
        if (win32::SamplingTimers::OnTimer(sampler_, hwnd(), wparam) || display_.OnTimer(wparam))
            return 0;
        switch (wparam) {
        case kTimer_AS:
            Timer_AS_Timer();
            return 0;
        case kTimerASKm:
            TimerASKm_Timer();
            return 0;
        case kTimer_IconSend:
            tray_.Timer_IconSend_Timer();
            return 0;
        }
        break;
    case win32::Sampler::kWakeMessage:
        win32::SamplingTimers::OnMessage(sampler_, hwnd(), message);
        return 0;
    case kUpdateDownloadedMessage:
        FinishUpdate();
        return 0;
    case kDownloadClosedMessage:
        if (download_ && !download_->hwnd())
            download_.reset();
        return 0;
    case tray::kTrayCallbackMessage:
        // The tray icon's notifications arrive as this message, the mouse message in lParam.
        tray_.OnNotification(lparam);
        return 0;
    case WM_CLOSE:
        // A sending in progress finishes first (its request keeps the message loop running).
        if (link_.EnvoiEnCours) {
            close_after_sending_ = true;
            return 0;
        }
        // The unload of the main window: its shutdown handler, then the window itself.
        Shutdown();
        if (!Donothing_) {
            // Destroy() unlinks the window from this object first, so WM_DESTROY no longer
            // reaches it: the message loop is ended here.
            Destroy();
            ::PostQuitMessage(0);
        }
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // Windows is ending the session: save as a quit would.
        if (wparam)
            Shutdown();
        return 0;
    }
    return WindowBase::HandleMessage(message, wparam, lparam);
}

// Runs inside the tray icon's notification handling: the unload comes once that returns.
void Client::Quit() {
    ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

// The minute tick: counting state, sending at the hour, periodic save, the coefficient,
// uptime and usetime.
void Client::Timer_AS_Timer() {
    if (GuardCounters())
        return;
    static const SystemClock system_clock;
    const Clock* clock = &system_clock;
    if (tick_clock_) {
        tick_clock_->Tick();
        clock = &*tick_clock_;
    }
    const MinuteTickDecision decision =
        MinuteTick(schedule_, tray_.menu_state().counting_checked, link_.EnvoiEnCours, *clock,
                   [this](Setting s) { return RecupereParametre(settings_, s); });
    if (decision.timer1Enabled)
        win32::SamplingTimers::StartSampling(sampler_, hwnd());
    else
        win32::SamplingTimers::StopSampling(sampler_, hwnd());
    if (decision.send)
        Send();
    if (decision.save && files_)
        EnregistreDonnees(*files_, counters_, link_.Clef);
    sampler_.RefreshCoefficient();
    if (MinuteAccounting(counters_, sampler_.state().ActiviteMinute, link_.EnvoiEnCours))
        display_.UpUseTimeChanged();
}

// Counters written by another program are put back from their shadow before they are used;
// the first time, counting stops for the rest of the run, as a pause the menu cannot lift.
bool Client::GuardCounters() {
    if (!guard_.Check(counters_))
        return false;
    ::OutputDebugStringW(L"TheWandrel: the counters were changed by another program\n");
    tray_.menu_state().counting_checked = false;
    tray_.menu_state().counting_locked = true;
    SuspendCounting();
    ApplyRestIcon();
    if (files_) {
        ExchangeServices services = Services();
        LogIfEnabled(services, LocalTextWithoutBreaks(270));
    }
    return true;
}

void Client::TimerASKm_Timer() {
    if (DistanceTickShouldSend(schedule_.Kautos, counters_.Distance))
        Send();
}

// The shutdown handler: the icon, the counts and the key, the display state, the query hook,
// the shared memory, the devices. Runs once; each step goes on past the failure of another.
void Client::Shutdown() {
    if (shut_down_)
        return;
    if (Donothing_) {
        ShowInstaller();
        return;
    }
    if (!hwnd())
        return;
    shut_down_ = true;
    download_.reset();
    // Only the window: a box or the colour chooser of one of its handlers may be what runs
    // this, and that handler returns into the object afterwards.
    if (configuration_ && configuration_->hwnd())
        ::DestroyWindow(configuration_->hwnd());
    display_.SetInputsLabels(nullptr);
    GuardCounters();
    tray_.RemoveIcon();
    EnregistreVerdict(settings_, guard_);
    if (files_) {
        // A sending whose answer is not settled yet (its box is up) keeps its counts.
        EnregistreDonnees(*files_, CountsToKeep(counters_, link_), link_.Clef);
        EnregistreCle(*files_, link_.Clef);
    }
    settings_.Write(SettingPath(Setting::DDStartOpen), display_.IsOpen() ? "True" : "False");
    display_.Close();
    hook_.Remove();
    win32::SamplingTimers::StopAll(sampler_, hwnd());
    for (UINT_PTR timer : {kTimer_AS, kTimerASKm, kTimer_IconSend})
        ::KillTimer(hwnd(), timer);
    sampler_.Close();
    if (zeptal_) {
        using StopPFunction = void(__stdcall*)();
        auto stop = reinterpret_cast<StopPFunction>(
            reinterpret_cast<void*>(::GetProcAddress(zeptal_.get(), "StopP")));
        if (stop)
            stop();
    }
}

// Without an account only the first-run installer runs. Once it has registered the
// computer, the program starts again as the counting client; closed otherwise, it ends.
void Client::ShowInstaller() {
    if (ending_)
        return;
    if (installer_ && installer_->hwnd()) {
        ::SetForegroundWindow(installer_->hwnd());
        return;
    }
    // The installer's first tick unloads the counting client: its hidden window goes, so a
    // program asking for the counts meanwhile learns that no client runs.
    win32::InstallerSetup setup{Services(), nullptr, program_folder_, [this] { Destroy(); },
                                [this](bool installed) { InstallerClosed(installed); }};
    installer_ = std::make_unique<win32::InstallerWindow>(std::move(setup));
    if (!installer_->Create())
        ::PostQuitMessage(1);
}

void Client::InstallerClosed(bool installed) {
    ending_ = true;
    restart_wanted_ = installed;
    ::PostQuitMessage(0);
}

ExchangeServices Client::Services() {
    return ExchangeServices{settings_, *files_, http_, log_clock_, DefaultRandomSource()};
}

void Client::Send() {
    GuardCounters();
    ExchangeServices services = Services();
    Send_Click(services, link_, counters_, *this, machine_);
    if (update_after_sending_ && !link_.EnvoiEnCours) {
        update_after_sending_ = false;
        ::PostMessageW(hwnd(), kUpdateDownloadedMessage, 0, 0);
    } else if (close_after_sending_ && !link_.EnvoiEnCours) {
        close_after_sending_ = false;
        ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
    }
}

// Loads, shows and starts the update download window (one at a time).
void Client::StartUpdateDownload(const std::string& description) {
    if (download_ && download_->hwnd()) {
        ::SetForegroundWindow(download_->hwnd());
        return;
    }
    win32::DownloadSetup setup;
    setup.description = description;
    setup.server_url = ServerBaseUrl(settings_);
    setup.separators.decimal = machine_.DecimalSeparator();
    wchar_t grouping[8] = L",";
    if (!::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, grouping, 8))
        win32::LogFailure(L"GetLocaleInfoEx (LOCALE_STHOUSAND)", ::GetLastError());
    setup.separators.grouping = grouping;
    wchar_t temp[MAX_PATH + 1] = L"";
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        win32::LogFailure(L"GetTempPathW", ::GetLastError());
    setup.folder = std::wstring(temp) + L"TheWandrel\\";
    setup.finished = [this](const std::wstring& setup_program) {
        setup_program_ = setup_program;
        ::PostMessageW(hwnd(), kUpdateDownloadedMessage, 0, 0);
    };
    setup.closed = [this] { ::PostMessageW(hwnd(), kDownloadClosedMessage, 0, 0); };
    download_ = std::make_unique<win32::DownloadWindow>(std::move(setup));
    if (!download_->Create()) {
        download_.reset();
        return;
    }
    download_->Downloadage();
}

void Client::FinishUpdate() {
    if (setup_program_.empty() || shut_down_)
        return;
    if (link_.EnvoiEnCours) {
        update_after_sending_ = true;
        return;
    }
    settings_.Write(SettingPath(Setting::Path), Cp1252FromWide(win32::ModulePath(), '?'));
    // This window, then the main window, whose shutdown unloads the configuration dialog
    // and the display and saves the counts.
    download_.reset();
    Shutdown();
    Destroy();
    // Through the shell, not CreateProcess: the setup program asks for elevation.
    const HINSTANCE started =
        ::ShellExecuteW(nullptr, L"open", setup_program_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32)
        win32::LogFailure(L"ShellExecuteW (setup program)", ::GetLastError());
    ::PostQuitMessage(0);
}

void Client::StartSendingAnimation() {
    icon_move_before_sending_ = sampler_.state().Icon_Move_Global;
    sampler_.state().Icon_Move_Global = false;
    ::SetTimer(hwnd(), kTimer_IconSend, 200, nullptr);
}

void Client::StopSendingAnimation() {
    ::KillTimer(hwnd(), kTimer_IconSend);
}

void Client::RestoreRestingIcon() {
    ApplyRestIcon();
    sampler_.state().Icon_Move_Global = icon_move_before_sending_;
}

void Client::StopSampling() {
    win32::SamplingTimers::StopSampling(sampler_, hwnd());
}

void Client::RestartSampling() {
    if (tray_.menu_state().counting_checked)
        win32::SamplingTimers::StartSampling(sampler_, hwnd());
}

void Client::ProcessPendingMessages() {
    win32::ProcessPendingMessages();
}

void Client::GotoSite(const std::string& address) {
    ::GotoSite(address);
}

void Client::CloseDisplay() {
    display_.Close();
}

void Client::OpenDisplay() {
    // A window that cannot be made leaves the entry unchecked (the cause is logged).
    if (!display_.Open())
        tray_.menu_state().display_checked = false;
}

void Client::ResumeCounting() {
    sampler_.devices().Acquire();
    win32::SamplingTimers::StartSampling(sampler_, hwnd());
    ::SetTimer(hwnd(), kTimer_AS, minute_ms_, nullptr);
}

void Client::SuspendCounting() {
    win32::SamplingTimers::StopSampling(sampler_, hwnd());
    ::KillTimer(hwnd(), kTimer_AS);
    sampler_.devices().Unacquire();
}

void Client::SetIconMoveGlobal(bool on) {
    // A sending keeps the animation off and restores the remembered value at its end: a
    // choice made meanwhile (from the menu while its box is up) is what it must restore.
    if (link_.EnvoiEnCours)
        icon_move_before_sending_ = on;
    else
        sampler_.state().Icon_Move_Global = on;
}

void Client::ApplyRestIcon() {
    tray_.ShowRestIcon();
    sampler_.state().ImageIcone = 0;
    sampler_.state().ImageIconeAffichee = 0;
}

void Client::OpenWebsite() {
    GotoSite(ServerBaseUrl(settings_));
}

void Client::OpenSettings() {
    Configuration().Show();
}

void Client::OpenAccountPage() {
    Configuration().Show(win32::ConfigurationWindow::Page::Account);
}

win32::ConfigurationWindow& Client::Configuration() {
    if (!configuration_) {
        win32::ConfigurationHost& host = *this;
        configuration_ = std::make_unique<win32::ConfigurationWindow>(host);
    }
    return *configuration_;
}

UserMessages& Client::Messages() {
    configuration_boxes_.set_owner(configuration_ ? configuration_->hwnd() : nullptr);
    return configuration_boxes_;
}

void Client::SetAutoSend(AutoSendState state) {
    schedule_.Autos = state.Autos;
    schedule_.AutosKm = state.AutosKm;
    if (state.AutosKm)
        ::SetTimer(hwnd(), kTimerASKm, 1500, nullptr);
    else
        ::KillTimer(hwnd(), kTimerASKm);
}

void Client::SetMetricUnits(bool metric) {
    Global_Unite_KM = metric;
    if (display_.IsOpen())
        DisplayLinesChanged();
}

// The rest image follows the setting at once where the icon shows it now.
void Client::TransparentIconChanged() {
    if (!sampler_.state().Icon_Move_Global && !link_.EnvoiEnCours)
        ApplyRestIcon();
}

void Client::LanguageChanged() {
    tray_.SetCaptions([](int id) { return ChaineLocale(id); });
    if (display_.IsOpen())
        DisplayLinesChanged();
    // The duration words of the uptime texts, on the display and the Inputs page.
    display_.AfficheUpUseTime();
}

// The display's lines, size and texts built again (lines, units or language changed).
void Client::DisplayLinesChanged() {
    DisplaySizeChanged();
    display_.state().LinesNeedRebuild = true;
    display_.state().DisplayNeedRefresh = true;
    if (display_flags_.DDisplay_uptime || display_flags_.DDisplay_usetime)
        display_.AfficheUpUseTime();
}

void Client::DisplaySizeChanged() {
    if (win32::DisplayWindow* window = display_.window())
        window->ApplySize(display_flags_, Global_Unite_KM);
}

void Client::SetDisplayOnTop(bool on_top) {
    if (win32::DisplayWindow* window = display_.window())
        win32::MetAuPremierPlan(window->hwnd(), on_top);
}

void Client::SetDisplayOpacity(uint8_t opacity) {
    if (win32::DisplayWindow* window = display_.window(); window && win32::EstNT())
        win32::RendTransparent(window->hwnd(), opacity);
}

std::optional<COLORREF> Client::DisplayColour(bool background) {
    win32::DisplayWindow* window = display_.window();
    if (!window)
        return std::nullopt;
    return background ? window->background() : window->text_colour();
}

void Client::SetDisplayColour(bool background, COLORREF colour) {
    win32::DisplayWindow* window = display_.window();
    if (!window)
        return;
    if (background)
        window->SetColours(colour, window->text_colour());
    else
        window->SetColours(window->background(), colour);
}

void Client::InputsPageShown(display::InputsLabels* labels) {
    display_.SetInputsLabels(labels);
}

void Client::ConfigurationClosed() {
    win32::ProcessPendingMessages();
    CountingDevices& devices = *this;
    ReacquireMouseAfterClosing(devices);
}

void Client::StartSampling() {
    win32::SamplingTimers::StartSampling(sampler_, hwnd());
}

std::string Client::TransparentIconSetting() {
    return RecupereParametre(settings_, Setting::TransparentIcon);
}

std::string Client::Nickname() {
    return DonnePseudo(settings_);
}
