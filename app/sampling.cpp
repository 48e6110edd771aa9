#include "app/sampling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool IsDown(uint8_t state_byte) {
    return state_byte != 0;
}

// Frames per set as the tick uses it: an 8-bit frame number holds at most 2 x 127 frames,
// and 0 frames means there is nothing to animate.
int FramesPerSet(const SamplingState& state) {
    return std::min<int>(state.NbIcones, 127);
}

// A frame number outside both sets (for example after the number of frames changed) is
// brought back into them.
void NormaliseIconFrame(SamplingState& state) {
    const int n = FramesPerSet(state);
    if (n > 0 && state.ImageIcone >= 2 * n)
        state.ImageIcone = static_cast<uint8_t>(state.ImageIcone % (2 * n));
}

void CountDistance(SamplingState& state, CounterSet& counters) {
    // Differences in 64 bits: coordinates may be anything a hostile snapshot carries.
    const double dx = static_cast<double>(int64_t{state.PointActuel.x} - state.PointPrecedent.x);
    const double dy = static_cast<double>(int64_t{state.PointActuel.y} - state.PointPrecedent.y);
    const double d = std::sqrt(dy * dy + dx * dx);
    state.PointPrecedent = state.PointActuel;

    // The carried pixels plus this move are held wide before whole centimetres are taken
    // out, so a jump longer than 32767 pixels is counted exactly; what is carried afterwards
    // is less than one centimetre and always fits the 16-bit DecPixel. (d is at most about
    // 6.1e9, exact in a double and in 64 bits.)
    const int64_t carried = state.DecPixel;
    const int64_t pixels = static_cast<int64_t>(RoundHalfEven(static_cast<double>(carried) + d));
    const int64_t coef = std::max<int16_t>(state.Coef_distance, 1);
    const int64_t centimetres = pixels / coef;
    state.DecPixel = static_cast<int16_t>(pixels % coef);
    if (centimetres == 0)
        return;
    AddCount(counters, &CounterValues::Distance, centimetres);
    if (state.Icon_Move_Global)
        AdvanceIconFrame(state, centimetres);
}

void CountWheel(SamplingState& state, CounterSet& counters, int32_t wheel_delta) {
    if (wheel_delta == 0) {
        state.RouletteEnCours = false;
        return;
    }
    if (!state.RouletteEnCours) {
        AddCount(counters, &CounterValues::NScrolls, 1);
        state.RouletteEnCours = true;
        state.ActiviteMinute = true;
    }
    state.ActiviteIcone = true;
}

void CountButtons(SamplingState& state, CounterSet& counters, const MouseButtons& now) {
    const size_t buttons = state.MoreClics ? now.size() : 3;
    for (size_t i = 0; i < buttons; ++i) {
        // A press is a change from up to down; releases are never counted.
        if (IsDown(now[i]) && !IsDown(state.BoutonsPrecedents[i])) {
            int32_t CounterValues::*kind = i == 0   ? &CounterValues::NCGauche
                                           : i == 1 ? &CounterValues::NCDroit
                                                    : &CounterValues::NCSpecial;
            ChangeCounters(counters, [kind](CounterValues& c) {
                c.*kind = SaturatingAdd(c.*kind, 1);
                c.NClics = SaturatingAdd(c.NClics, 1);
            });
            state.ActiviteMinute = true;
            state.ActiviteIcone = true;
        }
        state.BoutonsPrecedents[i] = now[i];
    }
}

// For eight state bytes at once: the high bit of each byte set when that byte is non-zero.
uint64_t DownMask(uint64_t bytes) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    return (((bytes & kLow7) + kLow7) | bytes) & ~kLow7;
}

uint64_t LoadWord(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

int CountBits(uint64_t x) {
    int n = 0;
    for (; x != 0; x &= x - 1)
        ++n;
    return n;
}

void CountKeys(SamplingState& state, CounterSet& counters, const KeyboardState& keys) {
    KeyboardState& reading = state.ClavierAlterne ? state.ClavierA : state.ClavierB;
    const KeyboardState& previous = state.ClavierAlterne ? state.ClavierB : state.ClavierA;
    reading = keys;
    // Keys down now and up in the previous reading, eight keys per step.
    int new_presses = 0;
    uint64_t any_down = 0;
    for (size_t k = 0; k < reading.size(); k += 8) {
        const uint64_t down = DownMask(LoadWord(&reading[k]));
        any_down |= down;
        new_presses += CountBits(down & ~DownMask(LoadWord(&previous[k])));
    }
    if (new_presses > 0) {
        AddCount(counters, &CounterValues::NbTouches, new_presses);
        state.ActiviteMinute = true;
    }
    if (any_down != 0)
        state.ActiviteIcone = true;
    state.ClavierAlterne = !state.ClavierAlterne;
}

void AnimateTrayIcon(SamplingState& state, TickActions& actions) {
    const int n = FramesPerSet(state);
    if (n > 0) {
        NormaliseIconFrame(state);
        if (!state.ActiviteIcone && state.ImageIcone >= n)
            state.ImageIcone = static_cast<uint8_t>(state.ImageIcone - n);
        if (state.ActiviteIcone) {
            if (state.ImageIcone < n)
                state.ImageIcone = static_cast<uint8_t>(state.ImageIcone + n);
            state.ActiviteIcone = false;
        }
    }
    if (state.ImageIcone != state.ImageIconeAffichee) {
        actions.show_tray_frame = true;
        actions.tray_frame = state.ImageIcone;
        state.ImageIconeAffichee = state.ImageIcone;
    }
}

} // namespace

