// The machine identity text of the sending record: the network adapter's six address bytes,
// each written in uppercase hexadecimal without a leading zero ("0" for a zero byte), with
// no separators: 00-0C-29-3A-4B-05 gives "0C293A4B5". Six to twelve digits.
#pragma once

#include <array>
#include <cstdint>
#include <string>

using AdapterAddress = std::array<uint8_t, 6>;

std::string IdentityText(const AdapterAddress& address);
