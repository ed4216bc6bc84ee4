// Large text: at 100, 125, 150 and 200 % text scaling on a 1280x800 screen the
// wizard-sized window fits the work area, frame included, with its bottom-right
// button inside; where its designed size fits (100 and 125 %) it keeps it, and
// where it must shrink it shrinks no more than needed, its text with it. Every
// text of the real pages fits its control at each scaling. ctest runs this program once
// per scaling (VK_TEXT_SCALE percent): the offscreen screen takes its logical dpi
// from a configuration file written before Qt starts, and Qt turns that into the
// device-pixel ratio a desktop's scaling gives (VK_TEXT_MODEL=fontdpi instead
// enlarges only the fonts, as a font dpi setting without scaling does).

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetricsF>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/ui/Dialog.h"
#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtLayoutCheck.h"
#include "platform/ui/qt/QtScreenFit.h"
#include "resources/Resources.h"
#include "tests/support/OffscreenQt.h"
#include "tests/support/RuntimeFolder.h"

namespace vk {
namespace {

constexpr int kNext = 1003;
constexpr int kOutputMeter = 1000;
constexpr int kOutputMeterScale = 1114;
int TextScale()
{
    const char* value = std::getenv("VK_TEXT_SCALE");
    return value ? std::atoi(value) : 100;
}

// The wizard's size and font, with its Next button in the bottom-right corner.
const DialogTemplate kWizardSized{
    .id = 102,
    .caption = "Quorvel Dravena Configuration",
    .width = 567,
    .height = 251,
    .font = {"MS Shell Dlg", 8},
    .style = DS_SYSMENU | DS_MODALFRAME | DS_APPWINDOW,
    .controls = {{1008, ControlKind::Static, "Configuration Type", {50, 10, 300, 20}},
                 {kNext, ControlKind::PushButton, "Next >", {490, 225, 70, 18}}}};
const DialogTemplate kAboutSized{.id = 100,
                                 .caption = "About",
                                 .width = 267,
                                 .height = 61,
                                 .font = {"MS Shell Dlg", 8},
                                 .style = DS_SYSMENU | DS_MODALFRAME,
                                 .controls = {{1, ControlKind::PushButton, "OK", {210, 40, 50, 14}, CS_DEFAULT}}};

TEST(UiQtScreenFit, TheWindowFitsTheWorkAreaAtThisTextScale)
{
    CQtHost host;
    host.Install();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    SCOPED_TRACE("text scale " + std::to_string(TextScale()) + " %, work area " + std::to_string(work.width()) + "x" +
                 std::to_string(work.height()));
    ASSERT_TRUE(FitsWindowsToScreen());

    CDialog wizard(kWizardSized);
    const Size designed = wizard.ClientSize();  // at the fonts' own size
    const bool designedFits = designed.cx + kWindowFrame.left() + kWindowFrame.right() <= work.width() &&
                              designed.cy + kWindowFrame.top() + kWindowFrame.bottom() <= work.height();
    ASSERT_TRUE(wizard.Create());
    QWidget* window = host.WindowOf(wizard);
    ASSERT_NE(window, nullptr);
    EXPECT_LE(window->width() + kWindowFrame.left() + kWindowFrame.right(), work.width());
    EXPECT_LE(window->height() + kWindowFrame.top() + kWindowFrame.bottom(), work.height());
    QWidget* next = host.ControlWidget(wizard, kNext);
    ASSERT_NE(next, nullptr);
    EXPECT_TRUE(window->rect().contains(next->geometry())) << "Next lies outside the window";

    EXPECT_EQ(designedFits, TextScale() <= 125 && !std::getenv("VK_TEXT_MODEL")) << "the screen this test models";
    if (designedFits) {
        EXPECT_EQ(DialogFontScale(), 1.0) << "the designed size fits: nothing shrinks";
        EXPECT_EQ(window->size(), QSize(designed.cx, designed.cy));
    } else {
        // Shrunk no more than needed: the window fills the work area's width or height.
        EXPECT_LT(DialogFontScale(), 1.0);
        EXPECT_TRUE(window->width() + kWindowFrame.left() + kWindowFrame.right() >= work.width() - 1 ||
                    window->height() + kWindowFrame.top() + kWindowFrame.bottom() >= work.height() - 1)
            << window->width() << "x" << window->height();
        // And its text with it: the font's average letter is no wider than the shrunk
        // base unit allows and at most a tenth narrower (not a base-unit step smaller).
        const Size base = host.DialogBaseUnits(kWizardSized.font);
        const double letter = QFontMetricsF(window->font()).horizontalAdvance(
                                  QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
        EXPECT_LE(letter, base.cx * DialogFontScale() + 0.5);
        EXPECT_GE(letter, base.cx * DialogFontScale() * 0.9);
    }

    // A dialog opened later keeps the scale, so the run keeps one look.
    const double scale = DialogFontScale();
    CDialog about(kAboutSized, &wizard);
    ASSERT_TRUE(about.Create());
    EXPECT_EQ(DialogFontScale(), scale);
    if (const char* folder = std::getenv("VK_FIT_SCREENSHOTS")) {
        const std::string name = std::string(folder) + "/fit-" + std::to_string(TextScale()) + ".png";
        EXPECT_TRUE(host.SaveScreenshot(wizard, name));
    }
    about.DestroyWindow();
    wizard.DestroyWindow();
}

// The real pages at this scale: the wizard with every control of every page shown
// and the inputs page; every text fits its control and no frame line crosses one.
TEST(UiQtScreenFit, EveryTextOfThePagesFitsAtThisTextScale)
{
    CQtHost host;
    host.Install();
    for (const DialogTemplate* layout : {&kWizardTemplate, &kInputsTemplate, &kAboutTemplate}) {
        DialogTemplate shown = *layout;
        for (ControlTemplate& c : shown.controls)
            c.style &= ~CS_HIDDEN;
        // Controls shown on different pages share a place: check them one page's worth at a time.
        for (const bool typeChoice : {true, false}) {
            DialogTemplate page = shown;
            if (layout == &kWizardTemplate) {
                std::erase_if(page.controls, [&](const ControlTemplate& c) {
                    const bool isType = c.id >= 1022 && c.id <= 1025;
                    const bool isLevels = c.id == 1010 || c.id == 1005 || c.id == 1013 || c.id == 1007 || c.id == 1000 ||
                                          c.id == 1114 || c.id == 1109 || c.id == 1110 || c.id == 1112;
                    return typeChoice ? isLevels : isType;
                });
            } else if (!typeChoice) {
                continue;
            }
            CDialog dlg(page);
            ASSERT_TRUE(dlg.Create());
            for (const std::string& fault : TextLayoutFaults(*host.WindowOf(dlg)))
                ADD_FAILURE() << page.caption << " (" << page.id << "): " << fault;
            // The output meter's scale spans the meter, so its marks read the bar.
            const QWidget* meter = host.ControlWidget(dlg, kOutputMeter);
            const QWidget* scale = host.ControlWidget(dlg, kOutputMeterScale);
            if (meter && scale && meter->isVisibleTo(host.WindowOf(dlg))) {
                EXPECT_EQ(scale->x(), meter->x());
                EXPECT_EQ(scale->width(), meter->width());
                EXPECT_GE(scale->y(), meter->geometry().bottom());
            }
            dlg.DestroyWindow();
        }
    }
}

}  // namespace
}  // namespace vk

int main(int argc, char** argv)
{
    // A 1280x800 offscreen screen at the scaling asked for, described in a folder of its own.
    const vk::test::CRuntimeFolder screenFolder;
    if (screenFolder.Path().empty())
        return 1;
    const int percent = vk::TextScale();
    const bool fontDpi = std::getenv("VK_TEXT_MODEL") && std::string(std::getenv("VK_TEXT_MODEL")) == "fontdpi";
    const std::string config = (screenFolder.Path() / "screen.json").string();
    if (FILE* f = std::fopen(config.c_str(), "w")) {
        // VK_SCREEN=WIDTHxHEIGHT, 1280x800 unless given.
        int width = 1280, height = 800;
        if (const char* screen = std::getenv("VK_SCREEN"))
            (void)std::sscanf(screen, "%dx%d", &width, &height);
        std::fprintf(f, "{\"screens\":[{\"name\":\"screen\",\"x\":0,\"y\":0,\"width\":%d,\"height\":%d,"
                        "\"logicalDpi\":%d,\"logicalBaseDpi\":96,\"dpr\":1}]}\n",
                     width, height, fontDpi ? 96 : 96 * percent / 100);
        std::fclose(f);
    }
    if (fontDpi)
        setenv("QT_FONT_DPI", std::to_string(96 * percent / 100).c_str(), 1);
    return vk::test::RunOffscreenQtTests(argc, argv, ("offscreen:configfile=" + config).c_str());
}
