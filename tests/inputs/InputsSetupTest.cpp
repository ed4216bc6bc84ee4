// The inputs page on the headless host with a simulated unit: start-up, channel
// selection, which controls are shown and enabled, the handlers' unit traffic,
// recording, playback and saving, and the ways the page ends.
#include <algorithm>
#include <filesystem>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "audio/WaveWriter.h"
#include "inputs/InputsPage.h"
#include "inputs/InputsSetup.h"
#include "InputsTestBed.h"
#include "tests/audio/FullDisk.h"
#include "platform/settings/RegHelper.h"
#include "platform/settings/SlaveDefaults.h"
#include "resources/ControlIds.h"
#include "sim/sound/SimSoundSystem.h"

namespace vk {
namespace {

using testing::InputsBed;
using testing::Transcript;
using testing::UnitSetup;
using Lines = std::vector<std::string>;

const ChannelPanelIds& Ids(int c) { return kChannelPanels[static_cast<size_t>(c)]; }

// Answers the page's own questions from a script and every other box (the
// engines' device failures on the thread that meets them) with OK.
class CPageBoxes final : public IMessageBox {
public:
    int Show(IWindowOwner*, const std::string& text, const std::string& caption, unsigned type) override
    {
        std::lock_guard lock(m_mutex);
        if (caption == "MicrophoneThread" || caption == "SpeakerThread")
            return IDOK;
        asked.push_back({text, caption, type});
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        }
        return CScriptedMessageBox::defaultAnswer(type);
    }
    std::vector<CScriptedMessageBox::Asked> asked;
    std::vector<int> answers;

private:
    std::mutex m_mutex;
};

class InputsPageTest : public InputsBed {
protected:
    void SetUp() override
    {
        InputsBed::SetUp();
        SetMessageBoxes(&m_boxes);
    }
    void TearDown() override
    {
        m_page.reset();
        SetMessageBoxes(nullptr);
        InputsBed::TearDown();
    }
    // Opens the page modeless over the unit, the log cleared afterwards.
    CInputsSetup& Open(const UnitSetup& setup, int first = 0, bool keepLog = false)
    {
        Start(setup);
        m_page = std::make_unique<CInputsSetup>(*m_owner, first);
        EXPECT_TRUE(m_page->Create());
        m_host.RunUntilIdle();
        if (!keepLog)
            m_unit->ClearLog();
        return *m_page;
    }
    // Selects channel c by a click into its panel.
    void ClickPanel(int c)
    {
        const Rect r = m_page->GetDlgItem(Ids(c).frame).GetClientRectInDialog();
        m_page->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MakePointLParam({r.left + 5, r.bottom - 5}));
    }
    bool Shown(int id) { return m_page->GetDlgItem(id).IsWindowVisible(); }
    bool Enabled(int id) { return m_page->GetDlgItem(id).IsWindowEnabled(); }
    int Checked(int id) { return m_page->IsDlgButtonChecked(id); }

    CPageBoxes m_boxes;
    std::unique_ptr<CInputsSetup> m_page;
};

TEST_F(InputsPageTest, StartsByReadingTheUnitThenSelectsTheFirstChannel)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone, .modes = {0, 1, 2, 15}}, 0, true);
    const Lines sent = Transcript(*m_unit);
    const Lines start(sent.begin(), sent.begin() + 7);
    EXPECT_EQ(start, (Lines{"GETLINES", "S34FF", "S36FF", "RD1 01 00 02 00", "RD2 01 00 02 00", "RD3 01 00 02 00",
                            "RD4 01 00 02 00"}));
    const auto at = [&](const std::string& s) { return std::find(sent.begin(), sent.end(), s) - sent.begin(); };
    EXPECT_LT(at("CH4 0F 01 18 02 18"), at("ROUTE 14 13")) << "an unused channel is switched off before PrepareUnit";
    EXPECT_LT(at("ROUTE 14 13"), at("ROUTE 3 9"));
    EXPECT_EQ(Lines(sent.end() - 4, sent.end()), (Lines{"ROUTE 3 9", "ROUTE 3 13", "S5318", "S5418"}));

    EXPECT_EQ(page.GetDlgItemText(IDC_TITLE), "Stand Alone Input 1 Setup");
    EXPECT_EQ(page.GetDlgItemText(IDC_BODY), CInputsSetup::kInstructionText);
    EXPECT_FALSE(Enabled(IDC_INPUTS_PLAYBACK));
    EXPECT_FALSE(Enabled(IDC_INPUTS_SAVE));
    EXPECT_EQ(page.GetDlgItem(IDC_TITLE).GetFont(), m_owner->titleFont);
    EXPECT_EQ(page.GetDlgItem(IDC_NEXT).GetFont(), m_owner->buttonFont);
    EXPECT_EQ(page.MonitorEngine().m_strInDevice, "Qrvl VK550_SAL");
    EXPECT_EQ(page.MonitorEngine().m_nMode, kModeMonitor);
    EXPECT_EQ(page.MonitorEngine().m_strRecordFile, m_owner->waveDir + "MicRecorded.wav");
    COLORREF shadow = 0, hilite = 0;
    page.Surfaces().GetPanelColors(0, shadow, hilite);
    EXPECT_EQ(shadow, RGB(250, 0, 0));
    page.Surfaces().GetPanelColors(1, shadow, hilite);
    EXPECT_EQ(shadow, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_TRUE(page.IsWindowVisible());
}

