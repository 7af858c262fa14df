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

TEST(WindowPlacement, DefaultStoredMaximisedAndUnparsableTexts)
{
    constexpr int any = -1;
    const struct {
        const char* text;
        ScreenMetrics screen;
        WindowPlacement::Kind kind;
        bool maximised;
        int top, left, height, width;
        const char* why;
    } cases[] = {
        {"Default", k1024, WindowPlacement::Designed, false, 0, 0, 450, 620, "the corner in the designed size"},
        {"Default", {1280, 1024, 120}, WindowPlacement::Designed, false, any, any, 563, 775, "450 * 1.25 rounds up"},
        {"Default", {1280, 1024, 110}, WindowPlacement::Designed, false, any, any, 450, 620, "grows from 120 only"},
        {"0 900 10 450 620", k1024, WindowPlacement::Stored, false, 0, 0, 450, 620, "the last fifth pulls back"},
        {"0 614 819 300 400", k1024, WindowPlacement::Stored, false, 614, 819, any, any, "614 * 10 <= 768 * 8"},
        {"1 10 820 300 400", k1024, WindowPlacement::Stored, false, any, 0, any, any, "minimised opens normal"},
        {"2", k1024, WindowPlacement::Designed, true, any, any, any, 620, "maximised"},
        {"0 10 20", k1024, WindowPlacement::Centred, false, any, any, 450, 620, "unparsable"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + ": " + c.why);
        const WindowPlacement w = PlaceWindow(c.text, c.screen);
        EXPECT_EQ(w.kind, c.kind);
        EXPECT_EQ(w.maximised, c.maximised);
        for (const auto& [got, expected] : {std::pair{w.top, c.top}, {w.left, c.left}, {w.height, c.height},
                                            {w.width, c.width}})
            if (expected != any)
                EXPECT_EQ(got, expected);
    }
}

TEST(WindowPlacement, MulDivRoundsAndRefusesAZeroDivisor)
{
    EXPECT_EQ(MulDiv(620, 144, 96), 930);
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}
