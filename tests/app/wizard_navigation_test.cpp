// The page graph with the headless host: Next and Back on every page for each
// unit type (the inputs page answered by clicks), what the unit gets on the way
// to the end, "Exit >", units unplugged on the pages, the tool message 0x384 and
// the cancel paths while the inputs page runs.
#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "device/LevelRegisters.h"
#include "inputs/InputsPage.h"
#include "platform/settings/RegHelper.h"
#include "resources/ControlIds.h"
#include "RecordingWindows.h"
#include "WizardSoundFixture.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <ostream>

namespace vk {
namespace {

using K = SimUnitKind;

// One user action on the wizard and the page it leads to. When the action
// enters page 7, `inputs` is what the user clicks on the inputs page (Next or Back).
struct Step {
    int click;
    std::optional<int> inputs;
    int page;
};

class NavigationFixture : public testing::WizardSoundFixture {
protected:
    // The wizard on the unit, with the device watch fed by the simulated bus.
    void Start(K kind)
    {
        m_unit = PlugWithCard(kind);
        m_bus.SetChangeListener([this] { (void)m_dlg.Post(WM_DEVICECHANGE, 7, 0); });
        ASSERT_TRUE(m_dlg.Create());
    }
    void TearDownWizard() override
    {
        m_bus.SetChangeListener({});
        m_dlg.DestroyWindow();
        testing::WizardSoundFixture::TearDownWizard();
    }
    void Do(const Step& s)
    {
        // Next or Back steps through the four channels; the page ends past the last one.
        if (s.inputs)
            m_host.Then([id = *s.inputs](CHeadlessHost& h) {
                CDialog* page = h.ActiveModal();
                for (int i = 0; i < 4 && !page->IsEnded(); ++i)
                    ASSERT_TRUE(page->ClickControl(id));
            });
        EXPECT_TRUE(m_dlg.ClickControl(s.click)) << "click " << s.click;
        m_host.AdvanceTime(250);  // the device watch settles
        EXPECT_EQ(m_host.StepsLeft(), 0u) << "the inputs page did not run";
        EXPECT_FALSE(m_host.Stalled());
        EXPECT_EQ(PageNumber(m_dlg.View().CurrentPage()), s.page) << "after click " << s.click;
    }
    void Walk(const std::vector<Step>& steps)
    {
        for (size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << "step " << i);
            Do(steps[i]);
        }
    }
    [[nodiscard]] uint8_t Register(int reg)
    {
        return m_unit->WithState([reg](SimUnitState& s) { return static_cast<uint8_t>(s.levels[static_cast<uint8_t>(reg)]); });
    }

