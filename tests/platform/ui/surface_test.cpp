// The framework's drawing without a screen: the pixel surface the headless host
// uses, the prefix rule of captions and the disabled look.

#include <gtest/gtest.h>

#include <string>

#include "platform/ui/PixelSurface.h"
#include "platform/ui/headless/HeadlessHost.h"

namespace vk {
namespace {

TEST(PixelSurface, ShapesAreClippedToTheSurface)
{
    CPixelSurface s({10, 8}, RGB(1, 1, 1));
    s.FillRect({-5, -5, 3, 2}, RGB(9, 9, 9));
    EXPECT_EQ(s.Pixel(0, 0), RGB(9, 9, 9));
    EXPECT_EQ(s.Pixel(2, 1), RGB(9, 9, 9));
    EXPECT_EQ(s.Pixel(3, 1), RGB(1, 1, 1));
    EXPECT_EQ(s.Pixel(10, 0), 0xFFFFFFFFu);  // outside

    // A line that leaves the surface is drawn as far as it lies inside, ends included.
    const Point line[] = {{-3, 4}, {12, 4}};
    s.Polyline(line, Pen{RGB(0, 255, 0), 0, false});
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(s.Pixel(x, 4), RGB(0, 255, 0)) << x;
    EXPECT_EQ(s.Pixel(5, 3), RGB(1, 1, 1));

    // A pen of width 3 covers a square around every point, so its ends are square.
    CPixelSurface wide({10, 10});
    wide.Line({3, 5}, {6, 5}, Pen{RGB(255, 0, 0), 3, true});
    EXPECT_EQ(wide.Pixel(2, 4), RGB(255, 0, 0));
    EXPECT_EQ(wide.Pixel(7, 6), RGB(255, 0, 0));
    EXPECT_EQ(wide.Pixel(1, 5), RGB(0, 0, 0));
    EXPECT_EQ(wide.Pixel(5, 7), RGB(0, 0, 0));
}

TEST(PixelSurface, TextIsBlockLettersInCellsOfHalfItsHeight)
{
    CPixelSurface s({40, 20});
    const DialogFont font{"Tahoma", 0, 10, 700};
    EXPECT_EQ(s.GetTextExtent(font, "a b"), (Size{15, 10}));
    s.TextOut({2, 3}, "a b", font, RGB(255, 255, 0), RGB(0, 0, 255));
    EXPECT_EQ(s.Pixel(4, 5), RGB(255, 255, 0));  // inside the 'a'
    EXPECT_EQ(s.Pixel(2, 3), RGB(0, 0, 255));    // the cell's edge: background
    EXPECT_EQ(s.Pixel(9, 5), RGB(0, 0, 255));    // the blank
    EXPECT_EQ(s.Pixel(14, 5), RGB(255, 255, 0)); // the 'b'
    EXPECT_EQ(s.Pixel(18, 5), RGB(0, 0, 0));     // beyond the text
}

TEST(SurfaceHelpers, PrefixesAreTakenOutOfCaptions)
{
    struct Case {
        const char* in;
        const char* shown;
    };
    for (const Case& c : {Case{"&Record", "Record"}, Case{"Save && Go", "Save & Go"}, Case{"  ", "  "},
                          Case{"end&", "end"}, Case{"&&&x", "&x"}}) {
        EXPECT_EQ(StripPrefixes(c.in), c.shown) << c.in;
    }
}

TEST(SurfaceHelpers, DisabledTextIsEmbossed)
{
    CHeadlessHost host;  // the host gives the system colours
    host.Install();
    CPixelSurface s({30, 20}, RGB(7, 7, 7));
    DrawDisabledText(s, {0, 0}, "&A", DialogFont{"x", 0, 10, 400});
    EXPECT_EQ(s.Pixel(2, 2), GetSysColor(COLOR_BTNSHADOW));      // the letter
    EXPECT_EQ(s.Pixel(4, 9), GetSysColor(COLOR_BTNHIGHLIGHT));   // its highlight, one pixel down-right
    EXPECT_EQ(s.Pixel(6, 2), RGB(7, 7, 7));                      // one letter only: the '&' is a prefix
}

}  // namespace
}  // namespace vk
