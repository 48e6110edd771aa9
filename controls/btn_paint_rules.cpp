#include "controls/btn_paint_rules.h"

#include "base/number_text.h"

#include <algorithm>

namespace controls {

namespace {

int Clamp(int v) {
    return std::clamp(v, 0, 255);
}

} // namespace

Colour ShiftColour(Colour c, int amount, bool soft) {
    if (soft)
        amount /= 2;
    return MakeColour(Clamp(RedOf(c) + amount), Clamp(GreenOf(c) + amount),
                      Clamp(BlueOf(c) + amount));
}

Colour BlendTowardsWhite(Colour c, int a) {
    a = Clamp(a);
    const auto blend = [a](int v) { return v * (255 - a) / 255 + a; };
    return MakeColour(blend(RedOf(c)), blend(GreenOf(c)), blend(BlueOf(c)));
}

BtnScheme Scheme1(Colour body_colour) {
    return {body_colour, body_colour, body_colour, BlendTowardsWhite(body_colour, 170)};
}

int GradientShift(int row, int height, int depth) {
    if (height <= 0)
        return 0;
    return -static_cast<int>(NearestEven(static_cast<double>(depth) * row / height));
}

std::vector<PaintStep> Style14Steps(int w, int h, BtnLook look, const BtnScheme& s, bool soft) {
    std::vector<PaintStep> steps;
    if (w <= 0 || h <= 0)
        return steps;
    const auto fill = [&](int x, int y, int cw, int ch, Colour c) {
        if (cw > 0 && ch > 0)
            steps.push_back({PaintStep::Fill, x, y, cw, ch, c});
    };
    const auto frame = [&](int x, int y, int cw, int ch, Colour c) {
        if (cw > 0 && ch > 0)
            steps.push_back({PaintStep::Frame, x, y, cw, ch, c});
    };
    if (look == BtnLook::Pressed) {
        fill(0, 0, w, h, ShiftColour(s.body, -9, soft));
        frame(0, 0, w, h, ShiftColour(s.body, -48, soft));
        fill(2, h - 3, w - 4, 1, s.highlight);
        fill(w - 3, 2, 1, h - 4, s.highlight);
        return steps;
    }
    const int depth = look == BtnLook::Hover ? 29 : 58;
    steps.reserve(static_cast<size_t>(h) + 4);
    for (int i = 1; i <= h; ++i)
        fill(0, i - 1, w, 1, ShiftColour(s.base, GradientShift(i, h, depth), soft));
    frame(0, 0, w, h, ShiftColour(s.frame, -50, soft));
    frame(1, 1, w - 2, h - 2, ShiftColour(s.body, -9, soft));
    fill(2, 2, w - 4, 2, s.highlight);
    fill(2, 4, 2, h - 6, s.base);
    return steps;
}

PixelRect BtnFocusRect(int w, int h) {
    return {4, 4, w - 4, h - 4};
}

PixelRect BtnCaptionRect(int w, int h, BtnLook look) {
    const int d = look == BtnLook::Pressed ? 1 : 0;
    return {2 + d, 2 + d, w - 2 + d, h - 2 + d};
}

} // namespace controls