// What each panel shows for its channel's use and type on each unit type.
struct ShownCase {
    const char* name;
    int type;
    uint8_t mode;
    bool typeButtons, third, gain, phantom, local;
    const char* first;
    const char* second;
    const char* gainText = "36.0 dB";  // the factory lines' step
};

class ShownTest : public InputsPageTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(ShownTest, ShowsTheSettingsThatApply)
{
    const ShownCase& sc = GetParam();
    UnitSetup setup{.type = sc.type};
    setup.modes = {0, sc.mode, 15, 15};
    Open(setup);
    const ChannelPanelIds& p = Ids(1);
    EXPECT_EQ(Shown(p.first), sc.typeButtons);
    EXPECT_EQ(Shown(p.typeGroup), sc.typeButtons);
    EXPECT_EQ(Shown(p.third), sc.third);
    EXPECT_EQ(Shown(p.gainSpin), sc.gain);
    EXPECT_EQ(Shown(p.gainText), sc.gain);
    EXPECT_EQ(Shown(p.phantom), sc.phantom);
    EXPECT_EQ(Shown(p.v24), sc.phantom);
    EXPECT_EQ(Shown(p.local), sc.local);
    EXPECT_EQ(Shown(p.mute), sc.local);
    EXPECT_EQ(m_page->GetDlgItemText(p.first), sc.first);
    EXPECT_EQ(m_page->GetDlgItemText(p.second), sc.second);
    EXPECT_EQ(m_page->GetDlgItemText(p.gainText), sc.gainText);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ShownTest,
    ::testing::Values(
        ShownCase{"StandAloneMicrophone", kUnitStandAlone, 0, true, true, true, true, false, "Microphone", "Sound Reinforcement"},
        ShownCase{"StandAloneReinforcement", kUnitStandAlone, 1, true, true, true, true, true, "Microphone", "Sound Reinforcement"},
        ShownCase{"StandAloneAuxiliary", kUnitStandAlone, 2, true, true, true, false, true, "Microphone", "Sound Reinforcement"},
        ShownCase{"StandAloneNotUsed", kUnitStandAlone, 15, false, false, false, false, false, "Microphone", "Sound Reinforcement"},
        ShownCase{"MasterSlaveLink", kUnitMaster, 3, true, true, false, false, false, "Slave", "Sound Reinforcement", "0.0 dB"},
        ShownCase{"MasterReinforcement", kUnitMaster, 1, true, true, true, true, true, "Slave", "Sound Reinforcement", "0.0 dB"},
        ShownCase{"SlaveMicrophone", kUnitSlave, 0, true, false, true, true, false, "Microphone", "Slave"},
        ShownCase{"SlaveSlaveLink", kUnitSlave, 3, true, false, false, false, false, "Microphone", "Slave"},
        ShownCase{"SlaveAuxiliary", kUnitSlave, 2, true, false, true, false, true, "Microphone", "Slave"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(InputsPageTest, OnlyTheSelectedChannelCanBeUsedAndItsSupplyButtonsFollowThePhantomBox)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone, .modes = {0, 0, 15, 15}});
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(Enabled(Ids(c).use), c == 0);
        EXPECT_EQ(Enabled(Ids(c).phantom), c == 0);
        EXPECT_FALSE(Enabled(Ids(c).v3)) << "no supply while the Phantom box is clear";
    }
    EXPECT_FALSE(page.ClickControl(Ids(1).phantom)) << "another channel's controls take no clicks";
    ClickPanel(2);
    ClickPanel(0);

    ASSERT_TRUE(page.ClickControl(Ids(0).phantom));
    for (int c : {0, 1}) {
        EXPECT_EQ(Checked(Ids(c).phantom), BST_CHECKED) << "microphones share their supply";
        EXPECT_EQ(Checked(Ids(c).v3), BST_CHECKED);
        EXPECT_EQ(Checked(Ids(c).v24), BST_UNCHECKED);
    }
    EXPECT_TRUE(Enabled(Ids(0).v3));
    EXPECT_TRUE(Enabled(Ids(0).v24));
    EXPECT_FALSE(Enabled(Ids(1).v24));
    ASSERT_TRUE(page.ClickControl(Ids(0).v24));
    EXPECT_EQ(Checked(Ids(1).v24), BST_CHECKED);
    EXPECT_EQ(Checked(Ids(1).v3), BST_UNCHECKED);
    EXPECT_EQ(DecodePhantom(UnitLines(), 1), kPhantom24V);

    ASSERT_TRUE(page.ClickControl(Ids(0).phantom));
    for (int c : {0, 1})
        EXPECT_EQ(Checked(Ids(c).v3) + Checked(Ids(c).v24) + Checked(Ids(c).phantom), 0);
    EXPECT_FALSE(Enabled(Ids(0).v3));
    EXPECT_EQ(DecodePhantom(UnitLines(), 0), kPhantomOff);
    EXPECT_EQ(DecodePhantom(UnitLines(), 1), kPhantomOff);
}

