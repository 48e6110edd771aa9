// MD5 (RFC 1321) as the client writes it: 32 uppercase hexadecimal digits, bytes in RFC
// order. Used for the check field of the sending record.
#pragma once

#include <string>

namespace trekhold {

std::string Md5Text(const std::string& bytes);

} // namespace trekhold
