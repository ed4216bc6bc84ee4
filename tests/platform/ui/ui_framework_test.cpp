// The dialog framework driven by the headless host on the virtual clock.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/clock/Clock.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/headless/HeadlessHost.h"

namespace vk {
namespace {

constexpr int kOkButton = 1;
constexpr int kRunChild = 1001;
constexpr int kCheck = 1002;
constexpr int kSlider = 1005;
constexpr int kRadioA1 = 1010, kRadioA2 = 1011, kRadioB1 = 1012, kRadioB2 = 1013;
constexpr int kHiddenButton = 1014;

const DialogTemplate kOwnerTemplate{
    .id = 102,
    .caption = "Owner",
    .width = 567,
    .height = 251,
    .font = {"MS Shell Dlg", 8},
    .style = DS_SYSMENU | DS_MODALFRAME,
    .controls = {
        {kOkButton, ControlKind::PushButton, "OK", {10, 10, 50, 14}},
        {kRunChild, ControlKind::PushButton, "Child", {70, 10, 50, 14}},
        {kCheck, ControlKind::CheckBox, "Check", {10, 30, 50, 10}},
        {kSlider, ControlKind::Slider, "", {10, 50, 20, 100}, CS_VERTICAL},
        {kRadioA1, ControlKind::RadioButton, "A1", {100, 30, 50, 10}, CS_GROUP},
        {kRadioA2, ControlKind::RadioButton, "A2", {100, 40, 50, 10}},
        {kRadioB1, ControlKind::RadioButton, "B1", {100, 60, 50, 10}, CS_GROUP},
        {kRadioB2, ControlKind::RadioButton, "B2", {100, 70, 50, 10}},
        {kHiddenButton, ControlKind::PushButton, "Hidden", {200, 10, 50, 14}, CS_HIDDEN},
    }};

const DialogTemplate kChildTemplate{.id = 100,
                                    .caption = "Child",
                                    .width = 267,
                                    .height = 61,
                                    .font = {"MS Shell Dlg", 8},
                                    .style = DS_SYSMENU | DS_MODALFRAME,
                                    .controls = {{kOkButton, ControlKind::PushButton, "OK", {200, 40, 50, 14}}}};

// Records everything it receives.
class CRecordingDialog : public CDialog {
public:
    explicit CRecordingDialog(const DialogTemplate& tmpl, CDialog* parent = nullptr) : CDialog(tmpl, parent) {}

    std::vector<unsigned> timers;           // ids in firing order
    std::vector<uint64_t> timerTimes;       // virtual time of each
    std::vector<PostedMessage> messages;    // WM_APP and other messages
    std::vector<int> commands;
    std::vector<std::pair<int, int>> scrolls;  // control id, position
    std::vector<Point> clicks;
    int paints = 0;
    int destroyed = 0;
    int childResult = 0;
    CDialog* child = nullptr;

protected:
    void OnTimer(unsigned id) override
    {
        timers.push_back(id);
        timerTimes.push_back(Clock().NowMs());
    }
    intptr_t OnMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back({message, wParam, lParam});
        return 0;
    }
    void OnCommand(int id) override
    {
        commands.push_back(id);
        if (id == kRunChild && child)
            childResult = child->DoModal();
        else
            CDialog::OnCommand(id);
    }
    void OnVScroll(int, int pos, CControl* ctrl) override { scrolls.emplace_back(ctrl ? ctrl->Id() : 0, pos); }
    void OnLButtonDown(unsigned, Point p) override { clicks.push_back(p); }
    void OnPaint() override { ++paints; }
    void OnDestroy() override { ++destroyed; }
};

class UiFrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(&clock);
        host.Install();
    }
    void TearDown() override { SetClock(nullptr); }

    CVirtualClock clock{1000};
    CHeadlessHost host;
};

