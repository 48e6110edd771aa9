// The server's side of the client's ciphers: the one place where the server reaches the
// shared cipher code of storage/.
#pragma once

#include <optional>
#include <string>

namespace trekhold {

// Deciphers a request payload made by the protocol cipher. Empty when the text could not
// have come from the cipher.
std::optional<std::string> DecipherPayload(const std::string& payload);

// Enciphers a plain text with the protocol cipher (for the load generator and the tests).
std::string EncipherPayload(const std::string& plain);

// The stored form of a plain key (the pair code as binary digits), as the client keeps it.
std::string StoredKeyForm(const std::string& plain_key);

// The plain key of a stored form (empty when it is not one).
std::string PlainKeyOf(const std::string& stored_form);

} // namespace trekhold
