#include "ui/tray_menu.h"

#include "storage/settings_table.h"

namespace tray {

int CaptionId(TrayCommand command) {
    switch (command) {
    case TrayCommand::Send:
        return 300;
    case TrayCommand::Display:
        return 310;
    case TrayCommand::Counting:
        return 320;
    case TrayCommand::IconChange:
        return 330;
    case TrayCommand::Website:
        return 340;
    case TrayCommand::Settings:
        return 350;
    case TrayCommand::Quit:
        return 360;
    }
    return 0;
}

std::wstring DefaultCaption(int caption_id) {
    switch (caption_id) {
    case 300:
        return L"Send";
    case 310:
        return L"Display";
    case 320:
        return L"DataCounting Enabled";
    case 330:
        return L"Disable Icon Change";
    case 340:
        return L"Website";
    case 350:
        return L"Settings";
    case 360:
        return L"Exit";
    }
    return L"";
}

void TrayMenuCommands::Run(TrayCommand command) {
    switch (command) {
    case TrayCommand::Send:
        host_.Send();
        break;
    case TrayCommand::Display:
        if (state_.display_available)
            DDisplayMenu_Click();
        break;
    case TrayCommand::Counting:
        McE_Click();
        break;
    case TrayCommand::IconChange:
        MenuDisableIconChange_Click();
        break;
    case TrayCommand::Website:
        host_.OpenWebsite();
        break;
    case TrayCommand::Settings:
        if (state_.settings_available)
            host_.OpenSettings();
        break;
    case TrayCommand::Quit:
        host_.Quit();
        break;
    }
}

void TrayMenuCommands::DDisplayMenu_Click() {
    if (state_.display_checked) {
        state_.display_checked = false;
        host_.CloseDisplay();
    } else {
        state_.display_checked = true;
        host_.OpenDisplay();
    }
}

void TrayMenuCommands::McE_Click() {
    if (host_.SendingInProgress() || state_.counting_locked)
        return;
    if (!state_.counting_checked) {
        state_.counting_checked = true;
        host_.ResumeCounting();
    } else {
        state_.counting_checked = false;
        host_.SuspendCounting();
        host_.ApplyRestIcon();
    }
}

void TrayMenuCommands::MenuDisableIconChange_Click() {
    if (state_.icon_change_disabled) {
        state_.icon_change_disabled = false;
        settings_.Write(SettingPath(Setting::IconMove), "True");
        host_.SetIconMoveGlobal(true); // the next tick shows the right image
    } else {
        state_.icon_change_disabled = true;
        settings_.Write(SettingPath(Setting::IconMove), "False");
        host_.SetIconMoveGlobal(false);
        host_.ApplyRestIcon();
    }
}

void TrayNotificationDispatcher::Handle(uint32_t mouse_message, TrayMouseActions& actions) {
    actions.RebuildTooltip();
    if (busy_)
        return;
    busy_ = true;
    // Cleared on every way out, a throwing action included.
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{busy_};
    if (mouse_message == kTrayLeftDoubleClick)
        actions.Send();
    else if (mouse_message == kTrayRightButtonUp)
        actions.ShowMenu();
}

} // namespace tray
