#include "ui/language_switch.h"

#include "base/localisation.h"
#include "storage/settings_readers.h"
#include "storage/settings_table.h"

std::uint8_t LoadCurrentLanguage(SettingsStore& store) {
    LangueCourante = LanguageFromSetting(RecupereParametre(store, Setting::Language));
    return LangueCourante;
}

bool ChangeLanguage(
    std::uint8_t index, SettingsStore& store, const std::function<void()>& localise_configuration,
    const std::function<void(int text_id, const std::wstring& caption)>& set_tray_caption) {
    if (index >= kLanguageCount)
        return false;
    if (!store.Write(SettingPath(Setting::Language), std::to_string(index)))
        return false;
    LangueCourante = index;
    if (localise_configuration)
        localise_configuration();
    if (set_tray_caption)
        for (int id : kTrayMenuTextIds)
            set_tray_caption(id, ChaineLocale(id));
    return true;
}