TEST_F(InputsPageTest, AChannelOpenedWithItsSupplyOnCanChangeItAtOnce)
{
    Open({.type = kUnitStandAlone, .modes = {0, 15, 15, 15}, .lines = PicLineWords{0x1F5E, 0x7392}});
    EXPECT_EQ(Checked(Ids(0).phantom), BST_CHECKED);
    EXPECT_EQ(Checked(Ids(0).v3), BST_CHECKED);
    EXPECT_TRUE(Enabled(Ids(0).v3));
    EXPECT_TRUE(Enabled(Ids(0).v24));
}

// Lines that cannot be read when the page opens: no gain or supply is shown
// for them, the controls that would write them stay disabled (the local level
// works), nothing is written to the lines, and once a later selection reads
// them the page shows and lets the user change what the unit has.
TEST_F(InputsPageTest, LinesUnreadableWhenThePageOpensKeepTheirControlsDisabledUntilRead)
{
    Start({.type = kUnitStandAlone, .modes = {0, 2, 15, 15}, .lines = PicLineWords{0x1F5E, 0x7392}});
    m_unit->SetFaults({.onlyFor = 0xF011, .silent = true});
    m_page = std::make_unique<CInputsSetup>(*m_owner, 0);
    ASSERT_TRUE(m_page->Create());
    m_host.RunUntilIdle();
    ClickPanel(1);
    for (int c : {0, 1}) {
        const ChannelPanelIds& p = Ids(c);
        EXPECT_EQ(m_page->GetDlgItemText(p.gainText), "") << c;
        EXPECT_EQ(Checked(p.phantom), BST_UNCHECKED) << c;
        for (int id : {p.use, p.first, p.second, p.third, p.gainSpin, p.phantom, p.v3, p.v24})
            EXPECT_FALSE(Enabled(id)) << c << " control " << id;
    }
    EXPECT_TRUE(Shown(Ids(1).local));
    EXPECT_TRUE(Enabled(Ids(1).local)) << "the channel record was read";
    for (const std::string& line : Transcript(*m_unit))
        EXPECT_NE(line.rfind("LINES", 0), 0u) << line;

    m_unit->SetFaults({});
    ClickPanel(0);
    EXPECT_EQ(m_page->GetDlgItemText(Ids(0).gainText), "24.0 dB");
    EXPECT_EQ(Checked(Ids(0).phantom), BST_CHECKED);
    EXPECT_EQ(Checked(Ids(0).v3), BST_CHECKED);
    for (int id : {Ids(0).use, Ids(0).gainSpin, Ids(0).phantom, Ids(0).v3})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_EQ(m_page->GetDlgItemText(Ids(1).gainText), "36.0 dB");
    EXPECT_FALSE(Enabled(Ids(1).gainSpin)) << "not the selected channel";
}

TEST_F(InputsPageTest, ANewInputTakesTheMicrophonesSupplyAndGain)
{
    // Channel 1: a microphone on 24 V at step 5.
    CInputsSetup& page =
        Open({.type = kUnitStandAlone, .modes = {0, 15, 15, 15}, .lines = PicLineWords{0x1F5E, 0x739A}, .address = 0x2004});
    ClickPanel(2);
    ASSERT_EQ(page.SelectedChannel(), 2);
    ASSERT_TRUE(page.ClickControl(Ids(2).use));
    const ChannelPanelIds& p = Ids(2);
    EXPECT_EQ(Checked(p.first), BST_CHECKED);
    EXPECT_EQ(Checked(p.phantom), BST_CHECKED);
    EXPECT_EQ(Checked(p.v3), BST_UNCHECKED);
    EXPECT_EQ(Checked(p.v24), BST_CHECKED);
    EXPECT_EQ(page.GetDlgItemText(p.gainText), "30.0 dB");
    EXPECT_EQ(page.GetDlgItem(p.gainSpin).GetPos(), 5);
    EXPECT_TRUE(Enabled(p.v24));
    EXPECT_FALSE(Shown(p.local));
    EXPECT_EQ(DecodePhantom(UnitLines(), 2), kPhantom24V);

    // Clearing it switches its supply off and hides its settings.
    ASSERT_TRUE(page.ClickControl(p.use));
    EXPECT_FALSE(Shown(p.first) || Shown(p.phantom) || Shown(p.gainSpin));
    EXPECT_EQ(DecodePhantom(UnitLines(), 2), kPhantomOff);
    EXPECT_EQ(m_unit->State().channels[2].mode, 15);
}

