// The platform half of the main window's ExchangeHost: message boxes, the input box, the
// message pump, the browser, the adapter address and the decimal separator. The main window
// derives from it and adds its own half (icon, sampling timer, dialog, update window, units,
// companion library digest).
#pragma once

#include "net/exchange.h"
#include "ui/message_boxes_win32.h"

#include <windows.h>

namespace win32 {

class ExchangeHostBase : public ExchangeHost {
  public:
    explicit ExchangeHostBase(HWND owner = nullptr) : boxes_(owner) {}
    void set_owner(HWND owner) { boxes_.set_owner(owner); }

    MessageAnswer Show(const std::wstring& text, const std::wstring& title, MessageButtons buttons,
                       MessageIcon icon) override {
        return boxes_.Show(text, title, buttons, icon);
    }
    std::optional<std::wstring> AskText(const std::wstring& prompt, const std::wstring& title,
                                        const std::wstring& initial) override {
        return boxes_.AskText(prompt, title, initial);
    }
    // Handles the messages waiting now (a WM_QUIT among them is posted again).
    void ProcessPendingMessages() override;
    void GotoSite(const std::string& address) override;
    // AdresseMAC(), worked out once per run.
    std::string MachineIdentity() override;
    // The user's decimal separator (LOCALE_SDECIMAL), "." when it cannot be read.
    std::wstring DecimalSeparator() override;
    // No update download window yet: the offer is handled as declined.
    bool CanDownloadUpdate() override { return false; }
    void StartUpdateDownload(const std::string&) override {}
    // No configuration dialog yet.
    void OpenAccountPage() override {}

  private:
    MessageBoxMessages boxes_;
    std::string identity_;
};

} // namespace win32
