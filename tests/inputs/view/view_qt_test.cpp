// The signal view and the panel frame as the Qt host draws them (offscreen):
// pixels read back from the controls' widgets.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <set>
#include <unistd.h>
#include <vector>

#include "inputs/view/OSCView.h"
#include "inputs/view/SxGroupBox.h"
#include "platform/ui/qt/QtHost.h"

namespace vk {
namespace {

constexpr int kView = 1106, kSelected = 1092, kDisabled = 1094;
const DialogTemplate kPage{.id = 103,
                           .caption = "page",
                           .width = 400,
                           .height = 260,
                           .font = {"MS Shell Dlg", 8},
                           .style = 0,
                           .controls = {{kView, ControlKind::Frame, "", {200, 58, 190, 124}},
                                        {kSelected, ControlKind::GroupBox, "", {10, 58, 84, 158}, CS_MODALFRAME},
                                        {kDisabled, ControlKind::GroupBox, "", {100, 58, 84, 158}, CS_MODALFRAME}}};

QColor Qc(COLORREF c) { return QColor(int(GetRValue(c)), int(GetGValue(c)), int(GetBValue(c))); }

class ViewQtTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.Install();
        ASSERT_TRUE(page.Create());
    }
    QImage Grab(int id) { return host.ControlWidget(page, id)->grab().toImage(); }

    CQtHost host;
    CDialog page{kPage};
};

TEST_F(ViewQtTest, FullScaleSineFillsItsColumnsAndLeavesTheRestBlack)
{
    COSCView view;
    ASSERT_TRUE(view.Create(&page, kView));
    view.SetSweep(139264);
    const int W = view.GetClientRect().right, H = view.GetClientRect().bottom;
    ASSERT_GT(W, 100);
    ASSERT_GT(H / 4, 12);  // the title stays off the top row
    std::vector<int16_t> block(8192);
    for (size_t k = 0; k < block.size(); ++k)
        block[k] = static_cast<int16_t>(std::lround(32767 * std::sin(2 * M_PI * static_cast<double>(k) / 16)));
    view.ShowSamples(block.data(), static_cast<int>(block.size()), "Input 1 Monitored Signal");

    std::set<int> full;  // columns the block reached
    for (const Point& p : view.Trace().Points())
        if (p.y == 0)
            full.insert(p.x);
    ASSERT_GE(full.size(), 10u);
    const QImage image = Grab(kView);
    ASSERT_EQ(image.size(), QSize(W, H));
    for (const int x : full) {
        EXPECT_EQ(image.pixelColor(x, 0), QColor(0, 255, 0)) << x;
        EXPECT_EQ(image.pixelColor(x, H - 1), QColor(0, 255, 0)) << x;
    }
    for (int x = 0; x < *full.begin() - 1; ++x) {
        EXPECT_EQ(image.pixelColor(x, 0), QColor(0, 0, 0)) << x;
        EXPECT_EQ(image.pixelColor(x, H - 1), QColor(0, 0, 0)) << x;
    }
    EXPECT_EQ(image.pixelColor(W / 3, H / 4), QColor(0, 128, 0));  // the grid
}

TEST_F(ViewQtTest, TitleIsYellowFromTwelveAndAQuarterLessTwelve)
{
    COSCView view;
    ASSERT_TRUE(view.Create(&page, kView));
    view.SetSweep(139264);
    std::vector<int16_t> block(2048, 0);
    view.ShowSamples(block.data(), 2048, "Input 4 Recorded Signal");
    const int H = view.GetClientRect().bottom;
    const QImage image = Grab(kView);
    QRect yellow;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() < 80)
                yellow |= QRect(x, y, 1, 1);
        }
    ASSERT_FALSE(yellow.isEmpty());
    EXPECT_GE(yellow.left(), 12);
    EXPECT_LE(yellow.left(), 16);
    EXPECT_GE(yellow.top(), H / 4 - 12);
    EXPECT_LE(yellow.top(), H / 4 - 12 + 6);
    EXPECT_LE(yellow.bottom(), H / 4 - 12 + 16);
    EXPECT_GT(yellow.width(), 100);  // the whole title, in one line
}

