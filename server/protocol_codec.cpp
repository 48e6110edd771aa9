#include "server/protocol_codec.h"

#include "storage/cryptage.h"

namespace trekhold {

std::optional<std::string> DecipherPayload(const std::string& payload) {
    return DecrypteEnvoi(payload);
}

std::string EncipherPayload(const std::string& plain) {
    return CrypteEnvoi(plain);
}

std::string StoredKeyForm(const std::string& plain_key) {
    // Keys are letters and digits, which the pair code always carries.
    return CodePaires(plain_key).value_or("0");
}

std::string PlainKeyOf(const std::string& stored_form) {
    return DecodePaires(stored_form);
}

} // namespace trekhold
