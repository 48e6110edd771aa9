#include "net/win32/exchange_host_base.h"

#include "net/win32/adresse_mac.h"
#include "net/win32/goto_site.h"

namespace win32 {

void ExchangeHostBase::ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ExchangeHostBase::GotoSite(const std::string& address) {
    ::GotoSite(address);
}

std::string ExchangeHostBase::MachineIdentity() {
    if (identity_.empty())
        identity_ = AdresseMAC();
    return identity_;
}

std::wstring ExchangeHostBase::DecimalSeparator() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 1)
        return separator;
    return L".";
}

} // namespace win32