TEST_F(UiFrameworkTest, TimersFireOnVirtualTimeInOrderAndCostNothing)
{
    CRecordingDialog dlg(kOwnerTemplate);
    ASSERT_TRUE(dlg.Create());
    dlg.SetTimer(1, 5000);
    dlg.SetTimer(2, 180000);
    host.AdvanceTime(179999);
    EXPECT_EQ(std::count(dlg.timers.begin(), dlg.timers.end(), 1u), 35);
    EXPECT_EQ(std::count(dlg.timers.begin(), dlg.timers.end(), 2u), 0);
    host.AdvanceTime(1);
    ASSERT_EQ(std::count(dlg.timers.begin(), dlg.timers.end(), 2u), 1);
    // Timer 2 fired exactly at its due time.
    const auto two = std::find(dlg.timers.begin(), dlg.timers.end(), 2u) - dlg.timers.begin();
    EXPECT_EQ(dlg.timerTimes[static_cast<size_t>(two)], 1000u + 180000u);

    EXPECT_TRUE(dlg.KillTimer(1));
    EXPECT_FALSE(dlg.KillTimer(1));
    dlg.timers.clear();
    host.AdvanceTime(20000);
    EXPECT_EQ(dlg.timers, std::vector<unsigned>{});  // 2 is 160 s away, 1 is gone
}

TEST_F(UiFrameworkTest, RestartingATimerCoalescesABurst)
{
    // Three notifications 50 ms apart restart a 200 ms timer: one expiry, 200 ms after the third.
    CRecordingDialog dlg(kOwnerTemplate);
    ASSERT_TRUE(dlg.Create());
    for (int i = 0; i < 3; ++i) {
        dlg.SetTimer(3, 200);
        host.AdvanceTime(50);
    }
    EXPECT_TRUE(dlg.timers.empty());
    host.AdvanceTime(149);
    EXPECT_TRUE(dlg.timers.empty());
    host.AdvanceTime(1);
    ASSERT_EQ(dlg.timers, std::vector<unsigned>{3});
    EXPECT_EQ(dlg.timerTimes[0], 1000u + 100u + 200u);
}

TEST_F(UiFrameworkTest, NestedModalLoopKeepsOwnersTimersAndPostsAlive)
{
    CRecordingDialog owner(kOwnerTemplate);
    CRecordingDialog child(kChildTemplate, &owner);
    owner.child = &child;
    owner.SetTimer(2, 180000);  // no window yet: ignored, as with the classic call
    EXPECT_FALSE(owner.HasTimer(2));

    bool ownerDisabledInside = false;
    host.Then([&](CHeadlessHost& h) {
            owner.SetTimer(2, 180000);
            h.ActiveModal()->ClickControl(kRunChild);  // the owner's handler runs the child modally
        })
        .Then([&](CHeadlessHost& h) {
            ASSERT_EQ(h.ActiveModal(), &child);
            ownerDisabledInside = !owner.IsWindowEnabled();
            EXPECT_TRUE(owner.Post(WM_APP + 1, 0, 0));
            h.AdvanceTime(180000);  // inside the child's loop
        })
        .Then([&](CHeadlessHost& h) {
            EXPECT_EQ(h.ModalDepth(), 2u);
            child.ClickControl(kOkButton);
        })
        .Then([&](CHeadlessHost& h) {
            EXPECT_EQ(h.ActiveModal(), &owner);
            owner.EndDialog(7);
        });
    EXPECT_EQ(owner.DoModal(), 7);

    EXPECT_FALSE(host.Stalled());
    EXPECT_TRUE(ownerDisabledInside);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(owner.childResult, IDOK);
    EXPECT_EQ(owner.timers, std::vector<unsigned>{2});
    EXPECT_EQ(owner.messages, (std::vector<PostedMessage>{{WM_APP + 1, 0, 0}}));
    EXPECT_EQ(child.destroyed, 1);
    EXPECT_EQ(owner.destroyed, 1);
    EXPECT_FALSE(owner.HasWindow());
    EXPECT_FALSE(owner.Post(WM_APP + 1, 0, 0));  // the window is gone
}

TEST_F(UiFrameworkTest, LoopWithNothingLeftToDoEndsWithMinusOne)
{
    CRecordingDialog dlg(kOwnerTemplate);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_TRUE(host.Stalled());
    EXPECT_FALSE(dlg.HasWindow());
}

