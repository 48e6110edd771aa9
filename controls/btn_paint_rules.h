// What the `btn` control draws, as a list of filled rectangles and frames in pixels, so the
// Win32 side only carries it out. Only drawing style 14 and colour scheme 1 exist here: they
// are the ones every instance of the program uses. The other styles (1 to 13), the other
// schemes, the pictures (`PictureNormal`, `PictureOver`, `PicturePosition`, `UseGreyscale`,
// `MaskColor`) and the caption effects of `SpecialEffect` are not drawn; their properties
// are kept so a form may still set them.
#pragma once

#include "controls/paint_colours.h"

#include <vector>

namespace controls {

enum class BtnLook { Normal, Hover, Pressed };

// The four colours of colour scheme 1, taken from the body colour (`BackColor`, or
// `BackOver` for the hover look) once it is resolved: base, frame and body are that colour,
// the highlight is it blended two thirds of the way towards white.
struct BtnScheme {
    Colour base = 0;
    Colour frame = 0;
    Colour body = 0;
    Colour highlight = 0;
};
BtnScheme Scheme1(Colour body_colour);

struct PaintStep {
    enum Kind { Fill, Frame } kind = Fill; // Frame: the one-pixel outline of the rectangle
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    Colour colour = 0;
};

// The body and bevel of style 14 on a W x H surface (before the caption and focus
// rectangle):
//  normal: row i (1..H) in base shifted by -(58 x i / H) (to the nearest, halves to even),
//          outer frame (0, 0, W, H) in frame - 50, inner frame (1, 1, W - 2, H - 2) in
//          body - 9, highlight band (2, 2, W - 4, 2), base band (2, 4, 2, H - 6);
//  hover:  the same with half the gradient's depth (29 instead of 58);
//  pressed: body - 9 filled, frame (0, 0, W, H) in body - 48, and two highlight lines two
//          pixels inside the bottom and right edges.
// `soft` (`SoftBevel`) halves every shift.
std::vector<PaintStep> Style14Steps(int width, int height, BtnLook look, const BtnScheme& scheme,
                                    bool soft);

// The shift of gradient row i (1..H) of a body `height` rows high, `depth` 58 (normal) or 29
// (hover): -(depth x i / H), to the nearest, halves to even.
int GradientShift(int row, int height, int depth);

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0; // exclusive
    int bottom = 0;
};
// The focus rectangle: four pixels inside the edges, clear of the bevel bands.
PixelRect BtnFocusRect(int width, int height);
// The caption's box: the surface less the frames, one pixel down and right when pressed.
PixelRect BtnCaptionRect(int width, int height, BtnLook look);

} // namespace controls
