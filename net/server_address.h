// Where the server is and how to reach it: the base URL of every request and the proxy
// choice, both read from the settings.
#pragma once

#include "storage/settings_store.h"

#include <string>

// The `Server` setting (its default written back when missing), ending with "/" so the
// endpoint names can be appended directly.
std::string ServerBaseUrl(SettingsStore& store);

// The proxy to use: the `Proxy` setting when `UseProxy` is true and `Proxy` is not empty;
// otherwise empty (connect directly).
std::string ConfiguredProxy(SettingsStore& store);

// The endpoints the client requests, with their query parameter.
inline constexpr const char* kSendEndpoint = "Envoi.php?Data=";
inline constexpr const char* kKeyEndpoint = "Request_cle.php?Data=";
inline constexpr const char* kCheckEndpoint = "CheckData.php?Id=";
inline constexpr const char* kDigestListEndpoint = "Liste.php";
