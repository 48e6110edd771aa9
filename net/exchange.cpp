#include "net/exchange.h"

#include "storage/settings_readers.h"
#include "base/text_encoding.h"

void LogIfEnabled(ExchangeServices& services, const std::wstring& text) {
    if (RecupereBooleen(services.settings, Setting::Save_logs))
        Enregistre_log(services.files, services.settings, services.clock, Cp1252FromWide(text));
}
