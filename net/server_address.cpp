#include "net/server_address.h"

#include "storage/settings_readers.h"

std::string ServerBaseUrl(SettingsStore& store) {
    std::string url = RecupereParametre(store, Setting::Server);
    if (url.empty())
        url = DefaultOf(Setting::Server);
    if (url.back() != '/')
        url += '/';
    return url;
}

std::string ConfiguredProxy(SettingsStore& store) {
    if (!RecupereBooleen(store, Setting::UseProxy))
        return {};
    return RecupereParametre(store, Setting::Proxy);
}

std::string UrlPayload(const std::string& enciphered) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(enciphered.size());
    for (char c : enciphered) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '#' || c == '%') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}
