// The Qt host, offscreen: windows built from layouts, user actions, posts,
// timers and nested modal runs through real Qt event loops.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRawFont>
#include <QSlider>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <thread>
#include <unistd.h>

#include "platform/ui/Dialog.h"
#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtWindowFrames.h"
#include "platform/ui/qt/QtLayoutCheck.h"

namespace vk {
namespace {

constexpr int kTitle = 1008, kNext = 1003, kHidden = 1014, kCheck = 1022;
constexpr int kRadio1 = 1110, kRadio2 = 1112, kSlider = 1005, kMeter = 1000, kIcon = 1011, kView = 1106;
constexpr int kGroup = 1010;

const DialogTemplate kPage{
    .id = 102,
    .caption = "Quorvel Dravena Configuration",
    .width = 567,
    .height = 251,
    .font = {"MS Shell Dlg", 8},
    .style = DS_SYSMENU | DS_MODALFRAME | DS_APPWINDOW,
    .controls = {
        {kTitle, ControlKind::Static, "Welcome && &Title", {10, 10, 300, 20}},
        {kNext, ControlKind::PushButton, "Next  >", {480, 220, 70, 18}},
        {kHidden, ControlKind::PushButton, "Exit without saving", {10, 220, 70, 18}, CS_HIDDEN},
        {kCheck, ControlKind::CheckBox, "Check", {10, 40, 100, 12}},
        {kGroup, ControlKind::GroupBox, "Output", {200, 40, 60, 120}},
        {kSlider, ControlKind::Slider, "", {210, 55, 20, 100}, CS_VERTICAL | CS_TICKS},
        {kRadio1, ControlKind::RadioButton, "Microphone", {300, 40, 80, 12}, CS_GROUP},
        {kRadio2, ControlKind::RadioButton, "Line", {300, 55, 80, 12}},
        {kMeter, ControlKind::Progress, "", {270, 55, 10, 100}, CS_VERTICAL | CS_GROUP},
        {kIcon, ControlKind::IconStatic, "", {520, 10, 21, 20}, 0, 130},
        {kView, ControlKind::Frame, "", {400, 80, 100, 60}},
    }};

const DialogTemplate kSmall{.id = 100,
                            .caption = "About",
                            .width = 267,
                            .height = 61,
                            .font = {"MS Shell Dlg", 8},
                            .style = DS_SYSMENU | DS_MODALFRAME,
                            .controls = {{1, ControlKind::PushButton, "OK", {210, 40, 50, 14}, CS_DEFAULT}}};

class CTestDialog : public CDialog {
public:
    explicit CTestDialog(const DialogTemplate& tmpl, CDialog* parent = nullptr) : CDialog(tmpl, parent) {}
    std::function<bool()> onInit;
    std::function<void(unsigned)> onTimer;
    std::function<void(uint32_t, WPARAM, LPARAM)> onMessage;
    std::vector<int> commands;
    std::vector<std::pair<int, int>> scrolls;
    std::vector<Point> clicks;
    std::vector<unsigned> timers;
    int posted = 0;
    QObject guard;  // timers of a test that end with the dialog

protected:
    bool OnInitDialog() override { return onInit ? onInit() : true; }
    void OnCommand(int id) override
    {
        commands.push_back(id);
        CDialog::OnCommand(id);
    }
    void OnTimer(unsigned id) override
    {
        timers.push_back(id);
        if (onTimer)
            onTimer(id);
    }
    void OnVScroll(int, int pos, CControl* ctrl) override { scrolls.emplace_back(ctrl ? ctrl->Id() : 0, pos); }
    void OnLButtonDown(unsigned, Point p) override { clicks.push_back(p); }
    intptr_t OnMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override
    {
        ++posted;
        if (onMessage)
            onMessage(message, wParam, lParam);
        return 0;
    }
};

bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

class UiQtTest : public ::testing::Test {
protected:
    void SetUp() override { host.Install(); }
    CQtHost host;
};

// The owner runs the child modally from its first message, as the wizard runs the
// inputs page, and ends with what `result` says once the child has ended; a guard
// ends both so a broken loop fails instead of hanging.
void RunChildFromOwner(CTestDialog& owner, CTestDialog& child, std::function<int()> result = [] { return 1; })
{
    owner.onInit = [&owner] {
        owner.Post(WM_APP + 1, 0, 0);
        return true;
    };
    owner.onMessage = [&owner, &child, result = std::move(result)](uint32_t message, WPARAM, LPARAM) {
        if (message != WM_APP + 1)
            return;
        (void)child.DoModal();
        owner.EndDialog(result());
    };
    QTimer::singleShot(20000, &owner.guard, [&owner, &child] {
        child.EndDialog(-2);
        owner.EndDialog(-2);
    });
}

TEST_F(UiQtTest, WindowFromLayoutShowsCaptionsStatesAndGeometry)
{
    QTemporaryDir images;
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::blue);
    const QString iconPath = images.filePath("130.png");
    ASSERT_TRUE(icon.save(iconPath));
    RegisterImageFile(130, iconPath.toStdString());

