// The first-run installer window `Installer`: nickname, password and proxy, registration
// with the server, then the counting client (or the end of the program).
#pragma once

#include "base/win32/dialog_base.h"
#include "base/win32/window_base.h"
#include "net/exchange.h"
#include "net/installer_steps.h"
#include "resources/dialog_resources.h"
#include "ui/message_boxes_win32.h"

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

// A modeless dialog from the template IDD_INSTALLER.
class InstallerWindow : public DialogBase {
  public:
    enum ControlId : int {
        kExp = IDC_INSTALLER_EXP,
        kLabel1 = IDC_INSTALLER_LABEL1,
        kPseudo = IDC_INSTALLER_PSEUDO,
        kLabel2 = IDC_INSTALLER_LABEL2,
        kPwd = IDC_INSTALLER_PWD,
        kUseProxy = IDC_INSTALLER_USE_PROXY,
        kTboxProxy = IDC_INSTALLER_TBOX_PROXY,
        kDefineProxy = IDC_INSTALLER_DEFINE_PROXY,
        kInstall = IDC_INSTALLER_INSTALL,
    };
    static constexpr UINT_PTR kTimerCoupeClient = 1;
    static constexpr UINT kTimerCoupeClientInterval = 50; // ms

    explicit InstallerWindow(InstallerSetup setup);
    ~InstallerWindow() override;

    // Load: language, captions, the timer; shows the window centred on the screen.
    bool Create();

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnDialogGone() override;

  private:
    // Enter in the password box acts as a click on Install.
    class PasswordBox : public ControlSubclass {
      protected:
        bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    };

    void InitControls();
    void Install_Click();
    void UseProxy_Click();
    void DefineProxy_Click();
    void SetAccountFieldsEnabled(bool enabled);

    UserMessages& Messages();

    InstallerSetup setup_;
    uint8_t language_ = 0;
    bool installed_ = false;
    bool busy_ = false;            // a registration is running
    bool close_requested_ = false; // closed while busy: close when it ends
    bool closed_reported_ = false;
    PasswordBox password_box_;
    MessageBoxMessages own_messages_;
};

} // namespace win32
