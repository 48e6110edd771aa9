// AdresseMAC: the machine identity text (net/machine_identity.h) of this computer.
#pragma once

#include "net/machine_identity.h"

#include <optional>
#include <string>

namespace win32 {

// The adapter address NetBIOS reports on LANA 0 (reset, then adapter status of "*").
// Nothing when NetBIOS fails or reports no address (no NetBIOS, as under Wine).
std::optional<AdapterAddress> NetbiosAdapterAddress();
// The first adapter with a six-byte physical address that is not a loopback or tunnel
// interface, from the IP helper API. Nothing when there is none.
std::optional<AdapterAddress> FirstPhysicalAdapterAddress();

} // namespace win32

// The identity from NetBIOS, else from the IP helper API, else "000000".
std::string AdresseMAC();