    std::shared_ptr<CSimUnit> m_unit;
    CQuorvelVK550ConfigDlg m_dlg;
};

constexpr int N = IDC_NEXT;
constexpr int B = IDC_BACK;
constexpr int SA = IDC_TYPE_STAND_ALONE;  // on page 2: "Configure and test the unit"
constexpr int MA = IDC_TYPE_MASTER;       // on page 2: "Change the type of the unit"
constexpr int SL = IDC_TYPE_SLAVE;

struct WalkCase {
    const char* name;
    K kind;
    int firstPage;
    std::vector<Step> steps;
    int endType;
};
void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class PageGraphTest : public NavigationFixture, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(PageGraphTest, NextAndBackFollowTheGraph)
{
    const WalkCase& c = GetParam();
    Start(c.kind);
    ASSERT_EQ(PageNumber(m_dlg.View().CurrentPage()), c.firstPage);
    Walk(c.steps);
    EXPECT_EQ(m_dlg.View().UnitType(), c.endType);
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Units, PageGraphTest,
    ::testing::Values(
        WalkCase{"NewMadeStandAlone", K::New, 1,
                 {{N, {}, 1} /* nothing chosen */, {SA, {}, 1}, {N, {}, 5}, {N, N, 8}, {N, {}, 13}, {B, {}, 8},
                  {B, B, 5}, {B, {}, 2}, {N, {}, 5}, {N, N, 8}, {N, {}, 13}},
                 1},
        WalkCase{"NewMadeMaster", K::New, 1,
                 {{MA, {}, 1}, {N, {}, 5}, {N, N, 8}, {B, N, 8}, {N, {}, 13}, {B, {}, 8}, {N, {}, 13}}, 2},
        WalkCase{"NewMadeSlave", K::New, 1,
                 {{SL, {}, 1}, {N, N, 13}, {B, N, 13}, {B, B, 2}, {N, N, 13}}, 3},
        WalkCase{"TypedUnitChangesItsType", K::StandAlone, 2,
                 {{MA, {}, 2}, {N, {}, 1}, {B, {}, 2}, {MA, {}, 2}, {N, {}, 1}, {SL, {}, 1}, {N, B, 2}}, 3},
        WalkCase{"SlaveKeepsItsType", K::Slave, 2, {{N, N, 13}, {B, B, 2}}, 3}),
    [](const auto& param) { return std::string(param.param.name); });

// Nothing chosen on page 1: the caption comes back with its two blanks and the
// page is not shown again.
TEST_F(NavigationFixture, NextWithoutAChoiceOnPage1ChangesNothing)
{
    Start(K::New);
    m_unit->ClearLog();
    ASSERT_TRUE(m_dlg.ClickControl(N));
    EXPECT_EQ(m_dlg.View().CurrentPage(), Page::TypeSelection);
    EXPECT_EQ(m_dlg.GetDlgItemText(N), "Next  >");
    EXPECT_TRUE(m_dlg.GetDlgItem(N).IsWindowEnabled());
    EXPECT_FALSE(m_dlg.GetDlgItem(B).IsWindowEnabled()) << "a new unit has no page to go back to";
}

// The road of a Stand Alone unit: the output page's route and flag, the store
// commands on the way to page 13, and "Exit >" keeping the final levels.
TEST_F(NavigationFixture, ExitStoresTheFinalLevelsAfterTheUnitStoredItsSettings)
{
    Start(K::New);
    Walk({{SA, {}, 1}, {N, {}, 5}, {N, N, 8}});
    EXPECT_EQ(m_unit->State().routes.back(), (std::pair<uint8_t, uint8_t>{14, 13}));
    EXPECT_NE(Register(5) & kLevelFlag, 0) << "the output page's flag";
    EXPECT_EQ(m_dlg.View().Audio().m_nMode, kModeMonitor);
    EXPECT_TRUE(m_dlg.View().Audio().m_bRecording) << "the engine listens";

    m_unit->ClearLog();
    Walk({{N, {}, 13}});
    const auto codes = m_unit->LoggedCodes();
    const std::vector<uint16_t> store = {0xB7FF, 0xB100, 0xB102};
    EXPECT_NE(std::search(codes.begin(), codes.end(), store.begin(), store.end()), codes.end());
    EXPECT_EQ(Register(5) & kLevelFlag, 0);
    EXPECT_FALSE(m_dlg.View().Audio().m_bRecording);
    EXPECT_EQ(m_dlg.GetDlgItemText(N), "Exit >");

    CWizardTestSeam::SetLevels(m_dlg, 7, 19);
    m_unit->WithState([](SimUnitState& s) { s.levels[2] = 0x80 | 19; });
    ASSERT_TRUE(m_dlg.ClickControl(N));
    EXPECT_TRUE(m_dlg.IsEnded());
    EXPECT_EQ(m_dlg.Result(), IDOK);
    EXPECT_EQ(Register(2), 19) << "the speaker flag is lowered, the level kept";
    CRegHelper reg;
    ASSERT_TRUE(reg.OpenKey(kProgramKey));
    for (auto [name, value] : {std::pair<const char*, uint32_t>{"Microphone Volume", 7}, {"Speaker Volume", 19},
                               {"From PC Volume", 24}, {"To PC Volume", 24}}) {
        uint32_t stored = 0;
        EXPECT_TRUE(reg.ReadDword(name, &stored)) << name;
        EXPECT_EQ(stored, value) << name;
    }
}

// A slave's set-up ends on page 13 with the device watch off until "Exit >".
// Gone meanwhile, the slave is missed when Back runs its inputs page again:
// the configuration ends on page 0 and the watch is on again.
TEST_F(NavigationFixture, ASlaveAtTheEndNoLongerFollowsTheUnits)
{
    Start(K::Slave);
    Walk({{N, N, 13}});
    EXPECT_TRUE(m_dlg.View().IgnoresDeviceChanges());
    Walk({{B, N, 13}});
    EXPECT_TRUE(m_dlg.View().IgnoresDeviceChanges()) << "Back to the inputs page keeps it off";
    m_bus.Unplug(m_unit);
    m_host.AdvanceTime(250);
    EXPECT_EQ(m_dlg.View().CurrentPage(), Page::Finished);
    ASSERT_TRUE(m_dlg.ClickControl(B));
    m_host.AdvanceTime(250);
    EXPECT_EQ(m_dlg.View().CurrentPage(), Page::Welcome);
    EXPECT_FALSE(m_dlg.View().IgnoresDeviceChanges());
    // (The inputs page's recording engine finds no sound card either.)
    ASSERT_GE(m_host.messageBoxes.asked.size(), 1u);
    EXPECT_EQ(m_host.messageBoxes.asked[0].text, kUnitLeftText);
    EXPECT_FALSE(m_dlg.Pin().IsPinned());
}

// A new unit made a Slave whose sound card comes back only after the second
// reset, during the 0.5 s rounds: the set-up commands go to the unit as it came
// back the second time (a new device path), and the wizard goes on without a box.
TEST_F(NavigationFixture, ASlaveWhoseCardReturnsInTheSecondRoundIsSetUpOnItsNewConnection)
{
    Start(K::New);
    m_unit->SetResetTiming({300, 2500, std::nullopt});
    // The card keeps away after the first reset and comes 5 s after the unit
    // is back from the second. The timing is changed at a device lookup,
    // outside the unit's own lock.
    std::atomic<bool> changed = false;
    m_sound.SetBeforeLookup([&] {
        const auto codes = m_unit->LoggedCodes();
        if (!changed && std::count(codes.begin(), codes.end(), 0x0666) == 2) {
            m_unit->SetResetTiming({300, 2500, 5000});
            changed = true;
        }
        m_cards.Sync();
    });
    m_unit->ClearLog();
    Walk({{SL, {}, 1}, {N, N, 13}});
    EXPECT_TRUE(changed);
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());
    EXPECT_EQ(m_unit->ProductId(), 0x317);

