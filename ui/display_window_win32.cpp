#include "ui/display_window_win32.h"

#include "base/win32/last_error.h"
#include "storage/settings_table.h"
#include "base/localisation.h"
#include "ui/window_effects_win32.h"

namespace win32 {

namespace {

constexpr int kLabelId = 1;
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0; // Windows 8.1 and later
#endif
constexpr int kFirstMargin = 8; // pixels at 96 DPI between a first window and the work area

int SystemDpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// The DPI of the monitor the window is on (Windows 10 and later), else the system's.
int WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto get_dpi = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = get_dpi ? get_dpi(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

display::Rect FromRECT(const RECT& r) {
    return display::Rect{r.left, r.top, r.right, r.bottom};
}

} // namespace

DisplayWindow::~DisplayWindow() {
    // The label goes with the window, before the font it uses.
    Destroy();
}

bool DisplayWindow::Load(const DisplayFlags& flags, bool metric, HWND owner) {
    WindowClassOptions cls;
    cls.name = kClassName;
    cls.cursor = ::LoadCursorW(nullptr, IDC_ARROW);
    WindowOptions options;
    const std::optional<std::wstring> title = TryChaineLocale(310);
    const std::wstring caption = L"TheWandrel: " + title.value_or(L"Display");
    options.title = caption.c_str();
    options.style = WS_POPUP | WS_CLIPCHILDREN;
    // No taskbar button, and a click never takes the focus from the program in use.
    options.ex_style = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    options.x = options.y = 0;
    options.width = options.height = 1;
    options.parent = owner;
    if (!Create(cls, options)) {
        LogFailure(L"CreateWindowEx", ::GetLastError());
        return false;
    }
    label_ =
        ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 1,
                          1, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)),
                          ::GetModuleHandleW(nullptr), nullptr);
    if (!label_) {
        LogFailure(L"CreateWindowEx (label)", ::GetLastError());
        Destroy();
        return false;
    }
    dpi_ = WindowDpi(hwnd());

    const auto text_colour =
        display::ColourFromSetting(RecupereParametre(settings_, Setting::DDFontColor));
    const auto back_colour =
        display::ColourFromSetting(RecupereParametre(settings_, Setting::DDBackColor));
    SetColours(back_colour ? *back_colour : kBuiltInBackground,
               text_colour ? *text_colour : kBuiltInText);
    ApplySize(flags, metric);
    PlaceAtLoad(display::TwipsToPixels(size_.width, dpi_),
                display::TwipsToPixels(size_.height, dpi_));

    if (EstNT())
        RendTransparent(hwnd(), display::OpacityFromTransparency(
                                    RecupereNombre(settings_, Setting::DDTransparency)));
    MetAuPremierPlan(hwnd(), RecupereBooleen(settings_, Setting::DDonTop));
    ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    return true;
}

