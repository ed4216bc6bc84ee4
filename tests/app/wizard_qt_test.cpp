// The wizard in real Qt windows (offscreen): the same start pages from the same
// simulated units as with the headless host, and the About box's version line.
#include "app/AEVersionInfo.h"
#include "app/AboutDlg.h"
#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/qt/QtHost.h"
#include "tests/audio/echo/TestWav.h"
#include "WizardFixture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace vk {
namespace {

namespace fs = std::filesystem;
using K = SimUnitKind;

class WizardQtTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("vk_wizard_qt_" + std::to_string(::getpid()));
        fs::create_directories(s_dir / "runtime");
        ::chmod((s_dir / "runtime").c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", (s_dir / "runtime").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "wizard_qt_test";
        static char* argv[] = {name, nullptr};
        s_app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite()
    {
        delete s_app;
        fs::remove_all(s_dir);
    }
    void SetUp() override { m_host.Install(); }

    QAbstractButton* Button(const CDialog& dlg, int id)
    {
        return qobject_cast<QAbstractButton*>(m_host.ControlWidget(dlg, id));
    }
    QString LabelText(const CDialog& dlg, int id)
    {
        auto* label = qobject_cast<QLabel*>(m_host.ControlWidget(dlg, id));
        return label ? label->text() : QString("<no label %1>").arg(id);
    }

    static inline fs::path s_dir;
    static inline QApplication* s_app = nullptr;
    testing::CWizardEnvironment m_env{s_dir / "env"};
    CSimHidBus& m_bus = m_env.m_bus;
    CQtHost m_host;
};

TEST_F(WizardQtTest, TheWindowsShowTheStartPagesOfTheAttachedUnits)
{
    struct Case {
        const char* name;
        std::vector<K> units;
        const char* title;
        bool nextEnabled;
        // The first two choices as drawn: caption (empty: hidden) and checked.
        const char* choice1;
        bool choice1Checked;
        const char* choice2;
    } const cases[] = {
        {"no unit", {}, "Welcome to Quorvel Dravena Configuration", false, "", false, ""},
        {"two non-master units", {K::New, K::StandAlone}, "Welcome to Quorvel Dravena Configuration", false, "", false,
         ""},
        {"one new unit", {K::New}, "Unit Type Selection", true, "Stand Alone", false, "Master"},
        {"one typed unit", {K::StandAlone}, "Configuration Type", true, "Configure and test the unit", true,
         "Change the type of the unit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::shared_ptr<CSimUnit>> units;
        for (K kind : c.units) {
            units.push_back(std::make_shared<CSimUnit>(kind));
            m_bus.Plug(units.back());
        }
        CQuorvelVK550ConfigDlg dlg;
        ASSERT_TRUE(dlg.Create());
        ASSERT_NE(m_host.WindowOf(dlg), nullptr);
        EXPECT_EQ(m_host.WindowOf(dlg)->windowTitle().toStdString(), "Quorvel Dravena Configuration");
        EXPECT_EQ(LabelText(dlg, 1008).toStdString(), c.title);
        // The window draws the text's line breaks as lines.
        EXPECT_EQ(LabelText(dlg, 1009), QString::fromStdString(dlg.GetDlgItemText(1009)).replace("\r\n", "\n"));
        QAbstractButton* next = Button(dlg, 1003);
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(next->text().toStdString(), "Next >");
        EXPECT_EQ(next->isEnabled(), c.nextEnabled);
        EXPECT_FALSE(Button(dlg, 1004)->isEnabled());
        for (auto [id, caption] : {std::pair{1022, c.choice1}, std::pair{1023, c.choice2}}) {
            QAbstractButton* choice = Button(dlg, id);
            ASSERT_NE(choice, nullptr);
            EXPECT_EQ(!choice->isHidden(), *caption != '\0') << id;
            if (*caption) {
                EXPECT_EQ(choice->text().toStdString(), caption) << id;
            }
        }
        EXPECT_EQ(Button(dlg, 1022)->isChecked(), c.choice1Checked);
        EXPECT_TRUE(Button(dlg, 1014)->isHidden());
        dlg.DestroyWindow();
        for (auto& unit : units)
            m_bus.Unplug(unit);
    }
}

TEST_F(WizardQtTest, TheAboutBoxShowsTheProgramVersion)
{
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    CAboutDlg about(&dlg);
    ASSERT_TRUE(about.Create());
    EXPECT_EQ(m_host.WindowOf(about)->windowTitle().toStdString(), "About Quorvel Dravena Configuration");
    EXPECT_EQ(LabelText(about, 1013).toStdString(), "Quorvel's Dravena Config Version  4.5.6.7 ");
    about.DestroyWindow();
    dlg.DestroyWindow();
}

// The About box as a user meets it: opened from the wizard's system menu, it runs
// modally over the disabled wizard, and its OK button, Return and Escape end it.
TEST_F(WizardQtTest, TheAboutBoxRunsModallyAndEndsByMouseOrKeys)
{
    const QString aboutTitle = "About Quorvel Dravena Configuration";
    const auto okButton = [&](QWidget* about) -> QPushButton* {
        for (QPushButton* button : about->findChildren<QPushButton*>())
            if (button->text() == "OK")
                return button;
        return nullptr;
    };
    struct Case {
        const char* name;
        std::function<void(QWidget* about)> act;
    } const cases[] = {
        {"a click on OK",
         [&](QWidget* about) {
             QPushButton* ok = okButton(about);
             ASSERT_NE(ok, nullptr);
             QTest::mouseClick(ok, Qt::LeftButton, Qt::NoModifier, ok->rect().center());
         }},
        {"Return", [](QWidget* about) { QTest::keyClick(about, Qt::Key_Return); }},
        {"Escape", [](QWidget* about) { QTest::keyClick(about, Qt::Key_Escape); }},
    };
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool acted = false;
        bool okUsable = false;
        bool wizardEnabledMeanwhile = true;
        QPointer<QWidget> shown;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            QWidget* about = QApplication::activeModalWidget();
            if (acted || !about || about->windowTitle() != aboutTitle || !about->isVisible())
                return;
            acted = true;
            shown = about;
            wizardEnabledMeanwhile = dlg.IsWindowEnabled();
            okUsable = okButton(about) && okButton(about)->isEnabled() && about->isEnabled();
            c.act(about);
        });
        watch.start(5);
        // A box the user cannot end is closed by its close box after a while, so
        // the test fails instead of hanging.
        bool forced = false;
        QTimer::singleShot(5000, [&] {
            if (shown && shown->isVisible()) {
                forced = true;
                shown->close();
            }
        });
        dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX);  // returns when the About box has ended
        watch.stop();
        EXPECT_TRUE(acted);
        EXPECT_TRUE(okUsable) << "the About box or its OK button is disabled";
        EXPECT_FALSE(wizardEnabledMeanwhile) << "the wizard takes no input while the box runs";
        EXPECT_FALSE(forced) << "the box did not end by " << c.name;
        EXPECT_TRUE(dlg.IsWindowEnabled());
        EXPECT_TRUE(m_host.WindowOf(dlg)->isEnabled());
    }
    dlg.DestroyWindow();
}

