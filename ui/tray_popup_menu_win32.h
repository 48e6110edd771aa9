// The tray icon's popup menu `Menup`: eleven entries, "Send" as the default (bold) entry.
#pragma once

#include "base/win32/unique_handle.h"
#include "ui/tray_menu.h"

#include <functional>
#include <optional>
#include <string>

namespace tray {

// Caption text for a string-table id (300 "Send" ... 360 "Exit").
using CaptionLookup = std::function<std::wstring(int caption_id)>;

class TrayPopupMenu {
  public:
    // Builds the menu with the captions; false when the menu could not be made.
    bool Build(const CaptionLookup& captions);
    // Puts the check marks and the enabled states in place.
    void Apply(const TrayMenuState& state);
    // Opens the menu at the pointer and waits for the user's choice. The owner is brought
    // to the foreground first, so the menu closes when the user clicks elsewhere.
    std::optional<TrayCommand> Track(HWND owner);
    HMENU handle() const { return menu_.get(); }

    // Command ids of the entries.
    static UINT CommandId(TrayCommand command) { return 1000 + static_cast<UINT>(command); }

  private:
    win32::UniqueMenu menu_;
};

} // namespace tray
