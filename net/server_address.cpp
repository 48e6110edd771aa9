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