// Tab until `target` has the focus, then Space: what a user without a mouse
// does. False when Tab never gets there.
bool TabToAndPress(QWidget* window, QWidget* target)
{
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window, 1000))
        return false;
    for (int i = 0; i < 60 && QApplication::focusWidget() != target; ++i)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
    if (QApplication::focusWidget() != target)
        return false;
    QTest::keyClick(target, Qt::Key_Space);
    return true;
}

// The whole road of a configured unit with the keyboard alone: Tab to Next and
// Space on page 2, on the speaker page, on each of the inputs page's four
// channels, on the output page, and on "Exit >".
TEST_F(WizardQtTest, TheRoadToTheEndWorksWithTheKeyboardAlone)
{
    auto unit = std::make_shared<CSimUnit>(K::StandAlone);
    m_bus.Plug(unit);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    QWidget* window = m_host.WindowOf(dlg);
    ASSERT_NE(window, nullptr);
    window->show();
    ASSERT_EQ(dlg.View().CurrentPage(), Page::ConfigurationType);

    // The inputs page runs modally inside the Space that opens it: its four
    // Nexts are pressed from a timer while it runs (a window that has just
    // opened may not have its focus yet: the next tick tries again).
    int inputsNexts = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        CDialog* inputs = dlg.View().InputsPage();
        if (!inputs || inputsNexts >= 4 || !m_host.WindowOf(*inputs) || !m_host.WindowOf(*inputs)->isVisible())
            return;
        if (TabToAndPress(m_host.WindowOf(*inputs), m_host.ControlWidget(*inputs, 1003)))
            ++inputsNexts;
    });
    watch.start(10);
    bool forced = false;
    // An inputs page the keys cannot end is closed by the wizard's own request
    // after a while, so the test fails instead of hanging.
    QTimer guard;  // ends with the test, so it never fires into another one
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (dlg.View().InputsPage()) {
            forced = true;
            (void)dlg.View().InputsPage()->Post(WM_APP + 2, 0, -2);
        }
    });
    guard.start(20000);

    for (int expected : {5, 8, 13}) {
        ASSERT_TRUE(TabToAndPress(window, m_host.ControlWidget(dlg, 1003))) << "Next not reached on " << dlg.View().CurrentPage();
        ASSERT_EQ(PageNumber(dlg.View().CurrentPage()), expected);
    }
    EXPECT_EQ(inputsNexts, 4);
    EXPECT_FALSE(forced) << "Tab and Space did not end the inputs page";
    ASSERT_EQ(m_host.ControlWidget(dlg, 1003)->property("text").toString().toStdString(), "Exit >");
    ASSERT_TRUE(TabToAndPress(window, m_host.ControlWidget(dlg, 1003)));
    EXPECT_EQ(dlg.Result(), IDOK);
    watch.stop();
    dlg.DestroyWindow();
    m_bus.Unplug(unit);
}

