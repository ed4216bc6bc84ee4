// The signal view's arithmetic (no window), and the view and the panel frame on
// the headless host, whose screen is a pixel buffer.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "inputs/view/OSCView.h"
#include "inputs/view/OscTrace.h"
#include "inputs/view/SxGroupBox.h"
#include "platform/ui/headless/HeadlessHost.h"

namespace vk {
namespace {

// --- the scale ---------------------------------------------------------------------

TEST(OscTraceScale, SamplesMapOntoTheHeight)
{
    struct Case {
        int height, e, y0, yTop, yBottom;
    };
    for (const Case& c : {Case{240, 273, 120, 0, 240}, Case{202, 324, 101, 0, 202}, Case{1, 65535, 1, 1, 1}}) {
        EXPECT_EQ(COscTrace::Scale(c.height), c.e) << c.height;
        EXPECT_EQ(COscTrace::SampleY(0, c.height), c.y0) << c.height;
        EXPECT_EQ(COscTrace::SampleY(32767, c.height), c.yTop) << c.height;
        EXPECT_EQ(COscTrace::SampleY(-32767, c.height), c.yBottom) << c.height;
        EXPECT_EQ(COscTrace::SampleY(-32768, c.height), c.yBottom) << c.height;
    }
    // A view without height divides by one, not by zero.
    EXPECT_EQ(COscTrace::SampleY(32767, 0), 0);
}

TEST(OscTraceScale, ShiftIsTwoPointsPerRoundedColumn)
{
    struct Case {
        int width, sweep, n, shift;
    };
    for (const Case& c : {Case{200, 139264, 8192, 24}, Case{200, 139264, 139264, 400}, Case{200, 139264, 0, 0},
                          Case{4, 8, 4, 4}, Case{4, 8, 3, 4}, Case{4, 8, 1, 2}, Case{285, 139264, 2048, 8}}) {
        EXPECT_EQ(COscTrace::ShiftFor(c.width, c.sweep, c.n), c.shift) << c.width << " " << c.sweep << " " << c.n;
    }
}

// --- blocks into the trace ------------------------------------------------------------

// W = 4, H = 240, N = 8: half a column per sample.
COscTrace SmallTrace()
{
    COscTrace trace;
    trace.Allocate(4, 240);
    trace.SetSweep(8);
    return trace;
}

const std::vector<Point> kFlat{{0, 120}, {0, 120}, {1, 120}, {1, 120}, {2, 120}, {2, 120}, {3, 120}, {3, 120}};
// Column 1 gets samples 0..2 (x starts at -0.5 and counts from column 0), column 2
// samples 3..4, column 3 samples 5..6; sample 7 finishes no column, so it is the
// last column's extremes for the two points left over (y 116, x kept).
const std::vector<int16_t> kFullBlock{32767, 0, -32767, 16384, -16384, 8192, -8192, 1234};
const std::vector<Point> kAfterFullBlock{{1, 0}, {1, 240}, {2, 60}, {2, 180}, {3, 90}, {3, 150}, {3, 116}, {3, 116}};

TEST(OscTraceBlocks, BlocksScrollAndAppendColumnExtremes)
{
    struct Case {
        const char* what;
        std::vector<int16_t> block;  // empty with null: no block at all
        bool null;
        int n;
        std::vector<Point> before, after;
    };
    std::vector<int16_t> longBlock = kFullBlock;
    longBlock.insert(longBlock.end(), {-32767, -32767, 32767, 32767});
    const Case cases[] = {
        {"flat trace after SetSweep", {}, true, 0, kFlat, kFlat},
        {"a full block replaces the trace", kFullBlock, false, 8, kFlat, kAfterFullBlock},
        {"only the first N samples of a longer block count", longBlock, false, 12, kFlat, kAfterFullBlock},
        {"a block of 0 samples keeps the trace", kFullBlock, false, 0, kAfterFullBlock, kAfterFullBlock},
        // n = 4: shift 4 points; x starts at 1.5, so columns 2 and 3 follow; the x of the
        // shifted points stay where they were.
        {"a partial block shifts and appends",
         {-16384, 16384, -8192, 0},
         false,
         4,
         kAfterFullBlock,
         {{1, 90}, {1, 150}, {2, 116}, {2, 116}, {2, 180}, {2, 180}, {3, 60}, {3, 150}}},
        {"a negative count changes nothing", kFullBlock, false, -1, kFlat, kFlat},
        {"a null block changes nothing", {}, true, 8, kAfterFullBlock, kAfterFullBlock},
    };
    for (const Case& c : cases) {
        COscTrace trace = SmallTrace();
        if (c.before != kFlat) {
            std::vector<int16_t> first = kFullBlock;
            trace.AddSamples(first.data(), 8);
        }
        ASSERT_EQ(std::vector<Point>(trace.Points().begin(), trace.Points().end()), c.before) << c.what;
        std::vector<int16_t> block = c.block;
        trace.AddSamples(c.null ? nullptr : block.data(), c.n);
        EXPECT_EQ(std::vector<Point>(trace.Points().begin(), trace.Points().end()), c.after) << c.what;
    }
}

// Blocks of one level, enough of them to replace the whole trace: every point ends
// on that level. When W x n / N is exactly a half (W = 34 mod 68 for n = 2048) the
// block ends inside a column; its last two points must not keep the zero line and
// scroll it left as a comb of notches.
TEST(OscTraceBlocks, SteadyBlocksLeaveNoPointBehind)
{
    struct Case {
        int width, n;
    };
    constexpr int kSweep = 139264;
    for (const Case& c : {Case{34, 2048}, Case{102, 2048}, Case{170, 2048}, Case{200, 8192}, Case{200, 2048},
                          Case{269, 2048}, Case{285, 2048}, Case{34, 139264}}) {
        COscTrace trace;
        trace.Allocate(c.width, 205);
        trace.SetSweep(kSweep);
        for (const int16_t level : {int16_t{20000}, int16_t{-9000}}) {
            // Twice a sweep: a shift rounded down scrolls less than a sweep per sweep of samples.
            for (int block = 0; block <= 2 * kSweep / c.n; ++block) {
                std::vector<int16_t> samples(static_cast<size_t>(c.n), level);
                trace.AddSamples(samples.data(), c.n);
            }
            const int y = COscTrace::SampleY(level, 205);
            int off = 0;
            for (const Point& p : trace.Points())
                off += p.y != y;
            EXPECT_EQ(off, 0) << "W " << c.width << " n " << c.n << " level " << level;
        }
    }
}

// A half column at the end of a block: its samples are the last column's extremes,
// and the next block scrolls them left like any other column.
TEST(OscTraceBlocks, HalfColumnAtTheEndGetsItsOwnExtremes)
{
    COscTrace trace;
    trace.Allocate(34, 240);
    trace.SetSweep(139264);
    std::vector<int16_t> block(2048, 0);
    block[2046] = 32767;  // in the unfinished column
    block[2047] = -32767;
    trace.AddSamples(block.data(), 2048);
    const auto points = trace.Points();
    EXPECT_EQ(points[66], (Point{33, 0}));
    EXPECT_EQ(points[67], (Point{33, 240}));
    std::vector<int16_t> quiet(2048, 0);
    trace.AddSamples(quiet.data(), 2048);
    EXPECT_EQ(trace.Points()[64].y, 0);
    EXPECT_EQ(trace.Points()[65].y, 240);
    EXPECT_EQ(trace.Points()[66].y, 120);
    EXPECT_EQ(trace.Points()[67].y, 120);
}

TEST(OscTraceBlocks, MinusFullScaleIsWrittenBackIntoTheBlock)
{
    COscTrace trace = SmallTrace();
    std::vector<int16_t> block{-32768, 5, -32768, -32767, 0, 0, 0, 0};
    trace.AddSamples(block.data(), 8);
    EXPECT_EQ(block, (std::vector<int16_t>{-32767, 5, -32767, -32767, 0, 0, 0, 0}));
    EXPECT_EQ(trace.Points()[1], (Point{1, 240}));
}

TEST(OscTraceBlocks, NoSweepOrNoArrayIgnoresBlocks)
{
    std::vector<int16_t> block = kFullBlock;
    COscTrace noSweep;
    noSweep.Allocate(4, 240);
    noSweep.AddSamples(block.data(), 8);  // N = 0 would divide by zero
    EXPECT_TRUE(noSweep.Points().empty());

    COscTrace noArray;
    noArray.SetSweep(8);
    noArray.AddSamples(block.data(), 8);
    EXPECT_FALSE(noArray.HasPoints());
}

// --- the view on the headless host ------------------------------------------------------

constexpr int kView = 1106, kPanel = 1092, kPanel2 = 1094, kPanel3 = 1095, kPanel4 = 1096;
const DialogTemplate kPage{.id = 103,
                           .caption = "page",
                           .width = 400,
                           .height = 260,
                           .font = {"MS Shell Dlg", 8},
                           .style = 0,
                           .controls = {{kView, ControlKind::Frame, "", {200, 58, 190, 124}},
                                        {kPanel, ControlKind::GroupBox, "", {10, 58, 84, 158}, CS_MODALFRAME},
                                        {kPanel2, ControlKind::GroupBox, "Type", {100, 58, 84, 158}, CS_CENTER},
                                        {kPanel3, ControlKind::GroupBox, "Type", {10, 0, 84, 50}, CS_RIGHT},
                                        {kPanel4, ControlKind::GroupBox, "Type", {100, 0, 84, 50}}}};

class HeadlessViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.Install();
        ASSERT_TRUE(page.Create());
    }
    CHeadlessHost host;
    CDialog page{kPage};
};

