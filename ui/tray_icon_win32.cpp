#include "ui/tray_icon_win32.h"

#include "resources/tray_resources.h"
#include "ui/tray_icon_files.h"
#include "ui/tray_text.h"

#include <cwchar>

namespace tray {

namespace {

constexpr UINT kIconId = 1;

bool FileExists(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
           !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::wstring LocaleDecimalSeparator() {
    wchar_t buffer[8] = {};
    if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 1)
        return buffer;
    return L".";
}

TrayIcon::TrayIcon(TrayIconHost& host, SettingsStore& settings)
    : host_(host), commands_(host, settings) {}

TrayIcon::~TrayIcon() {
    if (added_)
        RemoveIcon();
}

bool TrayIcon::Init(HWND owner, HINSTANCE instance, const std::wstring& program_folder,
                    bool icon_move_global, const CaptionLookup& captions) {
    icon_cx_ = ::GetSystemMetrics(SM_CXSMICON);
    icon_cy_ = ::GetSystemMetrics(SM_CYSMICON);
    const auto load = [&](int id) {
        return win32::UniqueIcon(static_cast<HICON>(
            ::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, icon_cx_, icon_cy_, 0)));
    };
    TrekholdIcon.clear();
    for (int id : {IDI_TRAY_MOUSE1, IDI_TRAY_MOUSE2, IDI_TRAY_ACTIVE1, IDI_TRAY_ACTIVE2})
        TrekholdIcon.push_back(load(id));
    IconSend.clear();
    for (int id : {IDI_TRAY_SEND1, IDI_TRAY_SEND2, IDI_TRAY_SEND3, IDI_TRAY_SEND4})
        IconSend.push_back(load(id));
    no_icon_ = load(IDI_TRAY_NOICON);
    nb_icones_ = 2;
    bool images_ok = static_cast<bool>(no_icon_);
    for (const auto& icon : TrekholdIcon)
        images_ok = images_ok && icon;
    for (const auto& icon : IconSend)
        images_ok = images_ok && icon;

    commands_.state().icon_change_disabled = !icon_move_global;
    ChargeIcones(program_folder + L"Icons\\");
    const bool menu_ok = menu_.Build(captions);

    record_ = NOTIFYICONDATAW{};
    record_.cbSize = sizeof(record_);
    record_.hWnd = owner;
    record_.uID = kIconId;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = kTrayCallbackMessage;
    record_.hIcon = RestImage();
    std::wcsncpy(record_.szTip, L"TheWandrel", kTipMaxTextChars);
    shell_icon_ = nullptr;
    shell_tip_.clear();
    added_ = false;
    return images_ok && menu_ok;
}

bool TrayIcon::ChargeIcones(const std::wstring& folder) {
    const std::vector<std::wstring> files = FindIconPairs(folder, FileExists);
    const size_t pairs = files.size() / 2;
    std::vector<win32::UniqueIcon> a, b;
    for (size_t i = 0; i < pairs; ++i) {
        win32::UniqueIcon mouse(static_cast<HICON>(::LoadImageW(
            nullptr, files[i].c_str(), IMAGE_ICON, icon_cx_, icon_cy_, LR_LOADFROMFILE)));
        win32::UniqueIcon active(static_cast<HICON>(::LoadImageW(
            nullptr, files[pairs + i].c_str(), IMAGE_ICON, icon_cx_, icon_cy_, LR_LOADFROMFILE)));
        if (!mouse || !active)
            break;
        a.push_back(std::move(mouse));
        b.push_back(std::move(active));
    }
    if (a.empty())
        return false;
    bool showing_old_image = false;
    for (const auto& icon : TrekholdIcon)
        showing_old_image = showing_old_image || record_.hIcon == icon.get();
    nb_icones_ = static_cast<uint8_t>(a.size());
    TrekholdIcon = std::move(a);
    for (auto& icon : b)
        TrekholdIcon.push_back(std::move(icon));
    if (showing_old_image) {
        // The old image is gone: show the first new one, and make sure the shell is told
        // even if the new handle reuses the old value.
        record_.hIcon = TrekholdIcon[0].get();
        shell_icon_ = nullptr;
        if (added_)
            Modify();
    }
    return true;
}

HICON TrayIcon::activity_image(size_t index) const {
    return index < TrekholdIcon.size() ? TrekholdIcon[index].get() : nullptr;
}

HICON TrayIcon::sending_image(size_t index) const {
    return index < IconSend.size() ? IconSend[index].get() : nullptr;
}

HICON TrayIcon::RestImage() {
    if (RestIconIsTransparent(host_.TransparentIconSetting()))
        return no_icon_.get();
    return activity_image(0);
}

bool TrayIcon::AjoutIcone() {
    const bool ok = ::Shell_NotifyIconW(NIM_ADD, &record_) != FALSE;
    // A failed add may mean the icon is still there (a repeated announcement): keep the
    // earlier state then.
    if (ok) {
        added_ = true;
        shell_icon_ = record_.hIcon;
        shell_tip_ = record_.szTip;
    }
    return ok;
}

bool TrayIcon::RemoveIcon() {
    NOTIFYICONDATAW remove{};
    remove.cbSize = sizeof(remove);
    remove.hWnd = record_.hWnd;
    remove.uID = kIconId;
    added_ = false;
    shell_icon_ = nullptr;
    shell_tip_.clear();
    return ::Shell_NotifyIconW(NIM_DELETE, &remove) != FALSE;
}

bool TrayIcon::Modify() {
    if (record_.hIcon == shell_icon_ && shell_tip_ == record_.szTip)
        return true;
    const bool ok = ::Shell_NotifyIconW(NIM_MODIFY, &record_) != FALSE;
    if (ok) {
        shell_icon_ = record_.hIcon;
        shell_tip_ = record_.szTip;
    }
    return ok;
}

bool TrayIcon::SetImage(HICON icon) {
    if (!icon)
        return false;
    record_.hIcon = icon;
    return Modify();
}

bool TrayIcon::SetTip(const std::wstring& tip) {
    const size_t n = tip.size() < kTipMaxTextChars ? tip.size() : kTipMaxTextChars;
    std::wmemcpy(record_.szTip, tip.data(), n);
    record_.szTip[n] = L'\0';
    return Modify();
}

bool TrayIcon::ShowFrame(uint8_t index) {
    return SetImage(activity_image(index));
}

bool TrayIcon::ShowRestIcon() {
    return SetImage(RestImage());
}

bool TrayIcon::Timer_IconSend_Timer() {
    const bool ok = SetImage(sending_image(image_envoi_));
    image_envoi_ = NextImageEnvoi(image_envoi_);
    return ok;
}

void TrayIcon::OnNotification(LPARAM mouse_message) {
    dispatcher_.Handle(static_cast<uint32_t>(LOWORD(mouse_message)), *this);
}

bool TrayIcon::SetCaptions(const CaptionLookup& captions) {
    return menu_.Build(captions);
}

void TrayIcon::RebuildTooltip() {
    SetTip(TooltipText(host_.Counters(), host_.MetricUnits(), LocaleDecimalSeparator()));
}

void TrayIcon::Send() {
    host_.Send();
}

void TrayIcon::ShowMenu() {
    menu_.Apply(commands_.state());
    if (const auto command = menu_.Track(record_.hWnd))
        commands_.Run(*command);
}

} // namespace tray