// The Qt host puts the C library into the user's locale (ctest runs this suite
// under LANG=de_DE.UTF-8, a decimal-comma locale); the texts the wizard writes
// still read the same: the echo report's figures and the proposed file name.
TEST_F(WizardQtTest, FixedTextsReadTheSameInTheUsersLocale)
{
    const std::string locale = std::setlocale(LC_NUMERIC, nullptr);
    if (locale.rfind("de_DE", 0) != 0)
        GTEST_SKIP() << "meant for LANG=de_DE.UTF-8 (ctest sets it; scripts/install-deps.sh test generates the "
                        "locale); the locale here is "
                     << locale;
    char probe[8];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5") << "the C library follows the user's locale here";

    // An echo test recording: 40 dB less echo after the test signal, -73.3 dB left.
    const fs::path echo = s_dir / "echo.wav";
    std::vector<int16_t> samples(16000 * 5);
    testwav::AddSine(samples, 16000, 0, 32000, 1000.0);
    testwav::AddSine(samples, 16000, 32000, samples.size(), 10.0);
    testwav::WriteWav(echo.string(), 1, 16000, samples);
    m_env.m_clock.SetLocalBase({2026, 12, 4, 10, 8, 5, 9, 0});

    CScriptedFileDialogs files;
    files.answers = {echo.string(), std::nullopt};
    CScriptedMessageBox boxes;
    SetFileDialogs(&files);
    SetMessageBoxes(&boxes);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.SendMessage(WM_COMMAND, 1015);
    dlg.SendMessage(WM_COMMAND, 1026);
    dlg.DestroyWindow();
    SetFileDialogs(nullptr);
    SetMessageBoxes(nullptr);

    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].caption, "Echo Test Results");
    EXPECT_EQ(boxes.asked[0].text,
              "\n\r For new units: Echo Reduction is  40.0dB - Passed the test.  Limit is  30.0dB        \n\r"
              "\n\r For old units: Residual Echo is -73.3dB - Passed the test.  Limit is -45.0dB             ");
    ASSERT_EQ(files.asked.size(), 2u);
    EXPECT_NE(files.asked[1].initialName.find("/Output_Dec 10 2026 08-05-"), std::string::npos)
        << files.asked[1].initialName;
}

}  // namespace
}  // namespace vk