TEST_F(HeadlessViewTest, EveryBlockIsOneCopyOfAFreshPicture)
{
    COSCView view;
    ASSERT_TRUE(view.Create(&page, kView));
    const Rect rc = view.GetClientRect();
    EXPECT_EQ(rc, (Rect{0, 0, 285, 202}));  // the control's client area
    view.SetSweep(139264);
    EXPECT_EQ(view.Trace().Points().size(), 570u);
    EXPECT_EQ(host.BlitCount(page, kView), 0);  // Create draws off screen only

    std::vector<int16_t> block(2048, 32767);
    view.ShowSamples(block.data(), 2048, "Input 1 Monitored Signal");
    EXPECT_EQ(host.BlitCount(page, kView), 1);
    const CPixelSurface* screen = host.LastBlit(page, kView);
    ASSERT_NE(screen, nullptr);
    const int H = rc.bottom, W = rc.right;
    EXPECT_EQ(screen->Pixel(W - 1, 0), RGB(0, 255, 0));        // the newest column at the top
    EXPECT_EQ(screen->Pixel(W / 3, H / 2), RGB(0, 255, 0));    // the flat trace on y0 = 101, over the grid
    EXPECT_EQ(screen->Pixel(W / 3, H / 4), RGB(0, 128, 0));    // the grid
    EXPECT_EQ(screen->Pixel(W / 3, 3 * H / 4), RGB(0, 128, 0));
    EXPECT_EQ(screen->Pixel(W / 3, H - 5), RGB(0, 0, 0));
    // The title's first letter (block letters on the headless host) from (12, H / 4 - 12).
    EXPECT_EQ(screen->Pixel(13, H / 4 - 11), RGB(255, 255, 0));
    EXPECT_EQ(screen->Pixel(11, H / 4 - 11), RGB(0, 0, 0));

    // 0 samples: the trace stays, the picture is drawn again with the new title and copied.
    view.ShowSamples(block.data(), 0, "");
    EXPECT_EQ(host.BlitCount(page, kView), 2);
    EXPECT_EQ(host.LastBlit(page, kView)->Pixel(13, H / 4 - 11), RGB(0, 0, 0));
    EXPECT_EQ(host.LastBlit(page, kView)->Pixel(W - 1, 0), RGB(0, 255, 0));

    // A full sweep of silence and the same title again: no old trace or title is left.
    std::vector<int16_t> silence(139264, 0);
    view.ShowSamples(silence.data(), 139264, "");
    view.ShowSamples(silence.data(), 139264, "");
    EXPECT_EQ(host.LastBlit(page, kView)->Pixel(W - 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(host.LastBlit(page, kView)->Pixel(W / 3, H / 2), RGB(0, 255, 0));
    EXPECT_EQ(host.LastBlit(page, kView)->Pixel(13, H / 4 - 11), RGB(0, 0, 0));
    view.ShowSamples(silence.data(), 2048, "Input 2 Monitored Signal");
    EXPECT_EQ(host.LastBlit(page, kView)->Pixel(13, H / 4 - 11), RGB(255, 255, 0));
    const int blits = host.BlitCount(page, kView);

    // No block: the trace goes flat, nothing reaches the screen.
    view.ShowSamples(nullptr, 2048, "x");
    view.ShowSamples(block.data(), -1, "x");
    EXPECT_EQ(host.BlitCount(page, kView), blits);
    for (const Point& p : view.Trace().Points())
        EXPECT_EQ(p.y, 101);
}

TEST_F(HeadlessViewTest, ViewWithoutParentOrCreateDoesNothing)
{
    COSCView view;
    EXPECT_FALSE(view.Create(nullptr, kView));
    std::vector<int16_t> block(16, 1);
    view.SetSweep(139264);
    view.ShowSamples(block.data(), 16, "t");
    view.ShowSamples(nullptr, 0, "t");
    EXPECT_EQ(host.BlitCount(page, kView), 0);
}

// --- the panel frame -----------------------------------------------------------------------

TEST(SxGroupBoxGeometry, FrameFollowsTheExtendedStyles)
{
    struct Case {
        Rect window;
        bool modal, client, edge;
        Rect frame;
    };
    for (const Case& c : {Case{{-3, -3, 103, 203}, true, false, false, {0, 1, 99, 199}},
                          Case{{0, 0, 100, 200}, false, true, false, {2, 3, 97, 197}},
                          Case{{-3, -3, 103, 203}, true, true, false, {2, 4, 97, 196}},
                          Case{{0, 0, 100, 200}, false, false, true, {1, 2, 98, 198}},
                          Case{{0, 0, 100, 200}, false, false, false, {0, 0, 100, 200}}}) {
        EXPECT_EQ(CSxGroupBox::FrameFromWindowRect(c.window, c.modal, c.client, c.edge), c.frame)
            << c.modal << c.client << c.edge;
    }
}

TEST_F(HeadlessViewTest, ColoursDefaultsAndZeroRestoresThem)
{
    CSxGroupBox box;
    ASSERT_TRUE(box.SubclassDlgItem(kPanel, &page));
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), hilite = GetSysColor(COLOR_BTNHIGHLIGHT);
    struct Case {
        COLORREF set1, set2, get1, get2;
    };
    for (const Case& c : {Case{RGB(250, 0, 0), RGB(100, 50, 50), RGB(250, 0, 0), RGB(100, 50, 50)},
                          Case{0, 0, shadow, hilite}, Case{RGB(1, 2, 3), 0, RGB(1, 2, 3), hilite},
                          Case{0, RGB(4, 5, 6), shadow, RGB(4, 5, 6)}}) {
        box.SetColors(c.set1, c.set2, true);
        COLORREF a = 1, b = 1;
        box.GetColors(a, b);
        EXPECT_EQ(a, c.get1);
        EXPECT_EQ(b, c.get2);
    }
    EXPECT_EQ(box.GetCaptionFont().height, -11);  // 8 points at 96 dots per inch
    EXPECT_EQ(box.GetFrameRect(), (Rect{0, 1, 119, 250}));  // 126 x 257 less the modal frame
}

TEST_F(HeadlessViewTest, PanelDrawsTwoLinesWithAGapAndTheDisabledLook)
{
    CSxGroupBox box;
    ASSERT_TRUE(box.SubclassDlgItem(kPanel, &page));
    box.SetColors(RGB(250, 0, 0), RGB(100, 50, 50), true);
    const Rect f = box.GetFrameRect();
    const int y = f.top + 16 / 2 - 1;  // the stock font is 16 pixels high
    const int gap = 2 * 11 / 2;        // two blanks of the 11-pixel caption font
    CPixelSurface pixels = host.RenderControl(page, kPanel);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(pixels.Pixel(f.left, 100), RGB(250, 0, 0));         // outer line
    EXPECT_EQ(pixels.Pixel(f.left + 1, 100), RGB(100, 50, 50));   // inner line
    EXPECT_EQ(pixels.Pixel(f.right - 1, 100), RGB(250, 0, 0));
    EXPECT_EQ(pixels.Pixel(f.right, 100), RGB(100, 50, 50));
    EXPECT_EQ(pixels.Pixel(50, f.bottom), RGB(100, 50, 50));
    // The empty caption's gap: from 8 pixels right of the left side, two blanks wide.
    EXPECT_EQ(pixels.Pixel(f.left + 8, y), RGB(250, 0, 0));
    for (int x = f.left + 9; x < f.left + 8 + gap; ++x)
        EXPECT_EQ(pixels.Pixel(x, y), face) << x;
    EXPECT_EQ(pixels.Pixel(f.left + 8 + gap, y), RGB(250, 0, 0));

    page.GetDlgItem(kPanel).EnableWindow(false);
    pixels = host.RenderControl(page, kPanel);
    EXPECT_EQ(pixels.Pixel(f.left, 100), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pixels.Pixel(f.left + 1, 100), GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST_F(HeadlessViewTest, CaptionIsDrawnInItsGapByAlignment)
{
    const int cx = 6 * 11 / 2;  // " Type " in the 11-pixel caption font
    // Every box is 84 dialog units wide: a frame of 126 pixels (no modal frame).
    struct Case {
        int id, align;
        int x1;  // where the gap starts
    };
    for (const Case& c : {Case{kPanel4, CSxGroupBox::kAlignLeft, 8}, Case{kPanel3, CSxGroupBox::kAlignRight, 126 - 8 - cx},
                          Case{kPanel2, CSxGroupBox::kAlignCenter, (126 - cx) / 2}}) {
        CSxGroupBox box;
        ASSERT_TRUE(box.SubclassDlgItem(c.id, &page));
        EXPECT_EQ(box.GetAlign(), c.align) << c.id;
        const Rect f = box.GetFrameRect();
        ASSERT_EQ(f.left, 0);
        ASSERT_EQ(f.right, 126);
        const int x1 = c.x1;
        const int y = f.top + 7;
        CPixelSurface pixels = host.RenderControl(page, c.id);
        EXPECT_EQ(pixels.Pixel(x1 + 11 / 2 + 1, y), RGB(0, 0, 0)) << c.id;  // the 'T', black
        EXPECT_EQ(pixels.Pixel(x1 - 1, y), GetSysColor(COLOR_BTNSHADOW)) << c.id;
        EXPECT_EQ(pixels.Pixel(x1 + cx + 1, y), GetSysColor(COLOR_BTNSHADOW)) << c.id;

        // Disabled: the letters embossed, highlight one pixel down-right, shadow on top.
        page.GetDlgItem(c.id).EnableWindow(false);
        pixels = host.RenderControl(page, c.id);
        EXPECT_EQ(pixels.Pixel(x1 + 11 / 2 + 1, y), GetSysColor(COLOR_BTNSHADOW)) << c.id;
    }
}

}  // namespace
}  // namespace vk