TEST_F(UiFrameworkTest, ExitProcessLeavesEveryModalLoop)
{
    CRecordingDialog owner(kOwnerTemplate);
    CRecordingDialog child(kChildTemplate, &owner);
    owner.child = &child;
    host.Then([&](CHeadlessHost&) { owner.ClickControl(kRunChild); }).Then([&](CHeadlessHost&) {
        CDialog::ExitProcess(0);
    });
    EXPECT_EQ(owner.DoModal(), -1);
    EXPECT_TRUE(host.Exited());
    EXPECT_EQ(host.ExitCode(), 0);
    EXPECT_EQ(owner.childResult, -1);
    EXPECT_EQ(host.StepsLeft(), 0u);
}

TEST_F(UiFrameworkTest, PostsFromAnotherThreadArriveInOrderOnTheWindowThread)
{
    CRecordingDialog dlg(kOwnerTemplate);
    constexpr int kCount = 500;
    std::thread worker;
    std::atomic<bool> refused{false};
    host.Then([&](CHeadlessHost&) {
            worker = std::thread([&] {
                for (int i = 0; i < kCount; ++i)
                    if (!dlg.Post(WM_APP + 2, static_cast<WPARAM>(i), -1))
                        refused = true;
            });
        })
        .ThenWaitFor([&](CHeadlessHost&) { return dlg.messages.size() == kCount; })
        .Then([&](CHeadlessHost&) { dlg.EndDialog(0); });
    EXPECT_EQ(dlg.DoModal(), 0);
    worker.join();
    EXPECT_FALSE(refused);
    ASSERT_EQ(dlg.messages.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(dlg.messages[static_cast<size_t>(i)].wParam, static_cast<WPARAM>(i));
}

TEST_F(UiFrameworkTest, WaitingForSomethingThatNeverComesStallsInsteadOfHanging)
{
    CRecordingDialog dlg(kOwnerTemplate);
    host.ThenWaitFor([](CHeadlessHost&) { return false; }, 20);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_TRUE(host.Stalled());
}

TEST_F(UiFrameworkTest, PostedMessagesComeBeforeTimersAndPaintsCoalesce)
{
    CRecordingDialog dlg(kOwnerTemplate);
    ASSERT_TRUE(dlg.Create());
    dlg.SetTimer(1, 10);
    clock.Advance(10);
    ASSERT_TRUE(dlg.Post(0x384, 0, 6));
    dlg.Invalidate();
    dlg.Invalidate();
    host.RunUntilIdle();
    EXPECT_EQ(dlg.messages, (std::vector<PostedMessage>{{0x384, 0, 6}}));
    EXPECT_EQ(dlg.timers, std::vector<unsigned>{1});
    EXPECT_EQ(dlg.paints, 1);
    EXPECT_EQ(host.PaintCount(dlg), 1);
}

TEST_F(UiFrameworkTest, ClicksFollowTheControlsKindGroupAndState)
{
    CRecordingDialog dlg(kOwnerTemplate);
    ASSERT_TRUE(dlg.Create());
    dlg.CheckDlgButton(kRadioB1, BST_CHECKED);

    EXPECT_TRUE(dlg.ClickControl(kRadioA2));
    EXPECT_TRUE(dlg.ClickControl(kRadioA1));
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioA1), BST_CHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioA2), BST_UNCHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioB1), BST_CHECKED);  // another group is left alone

    EXPECT_TRUE(dlg.ClickControl(kCheck));
    EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), BST_CHECKED);
    EXPECT_TRUE(dlg.ClickControl(kCheck));
    EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), BST_UNCHECKED);

    // Hidden or disabled controls take no click; a click on a disabled window neither.
    EXPECT_FALSE(dlg.ClickControl(kHiddenButton));
    dlg.GetDlgItem(kCheck).EnableWindow(false);
    EXPECT_FALSE(dlg.ClickControl(kCheck));
    EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), BST_UNCHECKED);
    EXPECT_FALSE(dlg.ClickControl(4242));
    EXPECT_EQ(dlg.commands, (std::vector<int>{kRadioA2, kRadioA1, kCheck, kCheck}));
}