    CTestDialog dlg(kPage);
    ASSERT_TRUE(dlg.Create());
    QWidget* window = host.WindowOf(dlg);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Quorvel Dravena Configuration");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(dlg.ClientSize().cx, dlg.ClientSize().cy));

    auto* title = qobject_cast<QLabel*>(host.ControlWidget(dlg, kTitle));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Welcome & Title");  // statics: "&&" is one ampersand, "&" marks a letter
    auto* next = qobject_cast<QAbstractButton*>(host.ControlWidget(dlg, kNext));
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->text(), "Next  >");
    EXPECT_TRUE(host.ControlWidget(dlg, kHidden)->isHidden());
    const Rect r = dlg.GetDlgItem(kNext).GetClientRectInDialog();
    EXPECT_EQ(next->geometry(), QRect(r.left, r.top, r.Width(), r.Height()));
    auto* iconLabel = qobject_cast<QLabel*>(host.ControlWidget(dlg, kIcon));
    ASSERT_NE(iconLabel, nullptr);
    EXPECT_FALSE(iconLabel->pixmap().isNull());

    // What the code sets is what the window shows.
    dlg.SetDlgItemText(kTitle, "Unit Type Selection");
    dlg.GetDlgItem(kNext).EnableWindow(false);
    dlg.GetDlgItem(kHidden).ShowWindow(SW_SHOW);
    dlg.CheckDlgButton(kCheck, BST_CHECKED);
    dlg.GetDlgItem(kCheck).SetFocus();
    ASSERT_NE(dlg.GetFocus(), nullptr);
    EXPECT_EQ(dlg.GetFocus()->Id(), kCheck);

    CControl& slider = dlg.GetDlgItem(kSlider);
    slider.SetRange(0, 24);
    slider.SetTicFreq(3);
    slider.SetPageSize(4);
    slider.SetPos(24);
    CControl& meter = dlg.GetDlgItem(kMeter);
    meter.SetRange(56, 90);
    meter.SetPos(60);
    dlg.SetWindowText("Other title");

    EXPECT_EQ(title->text(), "Unit Type Selection");
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(host.ControlWidget(dlg, kHidden)->isHidden());
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(host.ControlWidget(dlg, kCheck))->isChecked());
    auto* qslider = qobject_cast<QSlider*>(host.ControlWidget(dlg, kSlider));
    ASSERT_NE(qslider, nullptr);
    EXPECT_EQ(qslider->orientation(), Qt::Vertical);
    EXPECT_EQ(qslider->maximum(), 24);
    EXPECT_EQ(qslider->value(), 24);
    EXPECT_EQ(qslider->tickInterval(), 3);
    EXPECT_EQ(qslider->pageStep(), 4);
    auto* bar = qobject_cast<QProgressBar*>(host.ControlWidget(dlg, kMeter));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 56);
    EXPECT_EQ(bar->value(), 60);
    EXPECT_EQ(window->windowTitle(), "Other title");
    EXPECT_TRUE(dlg.scrolls.empty());  // setting from code is no user action
}

