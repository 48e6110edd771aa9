// The main window's part of the distance display: the display fields, the speed meter, the
// display window while it is open, and the two timers `TimerAffichageD` (100 ms) and
// `TimerVitesse` (1 s), which run on the main window.
#pragma once

#include "base/counter_set.h"
#include "app/speed_meter.h"
#include "storage/settings_readers.h"
#include "storage/settings_store.h"
#include "ui/display_lines.h"
#include "ui/display_window_win32.h"

#include <windows.h>

#include <memory>

class DistanceDisplay : private win32::DisplayWindowHost {
  public:
    static constexpr UINT_PTR kTimerAffichageD = 0x5A06;
    static constexpr UINT_PTR kTimerVitesse = 0x5A07;

    // `metric` is the main window's `Global_Unite_KM`, read at every use.
    DistanceDisplay(const CounterSet& counters, SettingsStore& settings, const DisplayFlags& flags,
                    const bool& metric)
        : counters_(counters), settings_(settings), flags_(flags), metric_(metric) {}

    // The main window the timers run on.
    void SetTimerWindow(HWND owner) { owner_ = owner; }

    // Loads the window (again, if it exists), then `DDisplay_ouverte`, the uptime and usetime
    // texts and a refresh. False when the window could not be made.
    bool Open();
    // The unload: the speed timer stops; the refresh timer too unless the dialog's Inputs
    // page still needs it.
    void Close();
    bool IsOpen() const { return state_.DDisplay_ouverte; }

    // Handles the two timers; false for any other timer.
    bool OnTimer(UINT_PTR id);
    // The minute accounting counted: new uptime and usetime texts where they are shown.
    void UpUseTimeChanged();

    // For the configuration dialog: the fields, and the Inputs labels it shows (or none).
    display::DisplayState& state() { return state_; }
    // The settings dialog's Inputs page shown (its labels) or hidden (nullptr). While it
    // shows (`Config_ouverte`) the refresh writes its labels, and the refresh timer runs
    // for them even with the display closed.
    void SetInputsLabels(display::InputsLabels* labels);
    win32::DisplayWindow* window() { return window_.get(); }
    // `AfficheUpUseTime`.
    void AfficheUpUseTime();

  private:
    void CycleDisplayMode() override;
    display::Units CurrentUnits() const;
    void TimerAffichageD_Timer();

    const CounterSet& counters_;
    SettingsStore& settings_;
    const DisplayFlags& flags_;
    const bool& metric_;
    HWND owner_ = nullptr;
    display::DisplayState state_;
    SpeedMeter speed_;
    display::InputsLabels* labels_ = nullptr;
    std::unique_ptr<win32::DisplayWindow> window_;
    std::wstring decimal_separator_ = L".";
};
