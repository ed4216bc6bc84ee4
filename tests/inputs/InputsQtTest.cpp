// The inputs page in real Qt windows (offscreen) with real mouse events: a click
// anywhere in another channel's panel, also on its disabled controls, selects
// that channel; the gain is set with a real up-down control beside its text;
// the local levels are vertical sliders. With VK_SCREENSHOT_DIR set, the page of
// each unit type is saved there as a PNG.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <sys/stat.h>

#include "inputs/InputsSetup.h"
#include "InputsTestBed.h"
#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtLayoutCheck.h"
#include "platform/ui/qt/QtUpDown.h"
#include "tests/support/RuntimeFolder.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using testing::InputsBed;
using testing::UnitSetup;

const ChannelPanelIds& Ids(int c) { return kChannelPanels[static_cast<size_t>(c)]; }

class InputsQtTest : public InputsBed {
protected:
    static void SetUpTestSuite()
    {
        s_runtime = new test::CRuntimeFolder;
        // Offscreen, on a screen of its own if one is given (the screenshots at other text scalings).
        if (const char* qpa = std::getenv("QT_QPA_PLATFORM"); !qpa || std::string_view(qpa).rfind("offscreen", 0) != 0)
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "inputs_qt_test";
        static char* argv[] = {name, nullptr};
        s_app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite()
    {
        delete s_app;
        delete s_runtime;
    }
    void SetUp() override
    {
        InputsBed::SetUp();
        m_qt.Install();
    }
    void TearDown() override
    {
        m_page.reset();
        InputsBed::TearDown();
    }

    CInputsSetup& Open(const UnitSetup& setup)
    {
        Start(setup);
        m_page = std::make_unique<CInputsSetup>(*m_owner, 0);
        EXPECT_TRUE(m_page->Create());
        QApplication::processEvents();
        return *m_page;
    }
    QWidget* Widget(int id) { return m_qt.ControlWidget(*m_page, id); }
    QWidget* Window() { return m_qt.WindowOf(*m_page); }
    // A real left click at a point of the page's window (client pixels).
    void ClickWindowAt(QPoint p)
    {
        QWidget* target = Window()->childAt(p);
        if (!target)
            target = Window();
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(Window(), p));
        QApplication::processEvents();
    }

    static inline test::CRuntimeFolder* s_runtime = nullptr;
    static inline QApplication* s_app = nullptr;
    CQtHost m_qt;
    std::unique_ptr<CInputsSetup> m_page;
};

TEST_F(InputsQtTest, AClickAnywhereInAnotherPanelSelectsItsChannel)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone, .modes = {0, 0, 2, 15}});
    // A disabled control of channel 3: its "Use Input" box.
    QWidget* use3 = Widget(Ids(2).use);
    ASSERT_NE(use3, nullptr);
    ASSERT_FALSE(use3->isEnabled());
    m_unit->ClearLog();
    QTest::mouseClick(use3, Qt::LeftButton, {}, QPoint(4, 4));
    QApplication::processEvents();
    EXPECT_EQ(page.SelectedChannel(), 2);
    EXPECT_EQ(testing::Transcript(*m_unit), (std::vector<std::string>{"ROUTE 5 9", "ROUTE 5 13"})) << "selected once";
    EXPECT_TRUE(qobject_cast<QCheckBox*>(use3)->isChecked()) << "the click only selected: the box did not toggle";
    EXPECT_TRUE(use3->isEnabled());

    // A disabled up-down of channel 2: the press lands on one of its arrows.
    auto* spin2 = dynamic_cast<CQtUpDown*>(Widget(Ids(1).gainSpin));
    ASSERT_NE(spin2, nullptr);
    ASSERT_FALSE(spin2->UpButton()->isEnabled());
    QTest::mouseClick(spin2->UpButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(page.SelectedChannel(), 1);
    EXPECT_EQ(page.Model().GetGainStep(1), 6) << "the click only selected";

    // The empty part of channel 4's panel.
    const QRect panel4 = Widget(Ids(3).frame)->geometry();
    ClickWindowAt(QPoint(panel4.left() + 3, panel4.bottom() - 3));
    EXPECT_EQ(page.SelectedChannel(), 3);

    // Between two panels nothing happens.
    const QRect panel1 = Widget(Ids(0).frame)->geometry();
    const QRect panel2 = Widget(Ids(1).frame)->geometry();
    ASSERT_LT(panel1.right() + 2, panel2.left());
    ClickWindowAt(QPoint(panel1.right() + 2, panel1.center().y()));
    EXPECT_EQ(page.SelectedChannel(), 3);
    EXPECT_EQ(page.GetDlgItemText(IDC_TITLE), "Stand Alone Input 4 Setup");
}