TEST_F(InputsPageTest, AGainStepReachesEveryMicrophoneAndKeepsTheFocus)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone, .modes = {0, 0, 2, 15}});
    ASSERT_TRUE(page.ScrollControl(Ids(0).gainSpin, 5));
    for (int c : {0, 1})
        EXPECT_EQ(page.GetDlgItemText(Ids(c).gainText), "30.0 dB");
    EXPECT_EQ(page.GetDlgItem(Ids(1).gainSpin).GetPos(), 5);
    EXPECT_EQ(page.GetDlgItemText(Ids(2).gainText), "36.0 dB") << "the auxiliary input keeps its gain";
    EXPECT_EQ(DecodeGainStep(UnitLines(), UnitAddress(), 1), 5);
    ASSERT_NE(page.GetFocus(), nullptr);
    EXPECT_EQ(page.GetFocus()->Id(), Ids(0).gainSpin) << "the focus stays where the user has it";

    m_unit->ClearLog();
    ASSERT_TRUE(page.ScrollControl(Ids(0).gainSpin, 5, SB_ENDSCROLL));
    EXPECT_TRUE(Transcript(*m_unit).empty()) << "the same step again sends nothing";
}

TEST_F(InputsPageTest, TheLocalSliderAndMuteBoxSetItem2)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone, .modes = {2, 15, 15, 15}});
    EXPECT_EQ(page.GetDlgItem(Ids(0).local).GetPos(), 0) << "level 24 at the top";
    EXPECT_EQ(Checked(Ids(0).mute), BST_CHECKED);
    ASSERT_TRUE(page.ScrollControl(Ids(0).local, 10, SB_THUMBTRACK));
    ASSERT_TRUE(page.ClickControl(Ids(0).mute));
    EXPECT_EQ(Transcript(*m_unit), (Lines{"CH1 02 82 0E 00 00", "RD1 02 00 00 00", "CH1 02 02 0E 00 00"}));
    EXPECT_EQ(page.Model().Channel(0).m_nLocalLevel, 14);
    EXPECT_EQ(page.Model().Channel(0).m_bLocalMute, 0);
}

TEST_F(InputsPageTest, OnASlaveTheSlaveButtonTurnsEveryUsedChannelIntoALink)
{
    CInputsSetup& page = Open({.type = kUnitSlave, .modes = {0, 0, 0, 15}});
    ASSERT_TRUE(page.ClickControl(Ids(0).second));
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(Checked(Ids(c).second), BST_CHECKED) << c;
        EXPECT_EQ(Checked(Ids(c).first), BST_UNCHECKED) << c;
        EXPECT_FALSE(Shown(Ids(c).gainSpin)) << c;
        EXPECT_FALSE(Shown(Ids(c).phantom)) << c;
    }
    EXPECT_EQ(m_unit->State().channels[2].mode, 3);
    EXPECT_EQ(m_unit->State().channels[3].mode, 15) << "an unused channel stays unused";
    ASSERT_TRUE(page.ClickControl(Ids(0).first));
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(m_unit->State().channels[static_cast<size_t>(c)].mode, 0);
        EXPECT_TRUE(Shown(Ids(c).phantom));
    }
}

TEST_F(InputsPageTest, OnAMasterAReinforcementInputSoundsLocallyOnlyWhileSelected)
{
    m_owner.reset();
    Start({.type = kUnitMaster, .modes = {3, 1, 3, 3}});
    m_owner->masterInputs[1].flag2 = 0;
    m_page = std::make_unique<CInputsSetup>(*m_owner, 0);
    ASSERT_TRUE(m_page->Create());
    m_unit->ClearLog();
    ClickPanel(1);
    EXPECT_EQ(Transcript(*m_unit), (Lines{"CH2 01 02 18 00 00", "ROUTE 4 9", "ROUTE 4 13"}));
    EXPECT_EQ(m_page->GetDlgItemText(IDC_TITLE), "Master Input 2 Setup");
    m_unit->ClearLog();
    ClickPanel(2);
    EXPECT_EQ(Transcript(*m_unit), (Lines{"CH2 01 82 18 00 00", "ROUTE 5 9", "ROUTE 5 13"}));
}

TEST_F(InputsPageTest, APanelClickSelectsItsChannelEdgesIncludedAndNothingBetweenPanels)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone});
    const Rect r1 = page.GetDlgItem(Ids(1).frame).GetClientRectInDialog();
    const Rect r2 = page.GetDlgItem(Ids(2).frame).GetClientRectInDialog();
    ASSERT_LT(r1.right + 1, r2.left);
    page.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MakePointLParam({r1.right + 1, r1.top + 20}));
    EXPECT_EQ(page.SelectedChannel(), 0);
    EXPECT_TRUE(Transcript(*m_unit).empty());
    page.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MakePointLParam({r1.right, r1.bottom}));
    EXPECT_EQ(page.SelectedChannel(), 1);
    page.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MakePointLParam({r2.left, r2.top}));
    EXPECT_EQ(page.SelectedChannel(), 2);
    EXPECT_EQ(page.GetDlgItemText(IDC_TITLE), "Stand Alone Input 3 Setup");
}

