// What the two schedule timers of the main window decide: the minute timer (counting
// state, sending at a fixed hour, periodic save) and the distance timer (sending after
// every so many kilometres). The window carries the decisions out; the current time comes
// through `Clock` so a whole day can be run in a test.
#pragma once

#include "storage/settings_table.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct LocalTime {
    int hour = 0;   // 0-23
    int minute = 0; // 0-59
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
};

// The minute tick's clock for tests that shorten the minute (WANDREL_MINUTE_MS): it starts
// at `start` and moves on one minute at every minute tick, so a fixed hour comes after a
// known number of ticks instead of once a day of real time.
class TickClock : public Clock {
  public:
    explicit TickClock(LocalTime start) : start_(start) {}
    void Tick() { ++ticks_; }
    LocalTime Now() const override;

  private:
    LocalTime start_;
    int64_t ticks_ = 0;
};

// "HH:MM" (hours 0-23, minutes 0-59, two digits each); anything else gives nothing.
std::optional<LocalTime> ParseClockTime(const std::string& text);

// Automatic sending mode, from the `AS` setting.
struct AutoSendMode {
    bool Autos = false;   // at the hour `Hautos`
    bool AutosKm = false; // every `Kautos` kilometres
};
AutoSendMode ParseAutoSend(const std::string& as);

// A setting read as a byte (`HAS`, `KmAS`). A value that is not a whole number from 0 to
// 255 gives `fallback`, so a damaged value cannot stop the program from starting.
uint8_t SettingAsByte(const std::string& text, uint8_t fallback);

struct ScheduleState {
    bool Autos = false;
    bool AutosKm = false;
    uint8_t Hautos = 0;
    uint8_t Kautos = 1;
    int16_t Min_save_actuelle = 0; // minute ticks since the last periodic save
};

// Reads a setting with its default written back when missing.
using SettingReader = std::function<std::string(Setting setting)>;

struct MinuteTickDecision {
    bool timer1Enabled = false; // the sampling timer runs while counting is enabled
    bool send = false;          // the fixed hour has come
    bool save = false;          // write the counts to be sent now
};

// The minute tick's first three steps. `countingEnabled` is the check of the menu entry
// "DataCounting Enabled". `Save_dist` and `Save_distance` are read at every tick, the latter
// only while periodic saving is on. The save happens on every (N + 1)-th tick.
// While a sending runs (`sending`; its boxes may stay up for hours) the tick leaves sampling
// stopped, so the counts it gives back on a refusal are exactly those it took, and a save
// that falls due waits for the first tick after it: the counters hold nothing meanwhile.
MinuteTickDecision MinuteTick(ScheduleState& state, bool countingEnabled, bool sending,
                              const Clock& clock, const SettingReader& readSetting);

// The distance timer: send when `Distance` lies in [T, T + 2000] centimetres, where T is
// `Kautos` kilometres.
bool DistanceTickShouldSend(uint8_t Kautos, int32_t Distance);
