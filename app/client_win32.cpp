// `Client`: messages, timers, the tray menu's commands and the shutdown.
#include "app/client_win32.h"

#include "app/minute_accounting.h"
#include "base/win32/message_pump.h"
#include "net/send_totals.h"
#include "net/server_address.h"
#include "net/win32/goto_site.h"
#include "storage/data_files.h"
#include "storage/settings_readers.h"
#include "base/localisation.h"
#include "base/text_encoding.h"

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
        if (win32::SamplingTimers::OnTimer(sampler_, hwnd(), wparam))
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
    // The open display shows the new uptime and usetime at its next refresh.
    if (MinuteAccounting(counters_, sampler_.state().ActiviteMinute, link_.EnvoiEnCours) &&
        DDisplay_ouverte)
        DisplayNeedRefresh = true;
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
    tray_.RemoveIcon();
    if (files_) {
        // A sending whose answer is not settled yet (its box is up) keeps its counts.
        EnregistreDonnees(*files_, CountsToKeep(counters_, link_), link_.Clef);
        EnregistreCle(*files_, link_.Clef);
    }
    settings_.Write(SettingPath(Setting::DDStartOpen), DDisplay_ouverte ? "True" : "False");
    CloseDisplay();
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
    ExchangeServices services = Services();
    Send_Click(services, link_, counters_, *this, machine_);
    if (close_after_sending_ && !link_.EnvoiEnCours) {
        close_after_sending_ = false;
        ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
    }
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
    DDisplay_ouverte = false;
}

void Client::OpenDisplay() {
    DDisplay_ouverte = true;
    DisplayNeedRefresh = true;
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
    // The configuration dialog arrives later; its menu entry is disabled meanwhile.
}

std::string Client::TransparentIconSetting() {
    return RecupereParametre(settings_, Setting::TransparentIcon);
}

std::string Client::Nickname() {
    return DonnePseudo(settings_);
}