TEST_F(UiQtTest, WindowsFontsFallBackToARealSansFont)
{
    for (const char* face : {"Microsoft Sans Serif", "MS Shell Dlg", "Tahoma"}) {
        const QFont font = ToQFont({face, 0, 24, 700});
        const QFontInfo info(font);
        EXPECT_TRUE(QFontDatabase::families().contains(info.family())) << face;
        EXPECT_FALSE(info.fixedPitch()) << face;
        EXPECT_NEAR(QFontMetrics(font).height(), 24, 1) << face;  // a positive height is the line's
        EXPECT_TRUE(QRawFont::fromFont(font).supportsCharacter(QChar('A'))) << face << " has no letters";
    }
    const Size base = host.DialogBaseUnits({"MS Shell Dlg", 8});
    EXPECT_GE(base.cx, 5);
    EXPECT_LE(base.cx, 9);
    EXPECT_GE(base.cy, 11);
    EXPECT_LE(base.cy, 18);
}

TEST_F(UiQtTest, UserActionsReachTheDialogAndFollowItsRules)
{
    CTestDialog dlg(kPage);
    ASSERT_TRUE(dlg.Create());
    auto* radio1 = qobject_cast<QAbstractButton*>(host.ControlWidget(dlg, kRadio1));
    auto* radio2 = qobject_cast<QAbstractButton*>(host.ControlWidget(dlg, kRadio2));
    radio1->click();
    radio2->click();
    radio2->click();  // a checked radio button stays checked
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadio1), BST_UNCHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadio2), BST_CHECKED);
    EXPECT_FALSE(radio1->isChecked());
    EXPECT_TRUE(radio2->isChecked());

    auto* check = qobject_cast<QAbstractButton*>(host.ControlWidget(dlg, kCheck));
    check->click();
    EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), BST_CHECKED);
    EXPECT_TRUE(check->isChecked());

    qobject_cast<QAbstractButton*>(host.ControlWidget(dlg, kNext))->click();
    EXPECT_EQ(dlg.commands, (std::vector<int>{kRadio1, kRadio2, kRadio2, kCheck, kNext}));

    CControl& slider = dlg.GetDlgItem(kSlider);
    slider.SetRange(0, 24);
    qobject_cast<QSlider*>(host.ControlWidget(dlg, kSlider))->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(slider.GetPos(), 1);
    EXPECT_EQ(dlg.scrolls, (std::vector<std::pair<int, int>>{{kSlider, 1}}));

    QWidget* window = host.WindowOf(dlg);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(412, 130), window->mapToGlobal(QPointF(412, 130)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
    EXPECT_EQ(dlg.clicks, std::vector<Point>{(Point{412, 130})});

    // Esc and the close box are the cancel command; the window stays until the dialog decides.
    window->close();
    EXPECT_EQ(dlg.commands.back(), IDCANCEL);
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(UiQtTest, PostsFromAThreadAndTimersArrive)
{
    CTestDialog dlg(kSmall);
    ASSERT_TRUE(dlg.Create());
    dlg.SetTimer(4, 20);
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i)
            dlg.Post(WM_APP + 2, 0, i);
    });
    EXPECT_TRUE(SpinUntil([&] { return dlg.posted == 200 && dlg.timers.size() >= 3; }));
    worker.join();
    EXPECT_TRUE(dlg.KillTimer(4));
}

