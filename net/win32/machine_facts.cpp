#include "net/win32/machine_facts.h"

#include "net/win32/adresse_mac.h"

namespace win32 {

std::string SystemMachineFacts::MachineIdentity() {
    if (identity_.empty())
        identity_ = AdresseMAC();
    return identity_;
}

std::wstring SystemMachineFacts::DecimalSeparator() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 1)
        return separator;
    return L".";
}

} // namespace win32
