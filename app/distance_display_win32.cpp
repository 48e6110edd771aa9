#include "app/distance_display_win32.h"

#include "ui/duration_text.h"
#include "storage/settings_table.h"
#include "base/localisation.h"
#include "ui/tray_icon_win32.h"

bool DistanceDisplay::Open() {
    if (window_)
        Close();
    state_.Display_current = RecupereBooleen(settings_, Setting::DDCurrent);
    const bool speed = RecupereBooleen(settings_, Setting::DDSpeed);
    state_.Display_speed = speed && !state_.Display_current;
    decimal_separator_ = tray::LocaleDecimalSeparator();
    win32::DisplayWindowHost& host = *this;
    auto window = std::make_unique<win32::DisplayWindow>(settings_, host);
    if (!window->Load(flags_, metric_, owner_))
        return false;
    window_ = std::move(window);
    state_.DDisplay_ouverte = true;
    state_.LinesNeedRebuild = true;
    ::SetTimer(owner_, kTimerAffichageD, 100, nullptr);
    if (state_.Display_speed) {
        display::EnterSpeedMode(state_, counters_, metric_);
        speed_.Start(counters_.Distance);
        ::SetTimer(owner_, kTimerVitesse, 1000, nullptr);
    }
    AfficheUpUseTime();
    state_.DisplayNeedRefresh = true;
    // The first text at once, rather than a tenth of a second after the window appears.
    TimerAffichageD_Timer();
    return true;
}

void DistanceDisplay::SetInputsLabels(display::InputsLabels* labels) {
    labels_ = labels;
    state_.Config_ouverte = labels != nullptr;
    if (labels) {
        state_.ConfigNeedRefresh = true;
        ::SetTimer(owner_, kTimerAffichageD, 100, nullptr);
        AfficheUpUseTime();
    } else if (!state_.DDisplay_ouverte) {
        ::KillTimer(owner_, kTimerAffichageD);
    }
}

void DistanceDisplay::Close() {
    state_.DDisplay_ouverte = false;
    ::KillTimer(owner_, kTimerVitesse);
    if (!state_.Config_ouverte)
        ::KillTimer(owner_, kTimerAffichageD);
    window_.reset();
}

bool DistanceDisplay::OnTimer(UINT_PTR id) {
    if (id == kTimerAffichageD) {
        TimerAffichageD_Timer();
        return true;
    }
    if (id == kTimerVitesse) {
        TimerVitesse_Timer(speed_, state_, counters_, flags_, CurrentUnits());
        return true;
    }
    return false;
}

void DistanceDisplay::TimerAffichageD_Timer() {
    const auto text =
        display::TimerAffichageD_Tick(state_, counters_, flags_, CurrentUnits(), labels_);
    if (text && window_)
        window_->SetText(*text);
}

void DistanceDisplay::UpUseTimeChanged() {
    if (state_.Config_ouverte || state_.DDisplay_ouverte)
        AfficheUpUseTime();
    if (state_.DDisplay_ouverte)
        state_.DisplayNeedRefresh = true;
}

void DistanceDisplay::AfficheUpUseTime() {
    const UpUseTimeTexts texts = ::AfficheUpUseTime(
        counters_, [](int id) { return TryChaineLocale(id).value_or(EnglishDurationWord(id)); });
    display::AfficheUpUseTime(state_, flags_, texts, labels_);
}

void DistanceDisplay::CycleDisplayMode() {
    switch (display::CycleMode(state_, counters_, metric_, settings_)) {
    case display::SpeedTimerChange::Start:
        speed_.Start(counters_.Distance);
        ::SetTimer(owner_, kTimerVitesse, 1000, nullptr);
        break;
    case display::SpeedTimerChange::Stop:
        ::KillTimer(owner_, kTimerVitesse);
        break;
    case display::SpeedTimerChange::None:
        break;
    }
    AfficheUpUseTime();
}

display::Units DistanceDisplay::CurrentUnits() const {
    return display::Units{metric_, decimal_separator_};
}
