#include "net/win32/adresse_mac.h"

#include "base/win32/last_error.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <nb30.h>

#include <cstring>
#include <vector>

namespace win32 {

namespace {

bool AllZero(const AdapterAddress& a) {
    for (uint8_t b : a)
        if (b != 0)
            return false;
    return true;
}

// NetBIOS answers with its own return codes, not system error codes.
bool NetbiosSucceeded(NCB& command, const wchar_t* name) {
    const UCHAR code = ::Netbios(&command);
    if (code == NRC_GOODRET)
        return true;
    DebugLog(std::wstring(L"Netbios ") + name + L" failed (return code " + std::to_wstring(code) +
             L")");
    return false;
}

} // namespace

std::optional<AdapterAddress> NetbiosAdapterAddress() {
    NCB reset{};
    reset.ncb_command = NCBRESET;
    reset.ncb_lana_num = 0;
    if (!NetbiosSucceeded(reset, L"NCBRESET"))
        return std::nullopt;

    // Adapter status followed by its name table: 680 bytes, zero-filled.
    alignas(ADAPTER_STATUS) unsigned char buffer[680] = {};
    NCB status{};
    status.ncb_command = NCBASTAT;
    status.ncb_lana_num = 0;
    std::memset(status.ncb_callname, ' ', NCBNAMSZ);
    status.ncb_callname[0] = '*';
    status.ncb_buffer = buffer;
    status.ncb_length = sizeof buffer;
    if (!NetbiosSucceeded(status, L"NCBASTAT"))
        return std::nullopt;
    AdapterAddress address;
    std::memcpy(address.data(), reinterpret_cast<ADAPTER_STATUS*>(buffer)->adapter_address, 6);
    if (AllZero(address))
        return std::nullopt;
    return address;
}

std::optional<AdapterAddress> FirstPhysicalAdapterAddress() {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, 0);
        result = ::GetAdaptersAddresses(
            AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR) {
        LogFailure(L"GetAdaptersAddresses", result);
        return std::nullopt;
    }
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        if (a->IfType == IF_TYPE_SOFTWARE_LOOPBACK || a->IfType == IF_TYPE_TUNNEL ||
            a->PhysicalAddressLength != 6)
            continue;
        AdapterAddress address;
        std::memcpy(address.data(), a->PhysicalAddress, 6);
        if (!AllZero(address))
            return address;
    }
    return std::nullopt;
}

} // namespace win32

std::string AdresseMAC() {
    if (auto address = win32::NetbiosAdapterAddress())
        return IdentityText(*address);
    if (auto address = win32::FirstPhysicalAdapterAddress())
        return IdentityText(*address);
    return "000000";
}