TEST_F(UiQtTest, NestedModalRunEndsWithItsResultWhileTheOwnerLivesOn)
{
    CTestDialog owner(kPage);
    CTestDialog child(kSmall, &owner);
    int childResult = 0;
    bool ownerDisabled = false;
    owner.onInit = [&] {
        owner.SetTimer(1, 15);
        owner.Post(WM_APP + 1, 0, 0);
        return true;
    };
    owner.onMessage = [&](uint32_t message, WPARAM, LPARAM) {
        if (message != WM_APP + 1)
            return;
        childResult = child.DoModal();
        owner.EndDialog(7);
    };
    child.onInit = [&] {
        owner.ShowWindow(SW_HIDE);  // as the inputs page does with the wizard
        child.SetTimer(2, 25);
        return true;
    };
    child.onTimer = [&](unsigned) {
        ownerDisabled = !owner.IsWindowEnabled();
        if (owner.timers.size() >= 3) {
            owner.ShowWindow(SW_SHOW);
            child.EndDialog(42);
        }
    };
    // A guard so a broken loop fails instead of hanging.
    QTimer::singleShot(20000, [&] {
        child.EndDialog(-2);
        owner.EndDialog(-2);
    });
    EXPECT_EQ(owner.DoModal(), 7);
    EXPECT_EQ(childResult, 42);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_GE(owner.timers.size(), 3u);
    EXPECT_EQ(host.WindowOf(owner), nullptr);
}

// A second start brings up the window the user works in: the inputs page over
// the wizard it hid (which stays hidden), or a box. A box the hidden wizard asks
// stands over the page.
TEST_F(UiQtTest, TheWindowTheUserWorksInComesToTheFront)
{
    CTestDialog owner(kPage);
    CTestDialog child(kSmall, &owner);
    QWidget* working = nullptr;
    bool ownerShownAfterRaise = true;
    QWidget* workingWithBox = nullptr;
    QWidget* box = nullptr;
    QWidget* boxParent = nullptr;
    RunChildFromOwner(owner, child);
    child.onInit = [&] {
        owner.ShowWindow(SW_HIDE);  // as the inputs page does with the wizard
        child.SetTimer(1, 10);
        return true;
    };
    child.onTimer = [&](unsigned) {
        child.KillTimer(1);
        working = host.WorkingWindow();
        host.RaiseWorkingWindow();
        ownerShownAfterRaise = host.WindowOf(owner)->isVisible();
        // The hidden wizard asks: the box stands over the page the user sees.
        (void)owner.MessageBox("You have disconnected the unit", "Dravena configurarion", MB_OK | MB_ICONWARNING);
        owner.ShowWindow(SW_SHOW);
        child.EndDialog(2);
    };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown || !shown->isVisible())
            return;
        watch.stop();
        box = shown;
        boxParent = shown->parentWidget();
        workingWithBox = host.WorkingWindow();
        shown->done(QMessageBox::Ok);
    });
    watch.start(5);
    EXPECT_EQ(owner.DoModal(), 1);
    EXPECT_NE(working, nullptr);
    EXPECT_NE(working, host.WindowOf(owner));
    EXPECT_FALSE(ownerShownAfterRaise) << "the hidden wizard came up over the inputs page";
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(workingWithBox, box);
    EXPECT_EQ(boxParent, working) << "a box of the hidden wizard must stand over the page the user sees";
}

// While a modal run has disabled the owner, a box the owner asks (the wizard's
// warning behind the inputs page) still takes the user's click.
TEST_F(UiQtTest, ABoxOfADisabledOwnerTakesTheUsersClick)
{
    CTestDialog owner(kPage);
    CTestDialog child(kSmall, &owner);
    int answer = 0;
    bool forced = false;
    RunChildFromOwner(owner, child);
    child.onInit = [&] {
        child.SetTimer(1, 10);
        return true;
    };
    child.onTimer = [&](unsigned) {
        child.KillTimer(1);
        answer = owner.MessageBox("You have disconnected the unit", "Dravena configurarion", MB_OK | MB_ICONWARNING);
        child.EndDialog(2);
    };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        watch.stop();
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        QTest::mouseClick(ok, Qt::LeftButton, Qt::NoModifier, ok->rect().center());
        QTimer::singleShot(2000, [&forced, b = QPointer<QMessageBox>(box)] {
            if (b && b->isVisible()) {
                forced = true;
                b->done(QMessageBox::Cancel);
            }
        });
    });
    watch.start(5);
    EXPECT_EQ(owner.DoModal(), 1);
    EXPECT_FALSE(forced) << "the box did not take the click";
    EXPECT_EQ(answer, IDOK);
}

