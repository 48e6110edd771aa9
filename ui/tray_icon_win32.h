// The client's icon in the notification area: its record, its image sets, its tooltip, its
// mouse handling and its popup menu. The hidden main window `Client` embeds one TrayIcon
// and forwards the icon's notifications (message 0x0200) to OnNotification.
//
// The record is the shell's wide NOTIFYICONDATAW in its full size. (The 88-byte record
// size of the original program is that of the 32-bit ANSI form and means nothing to a
// 64-bit Unicode program.) The tip keeps the 64-character field of that form: 63
// characters and the NUL.
#pragma once

#include "base/counter_set.h"
#include "base/win32/unique_handle.h"
#include "storage/settings_store.h"
#include "ui/tray_menu.h"
#include "ui/tray_popup_menu_win32.h"

#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tray {

// What the icon needs from the main window besides the menu actions.
class TrayIconHost : public TrayMenuHost {
  public:
    virtual const CounterSet& Counters() const = 0;
    virtual bool MetricUnits() const = 0; // `Global_Unite_KM`
    // The setting `TransparentIcon`, read with its default "False" written back.
    virtual std::string TransparentIconSetting() = 0;
};

class TrayIcon : private TrayMouseActions {
  public:
    TrayIcon(TrayIconHost& host, SettingsStore& settings);
    ~TrayIcon(); // removes the icon if the shell still shows it
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Icon setup at start-up: the built-in images from `instance`, the custom pairs from
    // program_folder + "Icons\" (program_folder ends with a backslash), the popup menu, and
    // the record (owner, id 1, message/icon/tip, callback 0x0200, the rest icon, tip
    // "TheWandrel"). Nothing is shown until AjoutIcone. False when the built-in images or the
    // menu could not be made.
    bool Init(HWND owner, HINSTANCE instance, const std::wstring& program_folder,
              bool icon_move_global, const CaptionLookup& captions = DefaultCaption);

    // Loads the complete pairs WandrelIcon<i>a.ico / b.ico of `folder` into `TrekholdIcon`
    // and sets NbIcones. A file that exists but is no icon ends the pairs like a missing one.
    // False (and nothing changed) when there is no usable pair.
    bool ChargeIcones(const std::wstring& folder);

    // Hands the record to the shell as a new icon (start-up, and again when the taskbar is
    // re-created). Returns the shell's result.
    bool AjoutIcone();
    // Removes the icon from the notification area.
    bool RemoveIcon();

    // Shows image `index` of `TrekholdIcon` (0 to 2 x NbIcones - 1).
    bool ShowFrame(uint8_t index);
    // Shows the rest image (transparent or image 0, by the setting `TransparentIcon`). The
    // caller resets `ImageIcone` and `ImageIconeAffichee` to 0.
    bool ShowRestIcon();
    // One tick of the sending animation (`Timer_IconSend`, every 200 ms).
    bool Timer_IconSend_Timer();

    // A notification from the shell: the lParam of message 0x0200. The tooltip is rebuilt,
    // then a double click sends and a right-button-up opens the menu.
    void OnNotification(LPARAM mouse_message);

    // Rebuilds the menu with new captions (language change).
    bool SetCaptions(const CaptionLookup& captions);

    uint8_t NbIcones() const { return nb_icones_; }
    uint8_t ImageEnvoi() const { return image_envoi_; }
    TrayMenuState& menu_state() { return commands_.state(); }
    TrayMenuCommands& commands() { return commands_; }
    const NOTIFYICONDATAW& record() const { return record_; }
    HMENU menu() const { return menu_.handle(); }
    HICON activity_image(size_t index) const;
    HICON sending_image(size_t index) const;
    HICON transparent_image() const { return no_icon_.get(); }

  private:
    // TrayMouseActions
    void RebuildTooltip() override;
    void Send() override;
    void ShowMenu() override;

    bool SetImage(HICON icon);
    bool SetTip(const std::wstring& tip);
    // Hands the record to the shell as a modification when the image or tip changed since
    // the shell last took it.
    bool Modify();
    HICON RestImage();

    TrayIconHost& host_;
    TrayMenuCommands commands_;
    TrayNotificationDispatcher dispatcher_;
    TrayPopupMenu menu_;
    NOTIFYICONDATAW record_{};
    HICON shell_icon_ = nullptr; // what the shell shows now
    std::wstring shell_tip_;
    bool added_ = false;
    int icon_cx_ = 16;
    int icon_cy_ = 16;

    std::vector<win32::UniqueIcon> TrekholdIcon; // 2 x NbIcones activity images
    std::vector<win32::UniqueIcon> IconSend;     // 4 sending images
    win32::UniqueIcon no_icon_;                  // `NoIcon`, fully transparent
    uint8_t nb_icones_ = 2;
    uint8_t image_envoi_ = 0; // `ImageEnvoi`, kept from one sending to the next
};

// The user's decimal separator, "." when the locale gives none.
std::wstring LocaleDecimalSeparator();

} // namespace tray