TEST_F(UiFrameworkTest, FocusFollowsUserActionsAndCanBeGivenBack)
{
    CRecordingDialog dlg(kOwnerTemplate);
    EXPECT_EQ(dlg.GetFocus(), nullptr);  // no window
    ASSERT_TRUE(dlg.Create());
    dlg.GetDlgItem(kSlider).SetRange(0, 24);
    ASSERT_TRUE(dlg.ScrollControl(kSlider, 4));
    ASSERT_NE(dlg.GetFocus(), nullptr);
    EXPECT_EQ(dlg.GetFocus()->Id(), kSlider);
    CControl* remembered = dlg.GetFocus();
    ASSERT_TRUE(dlg.ClickControl(kCheck));
    EXPECT_EQ(dlg.GetFocus()->Id(), kCheck);
    remembered->SetFocus();
    EXPECT_EQ(dlg.GetFocus(), remembered);
}

TEST_F(UiFrameworkTest, SlidersKeepTheirPositionInRangeAndReportScrolls)
{
    CRecordingDialog dlg(kOwnerTemplate);
    ASSERT_TRUE(dlg.Create());
    CControl& slider = dlg.GetDlgItem(kSlider);
    slider.SetRange(0, 24);
    slider.SetPos(30);
    EXPECT_EQ(slider.GetPos(), 24);
    EXPECT_TRUE(dlg.scrolls.empty());  // setting from code sends nothing
    EXPECT_TRUE(dlg.ScrollControl(kSlider, 3, SB_THUMBTRACK));
    EXPECT_TRUE(dlg.ScrollControl(kSlider, -5));
    EXPECT_EQ(dlg.scrolls, (std::vector<std::pair<int, int>>{{kSlider, 3}, {kSlider, 0}}));
    EXPECT_FALSE(dlg.ScrollControl(kCheck, 1));
}

TEST_F(UiFrameworkTest, MouseClicksArriveInClientPixels)
{
    CRecordingDialog dlg(kOwnerTemplate);
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(dlg.Post(WM_LBUTTONDOWN, MK_LBUTTON, MakePointLParam({300, 17})));
    host.RunUntilIdle();
    EXPECT_EQ(dlg.clicks, std::vector<Point>{(Point{300, 17})});
}

TEST_F(UiFrameworkTest, MissingControlIdGivesADetachedStandIn)
{
    CRecordingDialog dlg(kOwnerTemplate);
    CControl& missing = dlg.GetDlgItem(9999);
    missing.SetWindowText("x");
    EXPECT_EQ(dlg.FindControl(9999), nullptr);
    EXPECT_EQ(&dlg.GetDlgItem(9999), &missing);
}

TEST_F(UiFrameworkTest, LayoutMapsDialogUnitsWithTheFontsBaseUnits)
{
    CRecordingDialog dlg(kOwnerTemplate);
    EXPECT_EQ(dlg.ClientSize(), (Size{851, 408}));  // 567 x 251 units at 6 x 13
    EXPECT_EQ(dlg.MapDialogRect({10, 50, 20, 100}), (Rect{15, 81, 45, 244}));
    EXPECT_EQ(dlg.GetDlgItem(kSlider).GetClientRectInDialog(), (Rect{15, 81, 45, 244}));
}

TEST_F(UiFrameworkTest, PlacementAndNearestMonitor)
{
    host.monitors = {{{0, 0, 1920, 1080}, {0, 30, 1920, 1080}}, {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1000}}};
    struct Case {
        Rect r;
        int expectedWorkLeft;
    };
    const Case cases[] = {
        {{100, 80, 700, 480}, 0},       // inside the first
        {{1800, 10, 2400, 410}, 1920},  // mostly on the second
        {{-700, 10, -100, 410}, 0},     // off every screen, nearest the first
        {{4000, 10, 4600, 410}, 1920},  // off every screen, nearest the second
    };
    for (const Case& c : cases) {
        MonitorInfo info;
        ASSERT_TRUE(CDialog::MonitorFromRect(c.r, info));
        EXPECT_EQ(info.workArea.left, c.expectedWorkLeft);
    }
    host.monitors.clear();
    MonitorInfo none;
    EXPECT_FALSE(CDialog::MonitorFromRect({0, 0, 10, 10}, none));

    CRecordingDialog dlg(kOwnerTemplate);
    WindowPlacement wp;
    EXPECT_FALSE(dlg.GetWindowPlacement(wp));  // no window yet
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(dlg.GetWindowPlacement(wp));
    EXPECT_EQ(wp.normalPosition.Width(), 851);
    wp.normalPosition = {10, 20, 400, 300};
    wp.showCmd = SW_SHOWNORMAL;
    ASSERT_TRUE(dlg.SetWindowPlacement(wp));
    WindowPlacement back;
    ASSERT_TRUE(dlg.GetWindowPlacement(back));
    EXPECT_EQ(back, wp);
}