TEST_F(ViewQtTest, SelectedPanelIsRedAndADisabledOneKeepsItsDefaultColours)
{
    CSxGroupBox selected, disabled;
    ASSERT_TRUE(selected.SubclassDlgItem(kSelected, &page));
    ASSERT_TRUE(disabled.SubclassDlgItem(kDisabled, &page));
    COLORREF shadow = 0, hilite = 0;
    selected.GetColors(shadow, hilite);
    EXPECT_EQ(shadow, host.SysColor(COLOR_BTNSHADOW));  // from the palette
    EXPECT_EQ(hilite, host.SysColor(COLOR_BTNHIGHLIGHT));
    selected.SetColors(RGB(250, 0, 0), RGB(100, 50, 50), true);
    disabled.SetColors(RGB(250, 0, 0), RGB(100, 50, 50), true);
    page.GetDlgItem(kDisabled).EnableWindow(false);

    const int b = page.GetDlgItem(kSelected).FrameBorder();
    const Rect f = selected.GetFrameRect();
    const QImage red = Grab(kSelected);
    EXPECT_EQ(red.pixelColor(b + f.left, b + 100), QColor(250, 0, 0));  // outer line
    EXPECT_EQ(red.pixelColor(b + f.left + 1, b + 100), QColor(100, 50, 50));
    EXPECT_EQ(red.pixelColor(b + f.right, b + 100), QColor(100, 50, 50));
    const QImage grey = Grab(kDisabled);
    EXPECT_EQ(grey.pixelColor(b + f.left, b + 100), Qc(shadow));
    EXPECT_EQ(grey.pixelColor(b + f.left + 1, b + 100), Qc(hilite));

    // The empty caption leaves its gap from 8 pixels right of the left side. The top
    // line lies 7 pixels below the frame's top at 96 dots per inch, whatever font
    // the host would pick for the stock font.
    ASSERT_EQ(host.LogPixelsY(), 96);
    const int y = f.top + 7;
    const int gap = host.MeasureText(selected.GetCaptionFont(), "  ").cx;
    ASSERT_GT(gap, 2);
    EXPECT_EQ(red.pixelColor(b + f.left + 7, b + y), QColor(250, 0, 0));
    EXPECT_EQ(red.pixelColor(b + f.left + 8, b + y), QColor(250, 0, 0));
    EXPECT_NE(red.pixelColor(b + f.left + 9, b + y), QColor(250, 0, 0));
    EXPECT_NE(red.pixelColor(b + f.left + 8 + gap - 1, b + y), QColor(250, 0, 0));
    EXPECT_EQ(red.pixelColor(b + f.left + 8 + gap + 1, b + y), QColor(250, 0, 0));
}

// The raised border is three rings, each one pixel wide on all four sides: light
// at the top and left, dark at the bottom and right, the face colour innermost.
TEST_F(ViewQtTest, RaisedBorderRingsAreOnePixelOnEverySide)
{
    CSxGroupBox panel;  // the panels paint their own frame inside the border
    ASSERT_TRUE(panel.SubclassDlgItem(kSelected, &page));
    const QImage image = Grab(kSelected);
    const int b = page.GetDlgItem(kSelected).FrameBorder();
    ASSERT_EQ(b, 3);
    const QPalette pal = host.ControlWidget(page, kSelected)->palette();
    const QRgb rings[3][2] = {{pal.color(QPalette::Midlight).rgb(), pal.color(QPalette::Shadow).rgb()},
                              {pal.color(QPalette::Light).rgb(), pal.color(QPalette::Dark).rgb()},
                              {pal.color(QPalette::Button).rgb(), pal.color(QPalette::Button).rgb()}};
    const int w = image.width(), h = image.height(), midX = w / 2, midY = h / 2;
    for (int i = 0; i < b; ++i) {
        EXPECT_EQ(image.pixel(midX, i), rings[i][0]) << "top " << i;
        EXPECT_EQ(image.pixel(i, midY), rings[i][0]) << "left " << i;
        EXPECT_EQ(image.pixel(midX, h - 1 - i), rings[i][1]) << "bottom " << i;
        EXPECT_EQ(image.pixel(w - 1 - i, midY), rings[i][1]) << "right " << i;
    }
    // The dark lines are drawn last: they own the top right and bottom left corners.
    EXPECT_EQ(image.pixel(w - 1, 0), rings[0][1]);
    EXPECT_EQ(image.pixel(0, h - 1), rings[0][1]);
    EXPECT_EQ(image.pixel(0, 0), rings[0][0]);
    EXPECT_EQ(image.pixel(w - 1, h - 1), rings[0][1]);
}

}  // namespace
}  // namespace vk
