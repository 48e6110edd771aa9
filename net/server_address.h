// Where the server is and how to reach it: the base URL of every request and the proxy
// choice, both read from the settings.
#pragma once

#include "net/http_fetcher.h"
#include "storage/settings_store.h"

#include <optional>
#include <string>

// The `Server` setting (its default written back when missing), ending with "/" so the
// endpoint names can be appended directly.
std::string ServerBaseUrl(SettingsStore& store);

// The proxy to use: the `Proxy` setting when `UseProxy` is true and `Proxy` is not empty;
// otherwise empty (connect directly). Both settings are read (and their defaults written
// back) whatever `UseProxy` holds.
std::string ConfiguredProxy(SettingsStore& store);

// The proxy prompt's answer becomes the `Proxy` setting and the proxy of the requests that
// follow, an empty answer (the prompt cancelled) included. Nothing is written, and nothing is
// returned, when the answer holds a character code page 1252 has not.
std::optional<std::string> DefineProxy(SettingsStore& store, HttpFetcher& http,
                                       const std::wstring& answer);
inline constexpr const wchar_t* kProxyNotUsableText =
    L"The proxy address can only hold characters of the Western European character set.";

// An enciphered payload as it goes into the query string. The protocol cipher keeps it free
// of the characters that separate query fields, but a character it passes through unchanged
// may still be one that cannot stand in a URL as it is: "#" would cut the URL short, and
// "%", blanks, control characters and bytes of 128 and above may be altered on the way.
// Those are written as %XX (which the server decodes); every other character is unchanged.
std::string UrlPayload(const std::string& enciphered);

// The endpoints the client requests, with their query parameter.
inline constexpr const char* kSendEndpoint = "Envoi.php?Data=";
inline constexpr const char* kKeyEndpoint = "Request_cle.php?Data=";
inline constexpr const char* kCheckEndpoint = "CheckData.php?Id=";
inline constexpr const char* kDigestListEndpoint = "Liste.php";