TEST_F(UiQtTest, OwnerDrawnPictureAndScreenshot)
{
    CTestDialog dlg(kPage);
    ASSERT_TRUE(dlg.Create());
    CDrawing drawing;
    drawing.FillRect({0, 0, 150, 98}, RGB(0, 0, 0));
    drawing.Line({0, 40}, {150, 40}, RGB(0, 255, 0));
    dlg.GetDlgItem(kView).SetDrawing(drawing);
    const QImage image = host.ControlWidget(dlg, kView)->grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 5), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(5, 40), QColor(0, 255, 0));

    QTemporaryDir dir;
    const std::string path = dir.filePath("page.png").toStdString();
    ASSERT_TRUE(host.SaveScreenshot(dlg, path));
    const QImage shot(QString::fromStdString(path));
    EXPECT_EQ(shot.size(), host.WindowOf(dlg)->size());
}

// The look-over the screenshots and the text-scale tests rely on: it finds a text
// wider than its control and a frame line through a caption's letters, and passes
// a page where neither happens.
TEST_F(UiQtTest, TheLookOverFindsClippedAndStruckTexts)
{
    constexpr int kBox = 1200, kText = 1201;
    struct Case {
        const char* name;
        ControlTemplate text;
        const char* fault;  // part of the one fault expected; nullptr: none
    } const cases[] = {
        {"clear", {kText, ControlKind::Static, "Phantom", {210, 60, 40, 8}}, nullptr},
        {"struck", {kText, ControlKind::Static, "Phantom", {210, 40, 40, 8}}, "a frame line runs through the text"},
        {"clipped", {kText, ControlKind::PushButton, "Save Recording", {20, 60, 24, 12}}, "px wide in"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DialogTemplate page = kSmall;
        page.width = 300;
        page.height = 120;
        // A box without a caption: its top line runs through the middle of a text at its top.
        page.controls = {{kBox, ControlKind::GroupBox, "", {200, 38, 60, 60}}, c.text};
        CTestDialog dlg(page);
        ASSERT_TRUE(dlg.Create());
        const std::vector<std::string> faults = TextLayoutFaults(*host.WindowOf(dlg));
        if (!c.fault) {
            EXPECT_TRUE(faults.empty()) << faults.front();
        } else {
            ASSERT_EQ(faults.size(), 1u) << faults.front() << " / " << faults.back();
            EXPECT_NE(faults.front().find(c.fault), std::string::npos) << faults.front();
        }
        dlg.DestroyWindow();
    }
}

TEST_F(UiQtTest, PlacementMovesTheWindowAndScreensAreKnown)
{
    CTestDialog dlg(kSmall);
    ASSERT_TRUE(dlg.Create());
    WindowPlacement wp;
    ASSERT_TRUE(dlg.GetWindowPlacement(wp));
    const int width = wp.normalPosition.Width();
    wp.normalPosition = {40, 50, 40 + width, 50 + wp.normalPosition.Height()};
    ASSERT_TRUE(dlg.SetWindowPlacement(wp));
    WindowPlacement back;
    ASSERT_TRUE(dlg.GetWindowPlacement(back));
    EXPECT_EQ(back.normalPosition, wp.normalPosition);
    EXPECT_FALSE(host.Monitors().empty());
}

TEST_F(UiQtTest, ExitProcessEndsTheProgramAtOnceWithItsCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            CTestDialog dlg(kPage);
            dlg.onInit = [&] {
                CDialog::ExitProcess(3);  // from inside a handler, with windows open
                return true;
            };
            (void)dlg.DoModal();
            std::_Exit(9);  // never reached
        },
        ::testing::ExitedWithCode(3), "");
}

