#include "settings/window_placement.h"

#include <gtest/gtest.h>

using namespace kp;

namespace {
const ScreenMetrics k1024 {1024, 768, 96};
}

TEST(WindowPlacement, ParsesStateAndFourNumbersInTheirOrder)
{
    const auto p = ParsePlacement("0 120 200 450 620");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->state, 0);
    EXPECT_EQ(p->top, 120);
    EXPECT_EQ(p->left, 200);
    EXPECT_EQ(p->height, 450);
    EXPECT_EQ(p->width, 620);
    EXPECT_EQ(FormatPlacement(*p), "0 120 200 450 620");
    EXPECT_EQ(ParsePlacement("2")->state, 2);
    EXPECT_EQ(ParsePlacement("2 junk")->state, 2) << "a maximised text ends after its digit";
    EXPECT_EQ(ParsePlacement("7 1 2 3 4")->state, 0);
    EXPECT_EQ(ParsePlacement("0 -8 -8 300 400")->top, -8);
    EXPECT_EQ(FormatPlacement({2, 5, 5, 5, 5}), "2");
    for (const char* bad : {"", "x 1 2 3 4", "0 1 2 3", "0 1 2 3 4x", "0  1 2 3", "0 1 2 3 ", "Default"})
        EXPECT_FALSE(ParsePlacement(bad)) << bad;
}

TEST(WindowPlacement, DefaultIsTheCornerInTheDesignedSize)
{
    WindowPlacement w = PlaceWindow("Default", k1024);
    EXPECT_EQ(w.kind, WindowPlacement::Designed);
    EXPECT_EQ(w.top, 0);
    EXPECT_EQ(w.left, 0);
    EXPECT_EQ(w.width, 620);
    EXPECT_EQ(w.height, 450);
    EXPECT_FALSE(w.maximised);
    w = PlaceWindow("Default", {1280, 1024, 120});
    EXPECT_EQ(w.width, 775);
    EXPECT_EQ(w.height, 563) << "450 * 120 / 96 = 562.5 rounds up";
    EXPECT_EQ(PlaceWindow("Default", {1280, 1024, 110}).width, 620) << "below 120 pixels per inch nothing grows";
}

TEST(WindowPlacement, LastFifthOfTheScreenPullsToTheCorner)
{
    WindowPlacement w = PlaceWindow("0 900 10 450 620", k1024);
    EXPECT_EQ(w.kind, WindowPlacement::Stored);
    EXPECT_EQ(w.top, 0);
    EXPECT_EQ(w.left, 0);
    EXPECT_EQ(w.height, 450);
    EXPECT_EQ(w.width, 620);
    w = PlaceWindow("0 614 819 300 400", k1024);
    EXPECT_EQ(w.top, 614) << "614 * 10 is not above 768 * 8";
    EXPECT_EQ(w.left, 819);
    w = PlaceWindow("1 10 820 300 400", k1024);
    EXPECT_EQ(w.left, 0);
    EXPECT_FALSE(w.maximised) << "minimised opens normal";
}

TEST(WindowPlacement, MaximisedAndUnparsableTexts)
{
    WindowPlacement w = PlaceWindow("2", k1024);
    EXPECT_TRUE(w.maximised);
    EXPECT_EQ(w.kind, WindowPlacement::Designed);
    EXPECT_EQ(w.width, 620);
    w = PlaceWindow("0 10 20", k1024);
    EXPECT_EQ(w.kind, WindowPlacement::Centred);
    EXPECT_EQ(w.width, 620);
    EXPECT_EQ(w.height, 450);
    EXPECT_EQ(MulDiv(620, 144, 96), 930);
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}
