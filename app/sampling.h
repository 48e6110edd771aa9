// The sampling tick of the main window: turns one reading of the mouse, the keyboard and the
// pointer position into counts. Pure logic: the Win32 side reads the devices into an
// InputSnapshot, calls SamplingTick and carries out the returned TickActions.
#pragma once

#include "base/counter_set.h"

#include <array>
#include <cstdint>

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const ScreenPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const ScreenPoint& o) const { return !(*this == o); }
};

using MouseButtons = std::array<uint8_t, 8>; // left, right, middle, then buttons 4 to 8
using KeyboardState = std::array<uint8_t, 256>;

// The sampling state of the main window `Client`, with the settings the tick reads.
struct SamplingState {
    int16_t DecPixel = 0;       // pixels travelled that do not yet make a whole centimetre
    int16_t Coef_distance = 32; // pixels per centimetre (see Calcul_coefficient)
    ScreenPoint PointActuel;
    ScreenPoint PointPrecedent;
    bool MouvementDx = false; // DirectInput reported X or Y movement since the last clearing
    MouseButtons BoutonsPrecedents{};
    bool RouletteEnCours = false; // the previous reading had wheel movement
    KeyboardState ClavierA{};
    KeyboardState ClavierB{};
    bool ClavierAlterne = false; // false: the next keyboard reading goes into ClavierB
    bool ActiviteMinute = false; // input seen since the minute accounting last looked
    bool ActiviteIcone = false;  // input seen since the tray icon was last updated
    uint8_t ImageIcone = 0;      // frame to show: 0..N-1 idle set, N..2N-1 active set
    uint8_t ImageIconeAffichee = 0;

    // Settings held in memory.
    bool MoreClics = false;       // count buttons 4 to 8 as special clicks
    bool Icon_Move_Global = true; // tray icon animation on
    uint8_t NbIcones = 2;         // frames per icon set
};

// One reading of everything the tick looks at. A reading that failed carries ok = false;
// its other fields are then ignored.
struct InputSnapshot {
    uint8_t discard_flag = 0; // byte 0 of the ZPSHMF view, raised by the hook library

    bool mouse_ok = true;
    int32_t mouse_dx = 0; // DirectInput deltas since the previous reading
    int32_t mouse_dy = 0;
    int32_t wheel_delta = 0;
    MouseButtons buttons{};

    bool cursor_ok = true;
    ScreenPoint cursor; // GetCursorPos

    bool keyboard_ok = true;
    KeyboardState keys{};
};

// What the Win32 side must do after a tick.
struct TickActions {
    bool clear_discard_flag = false; // write 0 to byte 0 of ZPSHMF
    bool raise_use_flag = false;     // write 1 to byte 0 of ZPSHMFUSE
    bool show_tray_frame = false;    // show frame `tray_frame` in the notification area
    uint8_t tray_frame = 0;
};

// One sampling tick (the Timer1 handler), steps in their fixed order:
//  1. discard flag raised: rebase PointPrecedent on the cursor, clear the flag, stop;
//  2. mouse deltas raise MouvementDx; 3-4. pointer distance (only while MouvementDx);
//  5. wheel episodes; 6. button presses; 7. new key presses; 8. use flag;
//  9. tray icon frame.
// A failed reading skips the steps that need it and nothing else, so a device that stays
// lost never stops the other one from being counted; the Win32 side re-acquires it.
// Counters saturate at their 32-bit maximum instead of wrapping.
TickActions SamplingTick(SamplingState& state, CounterSet& counters, const InputSnapshot& input);

// The TimerInitDxMove handler (every 300 ms): pointer travel is counted only while
// DirectInput confirmed movement in the current window.
inline void ClearMovementWindow(SamplingState& state) {
    state.MouvementDx = false;
}

// True when another tick on the same readings (no movement, no wheel, the same buttons and
// keys, no discard flag) would change nothing: no movement window open, no wheel episode, and
// the tray icon back on an idle frame (while it shows an active frame the next quiet tick
// puts it back). The sampler may then stop ticking until a device reports a change.
bool SamplingAtRest(const SamplingState& state);

// At the first tick after a rest the reference point is the pointer as it was when the rest
// began. The pointer's move since then (`from` to `to`) is the hand's when the device's own
// deltas can account for it (the system may accelerate up to a few pixels per count); a
// longer move was a jump made by software while nothing was read, and the reference then
// moves onto the pointer instead of counting it.
bool MoveExplainedByDevice(ScreenPoint from, ScreenPoint to, int32_t dx, int32_t dy);

// The state at the start of counting: both pointer positions on the cursor, no carried
// pixels, no movement or activity, all buttons released, empty keyboard buffers (so keys
// already held are counted once on the first reading).
void ResetSampling(SamplingState& state, ScreenPoint cursor);

// Pixels per centimetre for a primary screen of width x height pixels, the screen being
// taken as 32 cm wide and 24 cm high: a = W/32 and b = H/24 each rounded to 2 decimals
// (halves to even) and held in single precision, then (a + b) / 2 rounded to an integer,
// halves to even. Never less than 1, whatever the sizes (a zero coefficient would make every
// pixel count without end).
int16_t Calcul_coefficient(int width, int height);

// Nearest integer, halves to the even one, independent of the floating-point environment.
double RoundHalfEven(double x);

// Moves the icon frame `steps` centimetre steps forward within its set (idle frames stay
// idle, active frames stay active), as repeated single steps would.
void AdvanceIconFrame(SamplingState& state, int64_t steps);
