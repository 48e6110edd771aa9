// The first-run installer window `Installer`: nickname, password and proxy, registration
// with the server, then the counting client (or the end of the program).
#pragma once

#include "app/win32/unique_handle.h"
#include "app/win32/window_base.h"
#include "net/exchange.h"
#include "net/installer_steps.h"
#include "net/win32/message_boxes.h"

#include <functional>
#include <string>

namespace win32 {

struct InstallerSetup {
    ExchangeServices services;        // its http is switched to the proxy the user chooses
    UserMessages* messages = nullptr; // null: message boxes owned by the window
    std::wstring program_folder;      // for the start-up entry
    // The first TimerCoupeClient tick: unloads the counting client.
    std::function<void()> unload_client;
    // After the window is gone: true starts the counting client, false ends the program.
    // Called once; it must not delete this window object before it returns.
    std::function<void(bool installed)> closed;
};

class InstallerWindow : public WindowBase {
  public:
    enum ControlId : int {
        kExp = 1001,
        kLabel1,
        kPseudo,
        kLabel2,
        kPwd,
        kUseProxy,
        kTboxProxy,
        kDefineProxy,
        kInstall,
    };
    static constexpr UINT_PTR kTimerCoupeClient = 1;
    static constexpr UINT kTimerCoupeClientInterval = 50; // ms

    explicit InstallerWindow(InstallerSetup setup);
    ~InstallerWindow() override;

    // Load: language, captions, the timer; shows the window centred on the screen.
    bool Create();

    HWND control(int id) const { return GetDlgItem(hwnd(), id); }
    bool installed() const { return installed_; }
    uint8_t language() const { return language_; }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnWindowGone() override;

  private:
    void CreateControls();
    void Install_Click();
    void UseProxy_Click();
    void DefineProxy_Click();
    void SetAccountFieldsEnabled(bool enabled);
    std::wstring TextOf(int id) const;
    static LRESULT CALLBACK PasswordProcedure(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                              UINT_PTR id, DWORD_PTR data);

    UserMessages& Messages();

    InstallerSetup setup_;
    uint8_t language_ = 0;
    bool installed_ = false;
    bool busy_ = false;            // a registration is running
    bool close_requested_ = false; // closed while busy: close when it ends
    bool closed_reported_ = false;
    UniqueGdiObject font_;
    MessageBoxMessages own_messages_;
};

} // namespace win32
