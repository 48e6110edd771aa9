#include "controls/btn_paint_rules.h"
#include "controls/button2000_rules.h"
#include "controls/caption_rules.h"

#include <gtest/gtest.h>

using namespace controls;

TEST(ButtonColours, ShiftsClampAndSoftBevelHalvesTowardsZero) {
    EXPECT_EQ(ShiftColour(MakeColour(10, 128, 250), -50), MakeColour(0, 78, 200));
    EXPECT_EQ(ShiftColour(MakeColour(10, 128, 250), 20), MakeColour(30, 148, 255));
    EXPECT_EQ(ShiftColour(MakeColour(100, 100, 100), -9, true), MakeColour(96, 96, 96));
    EXPECT_EQ(ShiftColour(MakeColour(100, 100, 100), 9, true), MakeColour(104, 104, 104));
    EXPECT_EQ(BlendTowardsWhite(MakeColour(0, 100, 255), 0), MakeColour(0, 100, 255));
    EXPECT_EQ(BlendTowardsWhite(MakeColour(0, 100, 255), 255), kWhite);
    // 200 x 85 / 255 = 66.67 -> 66, + 170.
    EXPECT_EQ(BlendTowardsWhite(MakeColour(200, 0, 255), 170), MakeColour(236, 170, 255));
}

TEST(BtnStyle14, GradientRowsRoundHalvesToEven) {
    EXPECT_EQ(GradientShift(10, 40, 58), -14); // 14.5
    EXPECT_EQ(GradientShift(30, 40, 58), -44); // 43.5
    EXPECT_EQ(GradientShift(31, 40, 58), -45); // 44.95
    EXPECT_EQ(GradientShift(23, 23, 58), -58); // the last row the whole depth
    EXPECT_EQ(GradientShift(1, 0, 58), 0);
}

TEST(BtnStyle14, NormalLookIsGradientFramesAndBands) {
    const BtnScheme scheme{MakeColour(200, 200, 200), MakeColour(180, 180, 180),
                           MakeColour(190, 190, 190), kWhite};
    const auto steps = Style14Steps(50, 20, BtnLook::Normal, scheme, false);
    ASSERT_EQ(steps.size(), 24u); // 20 rows, 2 frames, 2 bands
    EXPECT_EQ(steps[0].y, 0);
    EXPECT_EQ(steps[0].colour, MakeColour(197, 197, 197)); // 58 / 20 = 2.9 -> 3
    EXPECT_EQ(steps[19].colour, MakeColour(142, 142, 142));
    const PaintStep& outer = steps[20];
    EXPECT_EQ(outer.kind, PaintStep::Frame);
    EXPECT_EQ(outer.colour, MakeColour(130, 130, 130));
    EXPECT_EQ(steps[21].colour, MakeColour(181, 181, 181));
    EXPECT_EQ((std::vector<int>{steps[21].x, steps[21].y, steps[21].width, steps[21].height}),
              (std::vector<int>{1, 1, 48, 18}));
    EXPECT_EQ((std::vector<int>{steps[22].x, steps[22].y, steps[22].width, steps[22].height}),
              (std::vector<int>{2, 2, 46, 2}));
    EXPECT_EQ((std::vector<int>{steps[23].x, steps[23].y, steps[23].width, steps[23].height}),
              (std::vector<int>{2, 4, 2, 14}));
    EXPECT_EQ(steps[23].colour, scheme.base);

    // Hover: half the depth, the same frames.
    const auto hover = Style14Steps(50, 20, BtnLook::Hover, scheme, false);
    EXPECT_EQ(hover[19].colour, MakeColour(171, 171, 171));
    EXPECT_EQ(hover[20].colour, outer.colour);

    // Too small for the bands: only what fits is drawn, nothing of negative size.
    for (const PaintStep& s : Style14Steps(3, 3, BtnLook::Normal, scheme, false))
        EXPECT_TRUE(s.width > 0 && s.height > 0);
    EXPECT_TRUE(Style14Steps(0, 10, BtnLook::Pressed, scheme, false).empty());
}