// --- how the page ends ---------------------------------------------------------------

struct EndCase {
    const char* name;
    int type;
    int first;
    std::vector<int> buttons;  // clicked in order
    int result;
    int finalChannel;
};

class EndTest : public InputsPageTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndTest, BackAndNextStepThroughTheChannelsAndEndAtEitherEnd)
{
    const EndCase& ec = GetParam();
    Start({.type = ec.type});
    CInputsSetup page(*m_owner, ec.first);
    std::vector<std::string> titles;
    bool restoredBeforeEnd = true;
    m_host.Then([&](CHeadlessHost& host) {
        ASSERT_EQ(host.ActiveModal(), &page);
        titles.push_back(page.GetDlgItemText(IDC_TITLE));
        for (int id : ec.buttons) {
            page.ClickControl(id);
            titles.push_back(page.GetDlgItemText(IDC_TITLE));
        }
        const Lines sent = Transcript(*m_unit);
        restoredBeforeEnd = std::find(sent.begin(), sent.end(), "ROUTE 13 13") != sent.end();
    });
    EXPECT_EQ(page.DoModal(), ec.result);
    EXPECT_FALSE(restoredBeforeEnd);
    EXPECT_EQ(page.SelectedChannel(), ec.finalChannel);
    const Lines sent = Transcript(*m_unit);
    EXPECT_NE(std::find(sent.begin(), sent.end(), "ROUTE 13 13"), sent.end()) << "the unit is restored";
    EXPECT_EQ(titles.front(), std::string(ec.type == kUnitSlave ? "Slave" : "Stand Alone") + " Input " +
                                  std::to_string(ec.first + 1) + " Setup");
}

