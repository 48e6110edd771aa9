// `Client`: the hidden main window. It owns the counter set and all program-wide state
// (settings held in memory, the account key, the sampler with its DirectInput devices and
// shared-memory flags, the tray icon, the query hook, the timers), runs the start-up
// and the orderly shutdown, and carries out the tray menu's commands.
#pragma once

#include "app/counter_guard.h"
#include "base/counter_set.h"
#include "app/distance_display_win32.h"
#include "app/hook_win_msg_win32.h"
#include "app/schedule.h"
#include "app/win32/sampler.h"
#include "app/win32/sampler_host.h"
#include "base/win32/unique_handle.h"
#include "base/win32/window_base.h"
#include "net/exchange.h"
#include "net/win32/machine_facts.h"
#include "net/win32/wininet_fetcher.h"
#include "ui/installer_window_win32.h"
#include "ui/message_boxes_win32.h"
#include "storage/file_store_win32.h"
#include "storage/log_clock_win32.h"
#include "storage/registry_settings_store_win32.h"
#include "storage/settings_readers.h"
#include "ui/configuration_window_win32.h"
#include "ui/download_window_win32.h"
#include "ui/tray_icon_win32.h"

#include <memory>
#include <optional>
#include <string>

class Client : public win32::WindowBase,
               private tray::TrayIconHost,
               private QueryDataProvider,
               private SendingUi,
               private win32::ConfigurationHost,
               private CountingDevices {
  public:
    // Timer identifiers besides the sampler's Timer1 and TimerInitDxMove.
    static constexpr UINT_PTR kTimer_AS = 0x5A03;       // 60000 ms, the minute tick
    static constexpr UINT_PTR kTimerASKm = 0x5A04;      // 1500 ms, sending by distance
    static constexpr UINT_PTR kTimer_IconSend = 0x5A05; // 200 ms, the sending animation
    // Posted by the update download window: every file arrived; the window is gone.
    static constexpr UINT kUpdateDownloadedMessage = WM_APP + 0x136;
    static constexpr UINT kDownloadClosedMessage = WM_APP + 0x137;

    // Process exit codes of the fatal conditions. Those of the start-up save nothing; an
    // error after it (kExitError) saves the counts first.
    enum ExitCode : UINT {
        kExitNormal = 0,
        kExitPlatform = 2,
        kExitMissingLibrary = 3,
        kExitWrongLibrary = 4,
        kExitSharedMemory = 5,
        kExitDirectInput = 6,
        kExitError = 7,
    };

    Client();
    ~Client() override;

    // The start-up. Ends the process itself on every fatal condition; returns when the
    // client runs (or only the first-run installer does).
    void Startup(HINSTANCE instance);

    // Only the test build of the client sets these (see its program entry): a shortened
    // minute (50 to 60000 ms) so that periodic saves and uptime come in seconds, and with
    // it a clock for the minute tick that starts at `clock_start` and advances one minute
    // per tick, so the sending at a fixed hour is reached in seconds. Call before Startup.
    struct TestHooks {
        UINT minute_ms = 60000;
        std::optional<LocalTime> clock_start;
    };
    void UseTestHooks(const TestHooks& hooks);

    // `Quit_Click`: the other windows, then this one; the shutdown saves the counts.
    void Quit() override;

    CounterSet& counters() { return counters_; }
    bool Donothing() const { return Donothing_; }
    // The first-run installer registered this computer: once this client is gone, the
    // program entry starts the counting client afresh.
    bool RestartWanted() const { return restart_wanted_; }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    // Start-up steps, in the order they run.
    void CheckSingleInstance();
    void CheckPlatform();
    void CheckLibrary();
    void OpenSharedMemory();
    void CallChkP();
    bool ReadAccount();
    void SetupDirectInput();
    void SetupCounting();
    void ReadSettings();
    void StartTimers();

    // The shutdown handler (query-unload): runs once.
    void Shutdown();
    // An error a message handler did not expect: the counts are kept, the error is reported
    // as the start-up reports its own, and the program ends.
    [[noreturn]] void EndAfterError(const win32::HandlerFailure& failure);
    void ShowInstaller();
    void InstallerClosed(bool installed);

    // The counters' guard; true when this call found them changed by another program.
    bool GuardCounters();

    // Timers.
    void Timer_AS_Timer();
    void TimerASKm_Timer();

    // The services the exchanges with the server use.
    ExchangeServices Services() override;

    // tray::TrayMenuHost
    bool SendingInProgress() const override { return link_.EnvoiEnCours; }
    void Send() override;
    void CloseDisplay() override;
    void OpenDisplay() override;
    void ResumeCounting() override;
    void SuspendCounting() override;
    void SetIconMoveGlobal(bool on) override;
    void ApplyRestIcon() override;
    void OpenWebsite() override;
    void OpenSettings() override;
    // tray::TrayIconHost
    const CounterSet& Counters() const override { return counters_; }
    bool MetricUnits() const override { return Global_Unite_KM; }
    // win32::ConfigurationHost
    CounterSet& Counts() override { return counters_; }
    UserMessages& Messages() override;
    std::wstring ProgramFolder() override { return program_folder_; }
    std::wstring LastLog() override { return link_.LastLog; }
    AutoSendState AutoSend() override { return {schedule_.Autos, schedule_.AutosKm}; }
    void SetAutoSend(AutoSendState state) override;
    void SetHautos(uint8_t hour) override { schedule_.Hautos = hour; }
    void SetKautos(uint8_t km) override { schedule_.Kautos = km; }
    bool MoreClics() override { return sampler_.state().MoreClics; }
    void SetMoreClics(bool on) override { sampler_.state().MoreClics = on; }
    void SetMetricUnits(bool metric) override;
    void TransparentIconChanged() override;
    void LanguageChanged() override;
    DisplayFlags& Flags() override { return display_flags_; }
    bool DisplayOpen() override { return display_.IsOpen(); }
    void DisplayLinesChanged() override;
    void DisplaySizeChanged() override;
    void SetDisplayOnTop(bool on_top) override;
    void SetDisplayOpacity(uint8_t opacity) override;
    std::optional<COLORREF> DisplayColour(bool background) override;
    void SetDisplayColour(bool background, COLORREF colour) override;
    void InputsPageShown(display::InputsLabels* labels) override;
    void ConfigurationClosed() override;
    std::string TransparentIconSetting() override;
    // CountingDevices (SendingInProgress and StopSampling serve the other hosts too)
    bool CountingOn() override { return tray_.menu_state().counting_checked && !shut_down_; }
    void ReleaseMouse() override { sampler_.devices().UnacquireMouse(); }
    void AcquireMouse() override { sampler_.devices().AcquireMouse(); }
    void StartSampling() override;
    // QueryDataProvider
    std::string Nickname() override;
    // SendingUi
    MessageAnswer Show(const std::wstring& text, const std::wstring& title, MessageButtons buttons,
                       MessageIcon icon) override {
        return boxes_.Show(text, title, buttons, icon);
    }
    std::optional<std::wstring> AskText(const std::wstring& prompt, const std::wstring& title,
                                        const std::wstring& initial) override {
        return boxes_.AskText(prompt, title, initial);
    }
    void StartSendingAnimation() override;
    void StopSendingAnimation() override;
    void RestoreRestingIcon() override;
    void StopSampling() override;
    void RestartSampling() override;
    void ProcessPendingMessages() override;
    // `BAccount_Click`: the dialog on its Account page.
    void OpenAccountPage() override;
    // The configuration dialog's object (its window is made when shown).
    win32::ConfigurationWindow& Configuration();
    bool CanDownloadUpdate() override { return true; }
    void StartUpdateDownload(const std::string& description) override;
    void GotoSite(const std::string& address) override;
    // The end of an update download: `Path` written, the windows unloaded (the main window's
    // shutdown saves the counts), the setup program started, the process ended.
    void FinishUpdate();

    HINSTANCE instance_ = nullptr;
    std::wstring program_folder_;
    win32::UniqueHandleKernel instance_mutex_;
    win32::UniqueLibrary zeptal_;

    RegistrySettingsStore settings_;
    std::unique_ptr<Win32FileStore> files_;

    CounterSet counters_;
    CounterGuard guard_;
    win32::Sampler sampler_{counters_};
    tray::TrayIcon tray_{*this, settings_};
    HookWinMsg hook_{*this, [this] { tray_.AjoutIcone(); }};

    win32::WinInetFetcher http_;
    SystemLogClock log_clock_;
    std::unique_ptr<win32::InstallerWindow> installer_;
    std::unique_ptr<win32::DownloadWindow> download_;
    std::wstring setup_program_; // downloaded, started at the end of the update

    // Program-wide state. `link_` holds the account key `Clef`, `EnvoiEnCours` and `LastLog`.
    ServerLinkState link_;
    std::string program_digest_; // MD5 text of zeptal.dll, as the start-up check read it
    bool Donothing_ = false;
    bool icon_move_before_sending_ = true;
    bool close_after_sending_ = false;  // quit asked while a sending ran
    bool update_after_sending_ = false; // the update finished while a sending ran
    bool ending_ = false;               // the installer closed: the program ends (or starts again)
    bool restart_wanted_ = false;
    bool Global_Unite_KM = true;
    win32::SystemMachineFacts machine_{program_digest_, Global_Unite_KM};
    win32::MessageBoxMessages boxes_;
    win32::MessageBoxMessages configuration_boxes_; // owned by the dialog while it is open
    DisplayFlags display_flags_;
    DistanceDisplay display_{counters_, settings_, display_flags_, Global_Unite_KM};
    ScheduleState schedule_;
    std::unique_ptr<win32::ConfigurationWindow> configuration_;
    bool shut_down_ = false;
    // The minute timer's interval, and the minute tick's own clock; both from the test
    // hooks only. Without that clock the tick reads the local time.
    UINT minute_ms_ = 60000;
    std::optional<TickClock> tick_clock_;
};