// A stored place is in twips; a first-ever window goes to the tray's corner of the work area;
// a place that lies on no monitor any more (one was removed) is moved onto the nearest one.
void DisplayWindow::PlaceAtLoad(int width, int height) {
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        LogFailure(L"SystemParametersInfo", ::GetLastError());
    display::Rect area = FromRECT(work);
    RECT taskbar;
    const HWND shell_tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    if (shell_tray && ::IsWindowVisible(shell_tray) && ::GetWindowRect(shell_tray, &taskbar))
        area = display::WithoutTaskbar(area, FromRECT(taskbar));
    display::Rect place =
        display::FirstPosition(width, height, area, ::MulDiv(kFirstMargin, dpi_, 96));
    const auto left = display::PositionFromSetting(RecupereParametre(settings_, Setting::DDLeft));
    const auto top = display::PositionFromSetting(RecupereParametre(settings_, Setting::DDTop));
    if (left) {
        place.left = display::TwipsToPixels(*left, dpi_);
        place.right = place.left + width;
    }
    if (top) {
        place.top = display::TwipsToPixels(*top, dpi_);
        place.bottom = place.top + height;
    }
    const RECT wanted{place.left, place.top, place.right, place.bottom};
    if ((left || top) && !::MonitorFromRect(&wanted, MONITOR_DEFAULTTONULL)) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (::GetMonitorInfoW(::MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor))
            place = display::MoveInside(place, FromRECT(monitor.rcWork));
        else
            LogFailure(L"GetMonitorInfo", ::GetLastError());
    }
    if (!::SetWindowPos(hwnd(), nullptr, place.left, place.top, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
        LogFailure(L"SetWindowPos", ::GetLastError());
}

void DisplayWindow::ApplySize(const DisplayFlags& flags, bool metric) {
    size_ = display::DDSize(RecupereNombre(settings_, Setting::DDSize), metric, flags);
    Resize();
}

// The font and the pixel size at the window's DPI.
void DisplayWindow::Resize() {
    if (!hwnd())
        return;
    UniqueGdiObject font(::CreateFontW(-::MulDiv(size_.font_points, dpi_, 72), 0, 0, 0, FW_BOLD,
                                       FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH | FF_SWISS, L"Verdana"));
    if (font) {
        ::SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        font_ = std::move(font); // the label no longer uses the old one
    } else {
        LogFailure(L"CreateFont", ::GetLastError());
    }
    const int width = display::TwipsToPixels(size_.width, dpi_);
    const int height = display::TwipsToPixels(size_.height, dpi_);
    if (!::SetWindowPos(hwnd(), nullptr, 0, 0, width, height,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
        LogFailure(L"SetWindowPos", ::GetLastError());
    ::MoveWindow(label_, 0, 0, width, height, TRUE);
}

void DisplayWindow::SetText(const std::wstring& text) {
    if (!label_ || text == text_)
        return;
    text_ = text;
    if (!::SetWindowTextW(label_, text_.c_str()))
        LogFailure(L"SetWindowText", ::GetLastError());
}

std::wstring DisplayWindow::Text() const {
    return label_ ? WindowTextOf(label_) : L"";
}

void DisplayWindow::SetColours(COLORREF background, COLORREF text) {
    UniqueGdiObject brush(::CreateSolidBrush(background));
    if (!brush) {
        LogFailure(L"CreateSolidBrush", ::GetLastError());
        return;
    }
    background_brush_ = std::move(brush);
    background_ = background;
    text_colour_ = text;
    if (hwnd())
        ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void DisplayWindow::StorePosition() {
    RECT rect;
    if (!::GetWindowRect(hwnd(), &rect)) {
        LogFailure(L"GetWindowRect", ::GetLastError());
        return;
    }
    settings_.Write(SettingPath(Setting::DDTop),
                    std::to_string(display::PixelsToTwips(rect.top, dpi_)));
    settings_.Write(SettingPath(Setting::DDLeft),
                    std::to_string(display::PixelsToTwips(rect.left, dpi_)));
}

void DisplayWindow::BeginDrag() {
    POINT cursor;
    RECT rect;
    if (!::GetCursorPos(&cursor) || !::GetWindowRect(hwnd(), &rect))
        return;
    drag_offset_ = POINT{cursor.x - rect.left, cursor.y - rect.top};
    dragging_ = true;
    ::SetCapture(hwnd());
}

void DisplayWindow::Drag() {
    POINT cursor;
    if (!dragging_ || !::GetCursorPos(&cursor))
        return;
    ::SetWindowPos(hwnd(), nullptr, cursor.x - drag_offset_.x, cursor.y - drag_offset_.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DisplayWindow::EndDrag() {
    // The last move may not have been seen before the release: the window ends where the
    // pointer was released.
    Drag();
    dragging_ = false;
    if (::GetCapture() == hwnd())
        ::ReleaseCapture();
    StorePosition();
}

LRESULT DisplayWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        BeginDrag();
        return 0;
    case WM_MOUSEMOVE:
        Drag();
        return 0;
    case WM_RBUTTONDOWN:
        host_.CycleDisplayMode();
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        EndDrag();
        return 0;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_CTLCOLORSTATIC: {
        const HDC dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, text_colour_);
        ::SetBkColor(dc, background_);
        return reinterpret_cast<LRESULT>(background_brush_.get());
    }
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(hwnd(), &client);
        ::FillRect(reinterpret_cast<HDC>(wparam), &client,
                   static_cast<HBRUSH>(background_brush_.get()));
        return 1;
    }
    case WM_DPICHANGED: {
        // The monitor's DPI changed, or the window moved onto a monitor of another DPI: the
        // same twips become other pixels. Keep the suggested place, rebuild font and size.
        dpi_ = LOWORD(wparam);
        const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
        ::SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Resize();
        return 0;
    }
    }
    return WindowBase::HandleMessage(message, wparam, lparam);
}

} // namespace win32