TEST_F(InputsQtTest, TheGainIsSetWithTheArrowsOfARealUpDownControl)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone, .modes = {0, 0, 15, 15}});
    QWidget* spinWidget = Widget(Ids(0).gainSpin);
    EXPECT_EQ(qobject_cast<QScrollBar*>(spinWidget), nullptr);
    auto* spin = dynamic_cast<CQtUpDown*>(spinWidget);
    ASSERT_NE(spin, nullptr);
    auto* text = qobject_cast<QLineEdit*>(Widget(Ids(0).gainText));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "36.0 dB");
    EXPECT_LE(text->geometry().right() + 1, spin->geometry().left()) << "the buddy sits just left of the arrows";
    EXPECT_GE(text->geometry().right() + 3, spin->geometry().left());

    QTest::mouseClick(spin->DownButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(text->text(), "30.0 dB");
    EXPECT_EQ(qobject_cast<QLineEdit*>(Widget(Ids(1).gainText))->text(), "30.0 dB") << "microphones share the gain";
    EXPECT_EQ(DecodeGainStep(UnitLines(), UnitAddress(), 0), 5);
    QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
    QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
    QTest::mouseClick(spin->UpButton(), Qt::LeftButton);  // stops at 42 dB
    QApplication::processEvents();
    EXPECT_EQ(text->text(), "42.0 dB");
    EXPECT_EQ(page.Model().GetGainStep(0), 7);
}

// The wizard is disabled while the page runs over it; the page stays usable.
TEST_F(InputsQtTest, ThePageStaysUsableOverItsDisabledOwner)
{
    Start({.type = kUnitStandAlone});
    ASSERT_TRUE(m_owner->window.Create());
    m_page = std::make_unique<CInputsSetup>(*m_owner, 0);
    ASSERT_TRUE(m_page->Create());
    m_owner->window.EnableWindow(false);
    QApplication::processEvents();
    EXPECT_FALSE(m_qt.WindowOf(m_owner->window)->isEnabled());
    EXPECT_TRUE(Window()->isEnabled());
    EXPECT_TRUE(Widget(Ids(0).use)->isEnabled());
    EXPECT_TRUE(Widget(IDC_NEXT)->isEnabled());
    m_page.reset();
    m_owner->window.DestroyWindow();
}

TEST_F(InputsQtTest, LocalLevelsAreVerticalSliders)
{
    Open({.type = kUnitStandAlone, .modes = {2, 15, 15, 15}});
    auto* slider = qobject_cast<QSlider*>(Widget(Ids(0).local));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->orientation(), Qt::Vertical);
    EXPECT_TRUE(slider->isVisible());
    EXPECT_GT(slider->height(), slider->width()) << slider->geometry().x() << "," << slider->geometry().y() << " " << slider->width() << "x" << slider->height();
}

// Every panel of the three unit types shows its texts whole and no frame line runs
// through one; with VK_SCREENSHOT_DIR set the pages are saved there too.
TEST_F(InputsQtTest, EveryUnitTypesPageShowsItsTextsWhole)
{
    const char* dir = std::getenv("VK_SCREENSHOT_DIR");
    struct Scene {
        const char* file;
        UnitSetup setup;
        int select;
    } const scenes[] = {
        {"page7-inputs-stand-alone.png", {.type = kUnitStandAlone, .modes = {0, 0, 1, 2}, .lines = PicLineWords{0x1F5E, 0x7294}}, 0},
        {"page7-inputs-master.png", {.type = kUnitMaster, .modes = {3, 1, 2, 15}}, 1},
        {"page7-inputs-slave.png", {.type = kUnitSlave, .modes = {0, 0, 0, 15}, .lines = PicLineWords{0x031E, 0x6318}}, 0},
    };
    for (const Scene& s : scenes) {
        m_page.reset();
        m_owner.reset();
        m_bus.Unplug(m_unit ? m_unit : std::make_shared<CSimUnit>());
        CInputsSetup& page = Open(s.setup);
        if (s.select != 0)
            page.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON,
                             MakePointLParam({page.GetDlgItem(Ids(s.select).frame).GetClientRectInDialog().left + 4,
                                              page.GetDlgItem(Ids(s.select).frame).GetClientRectInDialog().bottom - 4}));
        // A voice-like test tone, drawn as the monitor would deliver it.
        CWizardAudio& monitor = page.MonitorEngine();
        monitor.m_bRecording = 1;
        for (int block = 0; block < 60; ++block) {
            {
                auto lock = monitor.LockSamples();
                for (int i = 0; i < 2048; ++i) {
                    const double t = (block * 2048 + i) / 16000.0;
                    const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 3.0 * t);
                    monitor.m_Samples[i] = static_cast<int16_t>(9000 * envelope * std::sin(2 * M_PI * 220 * t) +
                                                                3000 * std::sin(2 * M_PI * 660 * t));
                }
            }
            page.SendMessage(WM_APP + 2, reinterpret_cast<WPARAM>(&monitor.m_pSamples), 4096);
        }
        QApplication::processEvents();
        for (const std::string& fault : TextLayoutFaults(*m_qt.WindowOf(page)))
            ADD_FAILURE() << s.file << ": " << fault;
        if (dir) {
            EXPECT_TRUE(m_qt.SaveScreenshot(page, (fs::path(dir) / s.file).string()));
        }
    }
}

}  // namespace
}  // namespace vk
