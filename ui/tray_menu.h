// What the tray icon does with the user's mouse and with the commands of its popup menu,
// apart from the windows it is shown with. The main window carries the actions out through
// TrayMenuHost.
#pragma once

#include "storage/settings_store.h"

#include <cstdint>
#include <string>

namespace tray {

// Mouse messages that travel in the icon's notifications.
constexpr uint32_t kTrayCallbackMessage = 0x0200;
constexpr uint32_t kTrayLeftDoubleClick = 0x0203;
constexpr uint32_t kTrayRightButtonUp = 0x0205;

// Index of the sending image that follows `ImageEnvoi` (0 to 3, then 0 again).
inline uint8_t NextImageEnvoi(uint8_t image_envoi) {
    return image_envoi < 3 ? static_cast<uint8_t>(image_envoi + 1) : 0;
}

// The rest image is the transparent one exactly when the setting `TransparentIcon` reads
// "True"; otherwise it is image 0 of the activity images.
inline bool RestIconIsTransparent(const std::string& transparent_icon_setting) {
    return transparent_icon_setting == "True";
}

// The popup menu's commands, in menu order.
enum class TrayCommand { Send, Display, Counting, IconChange, Website, Settings, Quit };

// Caption ids of the string table, English captions by default.
int CaptionId(TrayCommand command);
std::wstring DefaultCaption(int caption_id);

// Check and enabled states of the popup menu.
struct TrayMenuState {
    bool display_checked = false;      // `DDisplayMenu`
    bool counting_checked = true;      // `McE`: every start begins with counting enabled
    bool counting_locked = false;      // the counters' guard stopped counting for this run
    bool icon_change_disabled = false; // `MenuDisableIconChange`
    bool display_available = false;    // the display window exists in this build
    bool settings_available = false;   // the configuration dialog exists in this build
};

// The actions of the main window that the menu and the mouse trigger.
class TrayMenuHost {
  public:
    virtual ~TrayMenuHost() = default;
    virtual bool SendingInProgress() const = 0; // `EnvoiEnCours`
    virtual void Send() = 0;                    // `Send_Click`
    // Unload the display window, `DDisplay_ouverte` = false.
    virtual void CloseDisplay() = 0;
    // Unload the display if it exists, show it again, `DDisplay_ouverte` = true,
    // `DisplayNeedRefresh` = true, `AfficheUpUseTime`.
    virtual void OpenDisplay() = 0;
    // Acquire both DirectInput devices again, enable `Timer1` and `Timer_AS`.
    virtual void ResumeCounting() = 0;
    // Disable `Timer1` and `Timer_AS`, unacquire both devices.
    virtual void SuspendCounting() = 0;
    virtual void SetIconMoveGlobal(bool on) = 0; // `Icon_Move_Global`
    // The rest icon with an icon update, then `ImageIcone` = `ImageIconeAffichee` = 0.
    virtual void ApplyRestIcon() = 0;
    virtual void OpenWebsite() = 0;  // `site_Click`
    virtual void OpenSettings() = 0; // show `Configuration` (modeless)
    // Unload `Download`, `Configuration`, then the main window (its shutdown runs). Runs
    // inside the icon's notification handling: close the main window by posting a message,
    // not by destroying the TrayIcon before this call returns.
    virtual void Quit() = 0;
};

// The menu command handlers. Each changes the check states it owns and asks the host for
// the rest.
class TrayMenuCommands {
  public:
    TrayMenuCommands(TrayMenuHost& host, SettingsStore& settings)
        : host_(host), settings_(settings) {}

    TrayMenuState& state() { return state_; }
    const TrayMenuState& state() const { return state_; }

    void Run(TrayCommand command);

    void DDisplayMenu_Click();
    void McE_Click();
    void MenuDisableIconChange_Click();

  private:
    TrayMenuHost& host_;
    SettingsStore& settings_;
    TrayMenuState state_;
};

// What the icon's notifications trigger. Every notification first rebuilds the tooltip;
// while one mouse action is handled (the modal menu, a sending) a second only does that.
class TrayMouseActions {
  public:
    virtual ~TrayMouseActions() = default;
    virtual void RebuildTooltip() = 0;
    virtual void Send() = 0;
    virtual void ShowMenu() = 0;
};

class TrayNotificationDispatcher {
  public:
    void Handle(uint32_t mouse_message, TrayMouseActions& actions);
    bool busy() const { return busy_; }

  private:
    bool busy_ = false;
};

} // namespace tray
