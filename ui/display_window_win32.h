// The distance display `DDisplay`: a small floating window whose one label `DistanceD` fills
// it. The label is a real static control, so its window text is always what it shows (screen
// readers and other programs read it). The left button drags the window, any button release
// stores its place, the right button asks the host to change the mode.
#pragma once

#include "base/win32/unique_handle.h"
#include "base/win32/window_base.h"
#include "storage/settings_readers.h"
#include "storage/settings_store.h"
#include "ui/display_layout.h"

#include <string>

namespace win32 {

class DisplayWindowHost {
  public:
    virtual ~DisplayWindowHost() = default;
    // The right button went down on the display: next mode.
    virtual void CycleDisplayMode() = 0;
};

class DisplayWindow : public WindowBase {
  public:
    static constexpr const wchar_t* kClassName = L"TheWandrelDisplay";
    static constexpr COLORREF kBuiltInBackground = RGB(64, 64, 64);
    static constexpr COLORREF kBuiltInText = RGB(177, 194, 254);

    DisplayWindow(SettingsStore& settings, DisplayWindowHost& host)
        : settings_(settings), host_(host) {}
    ~DisplayWindow() override;

    // The load: position (`DDTop`, `DDLeft`), colours, size, opacity, topmost, then shown
    // without taking the focus. Owned by `owner` (the main window), so it has no taskbar
    // button. False, logged, when the window could not be made.
    bool Load(const DisplayFlags& flags, bool metric, HWND owner = nullptr);

    // `DDSize`: the size table applied to the window and its label (also after a change of
    // size, units or lines).
    void ApplySize(const DisplayFlags& flags, bool metric);
    // The label's text; the label is only rewritten when the text differs.
    void SetText(const std::wstring& text);
    std::wstring Text() const;

    void SetColours(COLORREF background, COLORREF text);
    COLORREF background() const { return background_; }
    COLORREF text_colour() const { return text_colour_; }
    int dpi() const { return dpi_; }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    void PlaceAtLoad(int width, int height);
    void Resize();
    void StorePosition();
    void BeginDrag();
    void Drag();
    void EndDrag();

    SettingsStore& settings_;
    DisplayWindowHost& host_;
    HWND label_ = nullptr;
    UniqueGdiObject font_;
    UniqueGdiObject background_brush_;
    COLORREF background_ = kBuiltInBackground;
    COLORREF text_colour_ = kBuiltInText;
    int dpi_ = 96;
    display::DisplaySize size_;
    std::wstring text_;
    bool dragging_ = false;
    POINT drag_offset_{}; // from the window's top-left corner to the pointer, in pixels
};

} // namespace win32