TEST_F(UiFrameworkTest, PromptsAreAnsweredFromTheScriptAndRecorded)
{
    CRecordingDialog dlg(kOwnerTemplate);
    host.messageBoxes.answers = {IDNO};
    EXPECT_EQ(dlg.MessageBox("Do you realy want to exit ?", "Dravena configurarion", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
    EXPECT_EQ(dlg.MessageBox("second", "c", MB_YESNO), IDYES);  // script exhausted: the default button
    ASSERT_EQ(host.messageBoxes.asked.size(), 2u);
    EXPECT_EQ(host.messageBoxes.asked[0].caption, "Dravena configurarion");
    EXPECT_EQ(host.messageBoxes.asked[0].type, MB_YESNO | MB_ICONEXCLAMATION);

    host.fileDialogs.answers = {std::string("/tmp/rec/Output_1"), std::nullopt};
    CFileDialog save(false, ".wav", "/tmp/Output_Mar 05 2013 14-07-31.wav", 0, "WAV Files (*.wav)|*.wav||", &dlg);
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/rec/Output_1.wav");
    CFileDialog open(true, ".wav", ".\\WaveFiles\\Echo_Test.wav", 0, "wav files (*.wav)|*.wav|All Files (*.*)|*.*||");
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    ASSERT_EQ(host.fileDialogs.asked.size(), 2u);
    EXPECT_EQ(host.fileDialogs.asked[0],
              (FileDialogRequest{false, ".wav", "/tmp/Output_Mar 05 2013 14-07-31.wav", 0, "WAV Files (*.wav)|*.wav||"}));
    EXPECT_TRUE(host.fileDialogs.asked[1].open);
}

// A program whose window system did not start must not run its dialogs unseen:
// without a host the framework stops with a message that says what is missing.
TEST(UiFrameworkWithoutHostTest, WindowsWithoutAHostStopTheProgramWithAClearMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_FALSE(HasUiHost());
    CRecordingDialog unshown(kChildTemplate);
    unshown.EndDialog(3);  // no window, nothing to wake: fine without a host
    EXPECT_EQ(unshown.Result(), 3);
    EXPECT_DEATH(
        {
            CRecordingDialog dlg(kChildTemplate);
            (void)dlg.DoModal();
        },
        "dialog framework used without a host: install one first");
}

TEST(FileFilterTest, SplitsTextPatternPairs)
{
    struct Case {
        std::string filter;
        std::vector<FileFilter> expected;
    };
    const Case cases[] = {
        {"WAV Files (*.wav)|*.wav||", {{"WAV Files (*.wav)", "*.wav"}}},
        {"wav files (*.wav)|*.wav|All Files (*.*)|*.*||", {{"wav files (*.wav)", "*.wav"}, {"All Files (*.*)", "*.*"}}},
        {"No end|*.txt", {{"No end", "*.txt"}}},
        {"Dangling|*.a|text only", {{"Dangling", "*.a"}}},
        {"", {}},
        {"||", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseFileFilter(c.filter), c.expected) << c.filter;
}

TEST(FileFilterTest, DefaultExtensionOnlyForNamesWithoutOne)
{
    struct Case {
        std::string path, ext, expected;
    };
    const Case cases[] = {
        {"/a/b/name", ".wav", "/a/b/name.wav"},
        {"/a/b/name", "wav", "/a/b/name.wav"},
        {"/a/b/name.txt", ".wav", "/a/b/name.txt"},
        {"/a.dir/name", ".wav", "/a.dir/name.wav"},
        {"C:\\x.y\\name", ".wav", "C:\\x.y\\name.wav"},
        {"/a/b/name", "", "/a/b/name"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplyDefaultExtension(c.path, c.ext), c.expected) << c.path;
}

}  // namespace
}  // namespace vk