    const auto codes = m_unit->LoggedCodes();
    const auto secondReset = std::find(std::find(codes.begin(), codes.end(), 0x0666) + 1, codes.end(), 0x0666);
    ASSERT_NE(secondReset, codes.end());
    const std::vector<uint16_t> setup = {0x8415, 0x860E, 0xB101, 0x2120, 0x245A, 0x2606, 0x2720};
    EXPECT_NE(std::search(secondReset, codes.end(), setup.begin(), setup.end()), codes.end())
        << "the set-up commands reached the unit after its second return";
    EXPECT_NE(std::find(secondReset, codes.end(), 0xB7FF), codes.end()) << "and it stored its settings";
    m_sound.SetBeforeLookup([this] { m_cards.Sync(); });
}

// A live master beside a new unit: page 1 offers only Slave.
TEST_F(NavigationFixture, BesideALiveMasterANewUnitCanOnlyBeMadeASlave)
{
    Plug(K::Master);
    Start(K::New);
    ASSERT_EQ(m_dlg.View().CurrentPage(), Page::TypeSelection);
    EXPECT_TRUE(m_dlg.View().MasterUnit().IsOpen());
    EXPECT_EQ(m_dlg.View().Unit().GetProductId(), kNewUnitProductId) << "the new unit is configured";
    EXPECT_FALSE(m_dlg.GetDlgItem(SA).IsWindowVisible());
    EXPECT_FALSE(m_dlg.GetDlgItem(MA).IsWindowVisible());
    EXPECT_TRUE(m_dlg.GetDlgItem(SL).IsWindowVisible());
    EXPECT_EQ(m_dlg.GetDlgItemText(SL), "Slave");
}

// The audio set-up tool hears of every speaker test that starts (from page 1
// after a type was written, from page 2 when the type is kept), and of nothing else.
TEST_F(NavigationFixture, TheAudioSetupToolIsToldWhenASpeakerTestStarts)
{
    testing::CRecordingWindows windows;
    windows.present = {"Quorvel Audio Setup"};
    SetWindows(&windows);
    Start(K::New);
    Walk({{MA, {}, 1}, {N, {}, 5}});
    EXPECT_EQ(windows.posted.size(), 1u);
    Walk({{B, {}, 2}, {N, {}, 5}});
    EXPECT_EQ(windows.posted.size(), 2u);
    Walk({{N, N, 8}, {N, {}, 13}});
    EXPECT_EQ(windows.posted.size(), 2u);
    for (const auto& posted : windows.posted) {
        EXPECT_EQ(posted.message, 0x384u);
        EXPECT_EQ(posted.wParam, 0);
        EXPECT_EQ(posted.lParam, 1);
    }
    SetWindows(nullptr);
}

