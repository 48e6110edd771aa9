#include "ui/tray_popup_menu_win32.h"

namespace tray {

namespace {

constexpr TrayCommand kCommands[] = {
    TrayCommand::Send,    TrayCommand::Display,  TrayCommand::Counting, TrayCommand::IconChange,
    TrayCommand::Website, TrayCommand::Settings, TrayCommand::Quit};

} // namespace

bool TrayPopupMenu::Build(const CaptionLookup& captions) {
    win32::UniqueMenu menu(::CreatePopupMenu());
    if (!menu)
        return false;
    const auto add = [&](TrayCommand command) {
        const std::wstring caption = captions(CaptionId(command));
        ::AppendMenuW(menu.get(), MF_STRING, CommandId(command), caption.c_str());
    };
    const auto separator = [&] { ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr); };
    add(TrayCommand::Send);
    separator();
    add(TrayCommand::Display);
    add(TrayCommand::Counting);
    add(TrayCommand::IconChange);
    separator();
    add(TrayCommand::Website);
    separator();
    add(TrayCommand::Settings);
    separator();
    add(TrayCommand::Quit);
    ::SetMenuDefaultItem(menu.get(), CommandId(TrayCommand::Send), FALSE);
    menu_ = std::move(menu);
    return true;
}

void TrayPopupMenu::Apply(const TrayMenuState& state) {
    const auto check = [&](TrayCommand command, bool on) {
        ::CheckMenuItem(menu_.get(), CommandId(command),
                        MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    };
    const auto enable = [&](TrayCommand command, bool on) {
        ::EnableMenuItem(menu_.get(), CommandId(command),
                         MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    check(TrayCommand::Display, state.display_checked);
    check(TrayCommand::Counting, state.counting_checked);
    check(TrayCommand::IconChange, state.icon_change_disabled);
    enable(TrayCommand::Counting, !state.counting_locked);
    enable(TrayCommand::Display, state.display_available);
    enable(TrayCommand::Settings, state.settings_available);
}

std::optional<TrayCommand> TrayPopupMenu::Track(HWND owner) {
    if (!menu_)
        return std::nullopt;
    POINT at{};
    ::GetCursorPos(&at);
    ::SetForegroundWindow(owner);
    const UINT flags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON |
                       (::GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN);
    const UINT chosen =
        static_cast<UINT>(::TrackPopupMenuEx(menu_.get(), flags, at.x, at.y, owner, nullptr));
    // Lets the menu close properly when the next click lands outside it.
    ::PostMessageW(owner, WM_NULL, 0, 0);
    for (TrayCommand command : kCommands)
        if (chosen == CommandId(command))
            return command;
    return std::nullopt;
}

} // namespace tray