INSTANTIATE_TEST_SUITE_P(
    Ends, EndTest,
    ::testing::Values(EndCase{"NextOnChannel4", kUnitStandAlone, 0, {IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_NEXT}, kInputsNext, 3},
                      EndCase{"EnteredGoingBackFourBacks", kUnitSlave, 3, {IDC_BACK, IDC_BACK, IDC_BACK, IDC_BACK}, kInputsBack, 0},
                      EndCase{"BackOnChannel1", kUnitStandAlone, 0, {IDC_BACK}, kInputsBack, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(InputsPageTest, LeavingASlaveStoresItsDefaults)
{
    Start({.type = kUnitSlave, .modes = {0, 0, 15, 15}, .address = 0x2004});
    CInputsSetup page(*m_owner, 3);
    m_host.Then([&](CHeadlessHost&) { page.ClickControl(IDC_NEXT); });
    EXPECT_EQ(page.DoModal(), kInputsNext);
    CRegHelper reg;
    ASSERT_TRUE(reg.OpenKey(kSlaveDefaultsKey));
    uint32_t address = 0;
    ASSERT_TRUE(reg.ReadDword(kSlaveAddressValue, &address));
    EXPECT_EQ(address, 0x2004u);
}

TEST_F(InputsPageTest, AClosingRequestEndsWithZeroAndTheUnitIsStillRestored)
{
    Start({.type = kUnitStandAlone, .modes = {0, 2, 15, 15}});
    CInputsSetup page(*m_owner, 0);
    std::string titleAfterMinusOne;
    m_host.Then([&](CHeadlessHost& host) {
        m_unit->ClearLog();
        page.Post(WM_APP + 2, 0, -1);
        host.RunUntilIdle();
        titleAfterMinusOne = page.GetDlgItemText(IDC_TITLE);
        EXPECT_FALSE(page.IsEnded()) << "-1 changes nothing";
        EXPECT_TRUE(Transcript(*m_unit).empty());
        page.Post(WM_APP + 2, 0, -2);
    });
    EXPECT_EQ(page.DoModal(), kInputsClosed);
    EXPECT_EQ(titleAfterMinusOne, "Stand Alone Input 1 Setup");
    EXPECT_EQ(Transcript(*m_unit), (Lines{"ROUTE 13 13", "ROUTE 9 9", "S5500", "S570C", "S6200", "CH1 00 01 18 00 00",
                                          "CH2 02 01 18 00 00", "CH3 0F 01 18 00 00", "CH4 0F 01 18 00 00"}));
    EXPECT_EQ(m_unit->State().routes.back(), (std::pair<uint8_t, uint8_t>{9, 9}));
}

TEST_F(InputsPageTest, TheExitQuestionAnsweredNoLeavesEverythingRunning)
{
    Start({.type = kUnitMaster, .modes = {3, 3, 15, 15}});
    CInputsSetup page(*m_owner, 0);
    m_boxes.answers = {IDNO, IDYES};
    bool runningAfterNo = false;
    size_t sentAfterNo = 1;
    m_host.Then([&](CHeadlessHost& host) {
        m_unit->ClearLog();
        page.SendMessage(WM_COMMAND, IDCANCEL);
        host.RunUntilIdle();
        runningAfterNo = !page.IsEnded() && page.MonitorEngine().m_bRecording != 0 && !host.Exited();
        sentAfterNo = Transcript(*m_unit).size();
        page.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    });
    (void)page.DoModal();
    EXPECT_TRUE(runningAfterNo);
    EXPECT_EQ(sentAfterNo, 0u);
    ASSERT_EQ(m_boxes.asked.size(), 2u);
    EXPECT_EQ(m_boxes.asked[0].caption, "Dravena configurarion");
    EXPECT_EQ(m_boxes.asked[0].type, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_NE(m_boxes.asked[0].text.find("Master Dravena"), std::string::npos);
    EXPECT_TRUE(m_host.Exited());
    EXPECT_EQ(m_host.ExitCode(), 0);
    EXPECT_EQ(page.MonitorEngine().m_bRecording, 0);
    const Lines sent = Transcript(*m_unit);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "ROUTE 13 13"), 1) << "restored once, before the exit";
}

TEST_F(InputsPageTest, AMasterKeepsItsChannelsForTheWizard)
{
    Start({.type = kUnitMaster, .modes = {3, 1, 2, 15}});
    m_owner->masterInputs[1].flag2 = 0;
    CInputsSetup page(*m_owner, 0);
    m_host.Then([&](CHeadlessHost&) {
        page.ClickControl(IDC_NEXT);  // channel 2: its local output sounds
        page.ScrollControl(Ids(1).local, 4);
        m_unit->ClearLog();
        page.Post(WM_APP + 2, 0, -2);
    });
    EXPECT_EQ(page.DoModal(), kInputsClosed);
    const auto& saved = m_owner->masterInputs;
    EXPECT_EQ(saved[0].mode, 3);
    EXPECT_EQ(saved[1].mode, 1);
    EXPECT_EQ(saved[1].value2, 20);
    EXPECT_EQ(saved[1].flag2, 0);
    EXPECT_EQ(saved[2].mode, 2);
    EXPECT_EQ(saved[3].mode, 0) << "no button chosen: unchanged";
    EXPECT_EQ(Transcript(*m_unit).front(), "CH2 01 82 14 00 00") << "muted again before the restore";
}

// --- recording, playback, saving ---------------------------------------------------------

TEST_F(InputsPageTest, RecordPlaybackAndSaveFollowTheirStates)
{
    CInputsSetup& page = Open({.type = kUnitSlave, .modes = {0, 15, 15, 15}});
    ASSERT_TRUE(page.ClickControl(IDC_INPUTS_RECORD));
    EXPECT_EQ(page.GetDlgItemText(IDC_INPUTS_RECORD), "Stop Recording");
    EXPECT_EQ(page.MonitorEngine().m_nMode, kModeRecord);
    EXPECT_EQ(page.GetDlgItemText(IDC_BODY), "The signal is recorded to the file\r\n" + m_owner->waveDir + "MicRecorded.wav");
    EXPECT_FALSE(Enabled(IDC_INPUTS_PLAYBACK));
    ASSERT_TRUE(page.ClickControl(IDC_INPUTS_RECORD));
    EXPECT_EQ(page.GetDlgItemText(IDC_INPUTS_RECORD), "Record");
    EXPECT_EQ(page.MonitorEngine().m_nMode, kModeMonitor);
    EXPECT_TRUE(Enabled(IDC_INPUTS_PLAYBACK));
    EXPECT_TRUE(Enabled(IDC_INPUTS_SAVE));
    EXPECT_EQ(page.GetDlgItemText(IDC_BODY), CInputsSetup::kInstructionText);
    ASSERT_TRUE(std::filesystem::exists(m_owner->waveDir + "MicRecorded.wav"));

    // Saving: cancelled keeps the button; a chosen name gets a copy.
    m_clock.SetLocalBase({2026, 12, 0, 3, 9, 8, 30, 0});
    ASSERT_TRUE(page.ClickControl(IDC_INPUTS_SAVE));
    ASSERT_EQ(m_host.fileDialogs.asked.size(), 1u);
    const FileDialogRequest& asked = m_host.fileDialogs.asked[0];
    EXPECT_FALSE(asked.open);
    EXPECT_EQ(asked.defaultExt, ".wav");
    EXPECT_EQ(asked.filter, "WAV Files (*.wav)|*.wav||");
    EXPECT_EQ(asked.flags & OFN_OVERWRITEPROMPT, 0u);
    EXPECT_EQ(asked.initialName.rfind(m_owner->waveDir + "Input_Dec 03 2026 09-08-", 0), 0u) << asked.initialName;
    EXPECT_TRUE(Enabled(IDC_INPUTS_SAVE));
    const std::string copy = (m_dir / "copy.wav").string();
    m_host.fileDialogs.answers = {copy};
    ASSERT_TRUE(page.ClickControl(IDC_INPUTS_SAVE));
    EXPECT_TRUE(std::filesystem::exists(copy));
    EXPECT_FALSE(Enabled(IDC_INPUTS_SAVE));

    // Playback on a slave goes to the master's card pattern, and ends with its file.
    m_unit->ClearLog();
    ASSERT_TRUE(page.ClickControl(IDC_INPUTS_PLAYBACK));
    EXPECT_EQ(page.PlaybackEngine().m_strOutDevice, "Qrvl VK550_MAS");
    EXPECT_EQ(page.PlaybackEngine().m_nMode, kModePlay);
    EXPECT_EQ(m_owner->speakerFlags, (std::vector<bool>{true}));
    const bool started = page.IsPlayingBack();
    if (started) {
        EXPECT_EQ(page.GetDlgItemText(IDC_INPUTS_PLAYBACK), "Stop Playback");
        page.Post(WM_APP + 1, 0, 0);
        m_host.RunUntilIdle();
        EXPECT_FALSE(page.IsPlayingBack());
        EXPECT_EQ(page.GetDlgItemText(IDC_INPUTS_PLAYBACK), "Playback");
        const Lines sent = Transcript(*m_unit);
        const Lines routes = [&] {
            Lines r;
            for (const auto& s : sent)
                if (s.rfind("ROUTE", 0) == 0)
                    r.push_back(s);
            return r;
        }();
        EXPECT_EQ(routes, (Lines{"ROUTE 1 13", "ROUTE 1 9", "ROUTE 3 13", "ROUTE 3 9"}));
    }
    EXPECT_TRUE(started);
}

TEST_F(InputsPageTest, ARecordFileThatCannotBeOpenedIsReported)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone});
    page.GetDlgItem(IDC_INPUTS_SAVE).EnableWindow(true);
    std::filesystem::remove(m_owner->waveDir + "MicRecorded.wav");
    m_host.fileDialogs.answers = {(m_dir / "copy.wav").string()};
    ASSERT_TRUE(page.ClickControl(IDC_INPUTS_SAVE));
    ASSERT_EQ(m_boxes.asked.size(), 1u);
    EXPECT_EQ(m_boxes.asked[0].text, "Can't open file : \n" + m_owner->waveDir + "MicRecorded.wav");
    EXPECT_EQ(m_boxes.asked[0].caption, "Quorvel Audio Saving");
    EXPECT_TRUE(Enabled(IDC_INPUTS_SAVE));
}