TEST_F(UiQtTest, MessageBoxFromAWorkerThreadNeverWaitsForTheWindowThread)
{
    // The window thread is busy (as when it joins the worker): the worker still gets its answer.
    int answer = 0;
    std::thread worker([&] { answer = AfxMessageBox("Can't open file : \n/x.wav", MB_OK | MB_ICONEXCLAMATION, "WaveOpen"); });
    worker.join();
    EXPECT_EQ(answer, IDOK);
    // The box itself shows up on the window thread.
    QMessageBox* box = nullptr;
    EXPECT_TRUE(SpinUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible())
                box = b;
        return box != nullptr;
    }));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "WaveOpen");
    EXPECT_EQ(box->text(), "Can't open file : \n/x.wav");
    box->close();
}

// The wizard hides as the inputs page is set up; its window stays until the page
// is on screen (a compositor places a dialog over its owner only while the owner
// is there), and goes at once when the page ends before it was ever shown.
TEST_F(UiQtTest, AnOwnerThatHidesForItsDialogGoesOnceTheDialogIsOnScreen)
{
    for (const bool pageShows : {true, false}) {
        SCOPED_TRACE(pageShows ? "the page shows" : "the page ends in its set-up");
        CTestDialog owner(kPage);
        CTestDialog child(kSmall, &owner);
        bool ownerUpDuringSetUp = false;
        bool ownerUpWhilePageShown = true;
        RunChildFromOwner(owner, child, [&] {
            SpinUntil([&] { return !host.WindowOf(owner)->isVisible(); }, 2000);
            return host.WindowOf(owner)->isVisible() ? 3 : 1;
        });
        child.onInit = [&] {
            owner.ShowWindow(SW_HIDE);
            ownerUpDuringSetUp = host.WindowOf(owner)->isVisible();
            if (!pageShows)
                child.EndDialog(2);
            else
                child.SetTimer(1, 10);
            return true;
        };
        child.onTimer = [&](unsigned) {
            if (!SpinUntil([&] { return !host.WindowOf(owner)->isVisible(); }, 2000))
                return child.EndDialog(-1);
            ownerUpWhilePageShown = false;
            child.EndDialog(2);
        };
        EXPECT_EQ(owner.DoModal(), 1) << "the hidden owner's window stayed on screen";
        EXPECT_TRUE(ownerUpDuringSetUp);
        EXPECT_FALSE(pageShows && ownerUpWhilePageShown) << "the owner stayed while the page was on screen";
    }
}

// A placement read before the window manager has told a window's frame must not
// be the window without its frame: the last frame seen stands in (in order).
TEST(QtWindowFramesTest, AFrameNotToldYetIsTheLastOneSeen)
{
    const QMargins titled{1, 24, 1, 1};
    const QMargins thicker{4, 30, 4, 4};
    struct Case {
        const char* what;
        QMargins reported;
        bool frameless;
        QMargins expected;
    };
    const Case cases[] = {
        {"no frame seen yet", {}, false, {}},
        {"a framed window", titled, false, titled},
        {"a window not framed yet", {}, false, titled},
        {"a frameless window", {}, true, {}},
        {"another decoration", thicker, false, thicker},
        {"not framed yet again", {}, false, thicker},
    };
    CWindowFrames frames;
    for (const Case& c : cases)
        EXPECT_EQ(frames.Choose(c.reported, c.frameless), c.expected) << c.what;
}

TEST(QtNameFilterTest, WindowsFiltersBecomeQtFilters)
{
    EXPECT_EQ(ToQtNameFilters("WAV Files (*.wav)|*.wav||"), std::vector<std::string>{"WAV Files (*.wav)"});
    EXPECT_EQ(ToQtNameFilters("wav files (*.wav)|*.wav|All Files (*.*)|*.*||"),
              (std::vector<std::string>{"wav files (*.wav)", "All Files (*.*)"}));
    EXPECT_EQ(ToQtNameFilters("Sounds|*.wav;*.aif||"), std::vector<std::string>{"Sounds (*.wav *.aif)"});
}

}  // namespace
}  // namespace vk