double RoundHalfEven(double x) {
    const double lower = std::floor(x);
    const double fraction = x - lower;
    if (fraction > 0.5)
        return lower + 1;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

void AdvanceIconFrame(SamplingState& state, int64_t steps) {
    const int n = FramesPerSet(state);
    if (n == 0 || steps <= 0)
        return;
    NormaliseIconFrame(state);
    const int base = state.ImageIcone >= n ? n : 0;
    const int64_t within = (state.ImageIcone - base + steps % n) % n;
    state.ImageIcone = static_cast<uint8_t>(base + within);
}

TickActions SamplingTick(SamplingState& state, CounterSet& counters, const InputSnapshot& input) {
    TickActions actions;
    if (state.DecPixel < 0) // only a corrupted state holds a negative carry
        state.DecPixel = 0;

    // 1. The hook library asks that the movement since the last sample be ignored. Without a
    //    cursor reading the flag is left raised, so the next tick still honours it.
    if (input.discard_flag != 0) {
        if (input.cursor_ok) {
            state.PointPrecedent = input.cursor;
            actions.clear_discard_flag = true;
        }
        return actions;
    }

    // 2. Movement reported by the device itself.
    if (input.mouse_ok && (input.mouse_dx != 0 || input.mouse_dy != 0)) {
        state.MouvementDx = true;
        state.ActiviteMinute = true;
    }

    // 3-4. Distance. Travel is counted only while DirectInput confirms movement; pointer jumps
    //      made by software move the reference instead. While the mouse cannot be read the
    //      movement is not confirmed either.
    if (input.cursor_ok) {
        state.PointActuel = input.cursor;
        if (!state.MouvementDx || !input.mouse_ok)
            state.PointPrecedent = state.PointActuel;
        else if (state.PointActuel != state.PointPrecedent)
            CountDistance(state, counters);
    }

    // 5-6. Wheel and buttons.
    if (input.mouse_ok) {
        CountWheel(state, counters, input.wheel_delta);
        CountButtons(state, counters, input.buttons);
    }

    // 7. Keyboard.
    if (input.keyboard_ok)
        CountKeys(state, counters, input.keys);

    // 8. Tell the hook library there was input this minute.
    actions.raise_use_flag = state.ActiviteMinute;

    // 9. Tray icon animation.
    if (state.Icon_Move_Global)
        AnimateTrayIcon(state, actions);

    return actions;
}

bool SamplingAtRest(const SamplingState& state) {
    if (state.MouvementDx || state.RouletteEnCours)
        return false;
    if (!state.Icon_Move_Global)
        return true;
    const int n = FramesPerSet(state);
    return n == 0 || (state.ImageIcone < n && state.ImageIcone == state.ImageIconeAffichee);
}

bool MoveExplainedByDevice(ScreenPoint from, ScreenPoint to, int32_t dx, int32_t dy) {
    constexpr double kMostPixelsPerCount = 4.0;
    constexpr double kSlackPixels = 4.0;
    const double mx = static_cast<double>(int64_t{to.x} - from.x);
    const double my = static_cast<double>(int64_t{to.y} - from.y);
    const double device = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
    return std::hypot(mx, my) <= kMostPixelsPerCount * device + kSlackPixels;
}

void ResetSampling(SamplingState& state, ScreenPoint cursor) {
    state.PointActuel = cursor;
    state.PointPrecedent = cursor;
    state.DecPixel = 0;
    state.MouvementDx = false;
    state.ActiviteMinute = false;
    state.BoutonsPrecedents.fill(0);
    state.RouletteEnCours = false;
    state.ClavierA.fill(0);
    state.ClavierB.fill(0);
    state.ClavierAlterne = false;
}

int16_t Calcul_coefficient(int width, int height) {
    // The screen sizes are 16-bit values.
    const int w = std::clamp(width, 0, 32767);
    const int h = std::clamp(height, 0, 32767);
    // W*100/32 is exact in a double; H*100/24 is exact whenever it ends in .5, and otherwise
    // lies at least 1/6 away from a tie, so rounding the scaled values is exact.
    const float a = static_cast<float>(RoundHalfEven(w * 100.0 / 32.0) / 100.0);
    const float b = static_cast<float>(RoundHalfEven(h * 100.0 / 24.0) / 100.0);
    const float mean = (a + b) / 2.0f;
    const double coef = RoundHalfEven(static_cast<double>(mean));
    return static_cast<int16_t>(std::clamp(coef, 1.0, 32767.0));
}