// A recordings folder that is gone (a new account) is made again; a recording
// that cannot start (a file stands in its folder's place) is never shown as running.
TEST_F(InputsPageTest, ARecordingMakesItsFolderOrIsNotShownAsRunning)
{
    struct Case {
        const char* name;
        bool fileInTheWay;
    } const cases[] = {{"the folder is gone", false}, {"a file where the folder belongs", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_boxes.asked.clear();
        CInputsSetup& page = Open({.type = kUnitStandAlone});
        std::filesystem::remove_all(m_owner->waveDir);
        if (c.fileInTheWay)
            std::ofstream(m_dir / "waves") << "not a folder";
        ASSERT_TRUE(page.ClickControl(IDC_INPUTS_RECORD));
        if (c.fileInTheWay) {
            EXPECT_EQ(page.GetDlgItemText(IDC_INPUTS_RECORD), "Record");
            EXPECT_EQ(m_boxes.asked.size(), 1u) << "the engine says why";
            EXPECT_EQ(page.GetDlgItemText(IDC_BODY).find("recorded"), std::string::npos);
        } else {
            EXPECT_EQ(page.GetDlgItemText(IDC_INPUTS_RECORD), "Stop Recording");
            ASSERT_TRUE(page.ClickControl(IDC_INPUTS_RECORD));
            EXPECT_TRUE(m_boxes.asked.empty());
            EXPECT_TRUE(std::filesystem::exists(m_owner->waveDir + "MicRecorded.wav"));
            EXPECT_TRUE(Enabled(IDC_INPUTS_PLAYBACK));
        }
        m_page.reset();
        std::filesystem::remove_all(m_dir / "waves");
    }
}

// A disk that fills up: with no room for the file, during the recording, or
// when its last bytes go out. The recording ends, the user is told why, and
// neither Playback nor Save Recording offers a recording that is not whole (an
// earlier one of that name is gone with it).
TEST_F(InputsPageTest, AFullDiskEndsTheRecordingAndOffersNoRecording)
{
    CSimSoundSystem sound;
    const auto card = sound.AddCard("Qrvl VK550_SAL");
    sound.SetSignal(card.in, std::make_shared<CSineSignal>(440.0, 8000.0));
    SetSoundSystem(&sound);
    struct Case {
        const char* name;
        rlim_t room;
        long long blocks;  // the card gives after Record
        bool stopByHand;
    } const cases[] = {
        {"no room at all", 0, 0, false},
        {"full during the recording", 20000, 20, false},  // more than the writer buffers
        {"full at the end", 5000, 2, true},
    };
    const auto pumpUntil = [&](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            m_host.RunUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sound.SetDeliveryBudget(card.in, 0);
        CInputsSetup& page = Open({.type = kUnitStandAlone});
        const std::string recording = m_owner->waveDir + "MicRecorded.wav";
        {
            CWaveWriter earlier;
            ASSERT_TRUE(earlier.Open(recording, CWaveFormat(1, 16000, 16)));
        }
        page.GetDlgItem(IDC_INPUTS_PLAYBACK).EnableWindow(true);
        page.GetDlgItem(IDC_INPUTS_SAVE).EnableWindow(true);
        m_boxes.asked.clear();
        {
            testing::CFileSizeLimit full(c.room);
            const int shown = page.Surfaces().BlocksShown();
            ASSERT_TRUE(page.ClickControl(IDC_INPUTS_RECORD));
            sound.SetDeliveryBudget(card.in, c.blocks);  // every block goes to the file
            if (c.stopByHand) {
                ASSERT_TRUE(pumpUntil([&] { return page.Surfaces().BlocksShown() >= shown + 2; }));
                ASSERT_TRUE(page.ClickControl(IDC_INPUTS_RECORD));
            }
            ASSERT_TRUE(pumpUntil([&] { return !page.IsRecordingToFile(); }));
            m_host.RunUntilIdle();
        }
        ASSERT_EQ(m_boxes.asked.size(), 1u);
        EXPECT_EQ(m_boxes.asked[0].caption, "WizardAudio");
        EXPECT_EQ(m_boxes.asked[0].text, "Unable to write file: " + recording + "\nFile too large");
        EXPECT_EQ(page.GetDlgItemText(IDC_INPUTS_RECORD), "Record");
        EXPECT_EQ(page.GetDlgItemText(IDC_BODY), CInputsSetup::kInstructionText);
        EXPECT_FALSE(Enabled(IDC_INPUTS_PLAYBACK));
        EXPECT_FALSE(Enabled(IDC_INPUTS_SAVE));
        EXPECT_FALSE(std::filesystem::exists(recording)) << "no partial recording is left";
        m_page.reset();
    }
    SetSoundSystem(nullptr);
}

TEST_F(InputsPageTest, BlocksAreDrawnWithTheTitleOfWhatIsHeard)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone});
    const auto block = reinterpret_cast<WPARAM>(&page.MonitorEngine().m_pSamples);
    page.MonitorEngine().m_bRecording = 1;  // as while the monitor runs
    page.Post(WM_APP + 2, block, 4096);
    m_host.RunUntilIdle();
    EXPECT_EQ(page.Surfaces().LastTitle(), "Input 1 Monitored Signal");
    EXPECT_EQ(page.Surfaces().LastCount(), 2048);
    ClickPanel(3);
    page.ClickControl(IDC_INPUTS_RECORD);
    page.Post(WM_APP + 2, block, 1 << 30);
    m_host.RunUntilIdle();
    EXPECT_EQ(page.Surfaces().LastTitle(), "Input 4 Recorded Signal");
    EXPECT_EQ(page.Surfaces().LastCount(), 8192) << "never more than the block holds";
    const int shown = page.Surfaces().BlocksShown();
    page.Post(WM_APP + 2, 12345, 4096);  // not the monitor's block
    page.Post(WM_APP + 2, block, -1);
    m_host.RunUntilIdle();
    EXPECT_EQ(page.Surfaces().BlocksShown(), shown);
    page.ClickControl(IDC_INPUTS_RECORD);
}