TEST(BtnStyle14, PressedLookIsDarkerBodyFrameAndInnerLines) {
    const BtnScheme scheme = Scheme1(MakeColour(100, 110, 120));
    const auto steps = Style14Steps(40, 20, BtnLook::Pressed, scheme, false);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].colour, MakeColour(91, 101, 111));
    EXPECT_EQ(steps[1].colour, MakeColour(52, 62, 72));
    EXPECT_EQ(steps[2].y, 17);
    EXPECT_EQ(steps[3].x, 37);
    EXPECT_EQ(Style14Steps(40, 20, BtnLook::Pressed, scheme, true)[1].colour,
              MakeColour(76, 86, 96));
}

TEST(Captions, AccessKeyAndReadableText) {
    EXPECT_EQ(AccessKeyOf(L"&Save"), L'S');
    EXPECT_EQ(AccessKeyOf(L"Fish && &Chips"), L'C');
    EXPECT_EQ(AccessKeyOf(L"&&"), 0);
    EXPECT_EQ(AccessKeyOf(L"Go !&"), 0);
    EXPECT_EQ(AccessKeyOf(L""), 0);
    EXPECT_EQ(CaptionWithoutMarks(L"Fish && &Chips&"), L"Fish & Chips");
    EXPECT_EQ(CaptionWithoutMarks(L"&&&"), L"&");
}

TEST(Button2000, EachStateHasItsColoursAndOpacityWithinRange) {
    Button2000Properties p;
    p.AlphaOver = 300;
    p.AlphaDown = -4;
    const auto normal = ColourSetOf(p, Button2000State::Normal);
    EXPECT_EQ(normal.back, kButtonFace);
    EXPECT_EQ(normal.alpha, 190);
    const auto over = ColourSetOf(p, Button2000State::Over);
    EXPECT_EQ(over.back, MakeColour(182, 189, 210));
    EXPECT_EQ(over.border_dark, MakeColour(10, 36, 106));
    EXPECT_EQ(over.alpha, 255);
    const auto down = ColourSetOf(p, Button2000State::Pressed);
    EXPECT_EQ(down.back, MakeColour(133, 146, 181));
    EXPECT_EQ(down.fore, kWhite);
    EXPECT_EQ(down.alpha, 0);
}

TEST(Button2000, PlacesFirstElementThenSecond) {
    Button2000Properties p; // icon at bottom left, caption centred above it
    auto l = LayOutButton2000(p, 100, 50, 16, 16, 40, 13);
    EXPECT_EQ((std::vector<int>{l.icon.x, l.icon.y}), (std::vector<int>{3, 31}));
    EXPECT_EQ((std::vector<int>{l.caption.x, l.caption.y}), (std::vector<int>{30, 15}));
    // Without an icon the caption is placed alone, against the bottom.
    l = LayOutButton2000(p, 100, 50, 0, 0, 40, 13);
    EXPECT_EQ((std::vector<int>{l.caption.x, l.caption.y}), (std::vector<int>{30, 34}));
    // Caption first at the right, icon beside it on its left, both centred vertically.
    p.PlacePremier = 2;
    p.PositionPremierX = p.PositionSecondX = 3;
    p.PositionPremierY = p.PositionSecondY = 2;
    l = LayOutButton2000(p, 100, 50, 16, 16, 40, 13);
    EXPECT_EQ((std::vector<int>{l.caption.x, l.caption.y}), (std::vector<int>{57, 18}));
    EXPECT_EQ((std::vector<int>{l.icon.x, l.icon.y}), (std::vector<int>{38, 17}));
    // A distance at the end of its range stays a number.
    p.DistanceSecondX = INT32_MIN;
    EXPECT_EQ(LayOutButton2000(p, 100, 50, 16, 16, 40, 13).icon.x, INT32_MAX);
}