// The inputs page opens where the wizard is; the wizard takes the place where
// the inputs page was left, keeping its own size.
TEST_F(NavigationFixture, TheWizardTakesThePlaceWhereTheInputsPageWasLeft)
{
    Start(K::Slave);
    WindowPlacement wizard;
    ASSERT_TRUE(m_dlg.GetWindowPlacement(wizard));
    const Rect before = wizard.normalPosition;
    Rect opened{};
    m_host.Then([&](CHeadlessHost& h) {
        CDialog* inputs = h.ActiveModal();
        WindowPlacement p;
        ASSERT_TRUE(inputs->GetWindowPlacement(p));
        opened = p.normalPosition;
        p.normalPosition = {300, 200, 300 + 640, 200 + 480};
        ASSERT_TRUE(inputs->SetWindowPlacement(p));
        ASSERT_TRUE(inputs->ClickControl(IDC_BACK));
    });
    ASSERT_TRUE(m_dlg.ClickControl(N));
    EXPECT_EQ(opened.left, before.left);
    EXPECT_EQ(opened.top, before.top);
    ASSERT_TRUE(m_dlg.GetWindowPlacement(wizard));
    EXPECT_EQ(wizard.normalPosition, (Rect{300, 200, 300 + before.Width(), 200 + before.Height()}));
}

// Another tool had the unit (0x384, lParam 6). When it is done (lParam 7, or
// when the 180 s are over) the wizard drops its connection and counts again; the
// same unit still there, the wizard talks to it again: Next on the output page
// still has it store its settings.
class WatchResumeTest : public NavigationFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(WatchResumeTest, TheSameUnitIsOpenedAgain)
{
    const bool byMessage = GetParam();
    Start(K::StandAlone);
    Walk({{N, {}, 5}, {N, N, 8}});
    m_dlg.Post(WM_TOOL_MESSAGE, 0, 6);
    m_host.RunUntilIdle();
    if (byMessage) {
        m_dlg.Post(WM_TOOL_MESSAGE, 0, 7);
        m_host.RunUntilIdle();
    } else {
        m_host.AdvanceTime(kWatchSuspendMs);
    }
    ASSERT_FALSE(m_dlg.View().WatchSuspended());
    m_unit->ClearLog();
    Walk({{N, {}, 13}});
    const auto codes = m_unit->LoggedCodes();
    const std::vector<uint16_t> store = {0xB7FF, 0xB100, 0xB102};
    EXPECT_NE(std::search(codes.begin(), codes.end(), store.begin(), store.end()), codes.end());
}

INSTANTIATE_TEST_SUITE_P(Resume, WatchResumeTest, ::testing::Values(true, false),
                         [](const auto& param) { return std::string(param.param ? "ByMessage7" : "After180s"); });

// --- units unplugged on the pages ---------------------------------------------------------------

struct UnplugCase {
    const char* name;
    K kind;
    std::vector<Step> walk;
    bool suspended;  // another tool has taken the unit over (0x384, lParam 6)
    int page;        // after the unplug
    const char* box;  // what the user is told, when anything
};
void PrintTo(const UnplugCase& c, std::ostream* os) { *os << c.name; }

class UnplugTest : public NavigationFixture, public ::testing::WithParamInterface<UnplugCase> {};

TEST_P(UnplugTest, TheWizardFallsBackToPage0)
{
    const UnplugCase& c = GetParam();
    Start(c.kind);
    Walk(c.walk);
    if (c.suspended) {
        m_dlg.Post(WM_TOOL_MESSAGE, 0, 6);
        m_host.RunUntilIdle();
    }
    m_bus.Unplug(m_unit);
    m_host.AdvanceTime(250);
    EXPECT_EQ(PageNumber(m_dlg.View().CurrentPage()), c.page);
    ASSERT_EQ(m_host.messageBoxes.asked.size(), c.box ? 1u : 0u);
    if (c.box) {
        EXPECT_EQ(m_host.messageBoxes.asked[0].text, c.box);
        EXPECT_EQ(m_host.messageBoxes.asked[0].caption, "Dravena configurarion");
    }
    if (c.suspended) {
        m_dlg.Post(WM_TOOL_MESSAGE, 0, 7);  // the other tool is done: the watch counts again
        m_host.RunUntilIdle();
        EXPECT_EQ(m_dlg.View().CurrentPage(), Page::Welcome);
    }
    if (m_dlg.View().CurrentPage() == Page::Welcome) {
        EXPECT_FALSE(m_dlg.GetDlgItem(N).IsWindowEnabled());
    }
}

constexpr const char* kMasterWarning =
    "You have disconnected the Master Dravena before settings is ended, \nyou should reconnect the device and pass all "
    "the steps of the configuration before disconnecting";