// The unit's sound card goes while the page runs: after the monitor has heard
// the card, its failure closes the page as a closing request does.
TEST_F(InputsPageTest, LosingTheSoundCardClosesThePage)
{
    CSimSoundSystem sound;
    const auto card = sound.AddCard("Qrvl VK550_SAL");
    sound.SetSignal(card.in, std::make_shared<CSineSignal>(440.0, 8000.0));
    sound.SetDeliveryBudget(card.in, 2);
    SetSoundSystem(&sound);
    Start({.type = kUnitStandAlone, .modes = {0, 15, 15, 15}});
    CInputsSetup page(*m_owner, 0);
    m_host.ThenWaitFor([&](CHeadlessHost&) { return page.Surfaces().BlocksShown() >= 1; })
        .Then([&](CHeadlessHost&) {
            m_unit->ClearLog();
            sound.RemoveCard(card);
        })
        .ThenWaitFor([&](CHeadlessHost&) { return page.IsEnded(); });
    EXPECT_EQ(page.DoModal(), kInputsClosed);
    SetSoundSystem(nullptr);
    const Lines sent = Transcript(*m_unit);
    EXPECT_NE(std::find(sent.begin(), sent.end(), "ROUTE 13 13"), sent.end());
}

TEST_F(InputsPageTest, AMonitorThatNeverOpenedKeepsThePageOpen)
{
    CInputsSetup& page = Open({.type = kUnitStandAlone});
    page.Post(WM_APP + 1, 1, 0);
    m_host.RunUntilIdle();
    EXPECT_FALSE(page.IsEnded());
}

}  // namespace
}  // namespace vk
