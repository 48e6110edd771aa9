#include "net/server_address.h"

#include "storage/settings_readers.h"
#include "base/text_encoding.h"

std::string ServerBaseUrl(SettingsStore& store) {
    std::string url = RecupereParametre(store, Setting::Server);
    if (url.empty())
        url = DefaultOf(Setting::Server);
    if (url.back() != '/')
        url += '/';
    return url;
}

std::string ConfiguredProxy(SettingsStore& store) {
    const bool use_proxy = RecupereBooleen(store, Setting::UseProxy);
    const std::string proxy = RecupereParametre(store, Setting::Proxy);
    return use_proxy ? proxy : std::string();
}

std::optional<std::string> DefineProxy(SettingsStore& store, HttpFetcher& http,
                                       const std::wstring& answer) {
    std::optional<std::string> proxy = Cp1252Exactly(answer);
    if (!proxy)
        return std::nullopt;
    store.Write(SettingPath(Setting::Proxy), *proxy);
    http.SetProxy(*proxy);
    return proxy;
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