INSTANTIATE_TEST_SUITE_P(
    Pages, UnplugTest,
    ::testing::Values(UnplugCase{"StandAloneOnPage2", K::StandAlone, {}, false, 0, nullptr},
                      // Settings sent and not stored yet: the user is told why the wizard starts again.
                      UnplugCase{"StandAloneOnPage5", K::StandAlone, {{N, {}, 5}}, false, 0, kUnitLeftText},
                      UnplugCase{"StandAloneOnPage8", K::StandAlone, {{N, {}, 5}, {N, N, 8}}, false, 0, kUnitLeftText},
                      UnplugCase{"StandAloneOnPage13", K::StandAlone, {{N, {}, 5}, {N, N, 8}, {N, {}, 13}}, false, 0,
                                 nullptr},
                      // A master whose tests started and whose settings are not stored yet.
                      UnplugCase{"MasterOnPage5", K::Master, {{N, {}, 5}}, false, 0, kMasterWarning},
                      UnplugCase{"MasterOnPage8", K::Master, {{N, {}, 5}, {N, N, 8}}, false, 0, kMasterWarning},
                      UnplugCase{"MasterOnPage13", K::Master, {{N, {}, 5}, {N, N, 8}, {N, {}, 13}}, false, 0, nullptr},
                      UnplugCase{"MasterBackFromPage13", K::Master, {{N, {}, 5}, {N, N, 8}, {N, {}, 13}, {B, {}, 8}},
                                 false, 0, kMasterWarning},
                      UnplugCase{"WatchSuspendedOnPage5", K::StandAlone, {{N, {}, 5}}, true, 5, nullptr}),
    [](const auto& param) { return std::string(param.param.name); });

// --- while the inputs page runs -------------------------------------------------------------------

// Esc on the inputs page, or the close box of the wizard behind it, asks the
// inputs page's question; it never counts as the page's Next.
TEST_F(NavigationFixture, CancelWhileTheInputsPageRunsAsksItsOwnQuestion)
{
    struct Case {
        const char* name;
        bool wizardCloseBox;
        int answer;
    } const cases[] = {{"Esc, No", false, IDNO}, {"close box, No", true, IDNO}, {"Esc, Yes", false, IDYES}};
    Start(K::Slave);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_host.messageBoxes.asked.clear();
        m_host.messageBoxes.answers = {c.answer};
        m_host.messageBoxes.next = 0;
        bool stillRunning = false;
        m_host.Then([&](CHeadlessHost& h) {
            CDialog* inputs = h.ActiveModal();
            if (c.wizardCloseBox)
                m_dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
            else
                inputs->SendMessage(WM_COMMAND, IDCANCEL);
            stillRunning = !h.Exited() && h.ActiveModal() == inputs && !inputs->IsEnded();
            if (stillRunning)
                inputs->ClickControl(IDC_BACK);
        });
        ASSERT_TRUE(m_dlg.ClickControl(N));
        ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
        EXPECT_EQ(m_host.messageBoxes.asked[0].caption, "Dravena configurarion");
        EXPECT_EQ(m_host.messageBoxes.asked[0].type, MB_YESNO | MB_ICONEXCLAMATION);
        if (c.answer == IDNO) {
            EXPECT_TRUE(stillRunning);
            EXPECT_EQ(m_dlg.View().CurrentPage(), Page::ConfigurationType) << "the page's own Back";
        } else {
            EXPECT_TRUE(m_host.Exited());
            EXPECT_EQ(m_host.ExitCode(), 0);
            EXPECT_EQ(m_dlg.View().CurrentPage(), Page::Inputs) << "no navigation";
        }
    }
}

// 0x384 with lParam 3 while the inputs page runs: the page closes without
// navigation and the wizard ends with 0.
TEST_F(NavigationFixture, ToolMessage3WhileTheInputsPageRunsEndsTheWizard)
{
    m_unit = PlugWithCard(K::Slave);
    m_host.Then([](CHeadlessHost& h) { ASSERT_TRUE(h.ActiveModal()->ClickControl(N)); })
        .Then([this](CHeadlessHost& h) {
            ASSERT_EQ(h.ModalDepth(), 2u);
            ASSERT_EQ(m_dlg.View().InputsPage(), h.ActiveModal());
            m_dlg.Post(WM_TOOL_MESSAGE, 0, 3);
        });
    EXPECT_EQ(m_dlg.DoModal(), 0);
    EXPECT_FALSE(m_host.Stalled());
    EXPECT_EQ(m_dlg.View().CurrentPage(), Page::Inputs);
    EXPECT_EQ(m_dlg.View().InputsPage(), nullptr);
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());
}

}  // namespace
}  // namespace vk
