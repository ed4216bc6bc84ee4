// The Qt host's off-screen surface: one-pixel lines go straight into the image,
// column run by column run, and must light exactly the pixels the pixel surface
// (and so every headless test) lights; pictures copy between surfaces in one step.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <vector>

#include "platform/ui/PixelSurface.h"
#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtSurface.h"

namespace vk {
namespace {

constexpr Size kSize{40, 30};
constexpr COLORREF kInk = RGB(0, 255, 0);

// The pixels of a Qt surface that are not black, as a pixel surface with the ink.
CPixelSurface Lit(const CQtSurface& qt)
{
    CPixelSurface lit(kSize);
    for (int y = 0; y < kSize.cy; ++y)
        for (int x = 0; x < kSize.cx; ++x)
            if (qt.Image().pixel(x, y) != qRgb(0, 0, 0))
                lit.SetPixel(x, y, kInk);
    return lit;
}

TEST(QtSurfaceLines, OnePixelLinesLightTheSamePixelsAsThePixelSurface)
{
    // Column extremes as the signal view draws them: high, low, high, low ... one column apart.
    std::vector<Point> trace;
    for (int x = 0; x < kSize.cx; ++x) {
        const int swing = (x * 7) % 29;
        trace.push_back({x, 14 - swing / 2});
        trace.push_back({x, 15 + swing / 3});
    }
    struct Case {
        const char* what;
        std::vector<Point> points;
    };
    const Case cases[] = {
        {"a trace of column extremes", trace},
        {"one column wide, every height and direction",
         {{3, 1}, {4, 2}, {3, 4}, {4, 7}, {5, 3}, {6, 20}, {5, 29}, {6, 29}, {7, 0}, {8, 1}, {7, 1}}},
        {"vertical and single points", {{10, 5}, {10, 5}, {10, 25}, {10, 2}, {11, 2}}},
        {"shallow and diagonal", {{0, 0}, {39, 29}, {0, 29}, {39, 0}, {2, 3}, {30, 9}, {12, 10}}},
        {"leaving the surface on every side",
         {{-5, 10}, {45, 12}, {20, -8}, {21, 40}, {22, -3}, {39, 35}, {41, 5}, {40, 6}, {-1, 3}, {0, 4}, {-1, 30}}},
    };
    for (const Case& c : cases) {
        CQtSurface qt(kSize);
        CPixelSurface pixels(kSize);
        qt.Polyline(c.points, Pen{kInk, 0, false});
        pixels.Polyline(c.points, Pen{kInk, 1, false});
        const CPixelSurface lit = Lit(qt);
        int differ = 0;
        for (int y = 0; y < kSize.cy; ++y)
            for (int x = 0; x < kSize.cx; ++x)
                differ += lit.Pixel(x, y) != pixels.Pixel(x, y);
        EXPECT_EQ(differ, 0) << c.what;
    }
}

TEST(QtSurfacePictures, APictureCopiesOnlyBetweenSurfacesOfOneKindAndSize)
{
    CQtSurface source(kSize);
    source.FillRect({5, 5, 10, 10}, RGB(1, 2, 3));
    CQtSurface copy(kSize);
    EXPECT_TRUE(copy.CopyPicture(source));
    EXPECT_EQ(copy.Image(), source.Image());

    CQtSurface other({41, 30});
    CPixelSurface pixels(kSize);
    EXPECT_FALSE(other.CopyPicture(source));
    EXPECT_FALSE(copy.CopyPicture(pixels));
    EXPECT_FALSE(pixels.CopyPicture(source));
    EXPECT_EQ(other.Image().pixel(6, 6), qRgb(0, 0, 0));  // nothing drawn
}

// A result that fits the screen is not broken in the middle of a phrase.
TEST(QtMessageText, AResultThatFitsTheScreenStaysOnOneLine)
{
    QMessageBox echo;
    const QString result = " For new units: Echo Reduction is  32.4dB - Passed the test.  Limit is  30.0dB        ";
    SetMessageText(echo, "\n" + result + "\n");
    echo.show();
    QCoreApplication::processEvents();
    auto* label = echo.findChild<QLabel*>("qt_msgbox_label");
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(label->wordWrap());
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(result.trimmed()));

}

}  // namespace
}  // namespace vk
