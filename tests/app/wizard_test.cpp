// The wizard window with the headless host: the page it opens on for the units
// attached, its system menu, the tool message 0x384, the close box and the
// folders it reads at start.
#include "app/AboutDlg.h"
#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "program/WindowTitleLink.h"
#include "platform/ipc/WindowSocket.h"
#include "platform/settings/Paths.h"
#include "platform/settings/RegHelper.h"
#include "RecordingWindows.h"
#include "WizardFixture.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>

namespace vk {
namespace {

using K = SimUnitKind;

constexpr const char* kNoUnitText =
    "No Dravena is connected !\r\nConnect a single Dravena and click the 'next >' button to start configuration.";

struct Expected {
    std::string title;
    std::string body;
    bool nextEnabled = true;
    bool backEnabled = false;
    int icon = 0;
    // The three choices: caption, visible, enabled, checked.
    struct Choice {
        const char* caption;
        bool visible, enabled, checked;
    };
    std::vector<Choice> choices;
};

struct StartCase {
    const char* name;
    std::vector<K> units;
    int page;
    Expected expected;
};

class WizardStartTest : public testing::WizardFixture, public ::testing::WithParamInterface<StartCase> {};

TEST_P(WizardStartTest, OpensOnThePageTheAttachedUnitsCallFor)
{
    const StartCase& c = GetParam();
    PlugAll(c.units);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());

    EXPECT_EQ(PageNumber(dlg.View().CurrentPage()), c.page);
    const Expected& e = c.expected;
    EXPECT_EQ(dlg.GetDlgItemText(1008), e.title);
    EXPECT_EQ(dlg.GetDlgItemText(1009), e.body);
    EXPECT_EQ(dlg.GetDlgItemText(1003), "Next >");
    EXPECT_EQ(dlg.GetDlgItem(1003).IsWindowEnabled(), e.nextEnabled);
    EXPECT_EQ(dlg.GetDlgItem(1004).IsWindowEnabled(), e.backEnabled);
    EXPECT_EQ(dlg.GetDlgItem(1011).GetImage(), e.icon);
    const int ids[] = {1022, 1023, 1024};
    for (size_t i = 0; i < e.choices.size(); ++i) {
        SCOPED_TRACE(ids[i]);
        const CControl& radio = dlg.GetDlgItem(ids[i]);
        EXPECT_EQ(radio.GetWindowText(), e.choices[i].caption);
        EXPECT_EQ(radio.IsWindowVisible(), e.choices[i].visible);
        EXPECT_EQ(radio.IsWindowEnabled(), e.choices[i].enabled);
        EXPECT_EQ(radio.GetCheck() == BST_CHECKED, e.choices[i].checked);
    }
    // Whatever the page, the test controls stay out of sight at the start.
    for (int id : {1010, 1013, 1000, 1114, 1005, 1007, 1001, 1006, 1026, 1109, 1110, 1112, 1014, 1015, 1025, 1})
        EXPECT_FALSE(dlg.GetDlgItem(id).IsWindowVisible()) << id;
    dlg.DestroyWindow();
}

std::string Configured(const char* type)
{
    return std::string("This unit is already configured as ") + type + " unit.\r\nSelect one of the following options.";
}

INSTANTIATE_TEST_SUITE_P(
    Units, WizardStartTest,
    ::testing::Values(
        StartCase{"NoUnit", {}, 0, {"Welcome to Quorvel Dravena Configuration", kNoUnitText, false, false, 132, {
            {"Stand Alone (up to 4 inputs)", false, true, false}, {"Master Unit", false, true, false},
            {"Slave Unit", false, true, false}}}},
        StartCase{"TwoNonMasterUnits", {K::New, K::StandAlone}, 0,
                  {"Welcome to Quorvel Dravena Configuration",
                   "There are 2 Dravena devices connected.\r\nDisconnect all devices except the one you want to "
                   "configure, and click the 'Next >' button to start the configuration.",
                   false, false, 132, {}}},
        StartCase{"OneNewUnit", {K::New}, 1,
                  {"Unit Type Selection", "You are configuring a new Dravena unit.\r\nSelect a type for the new unit.",
                   true, false, 132, {{"Stand Alone", true, true, false}, {"Master", true, true, false},
                                      {"Slave", true, true, false}}}},
        StartCase{"OneTypedUnit", {K::StandAlone}, 2,
                  {"Configuration Type", Configured("STAND ALONE"), true, false, 130,
                   {{"Configure and test the unit", true, true, true}, {"Change the type of the unit", true, true, false},
                    {"Slave Unit", false, true, false}}}},
        // A slave beside a live master: the slave is configured and may not change its type.
        StartCase{"SlaveBesideMaster", {K::Master, K::Slave}, 2,
                  {"Configuration Type", Configured("SLAVE"), true, false, 130,
                   {{"Configure and test the unit", true, true, true}, {"Change the type of the unit", true, false, false},
                    {"Slave Unit", false, true, false}}}},
        StartCase{"MasterAndTwoOthers", {K::Master, K::Slave, K::Slave}, 2,
                  {"Configuration Type",
                   "You have connected one master unit and 2 non-master units.\r\nWith these connections you can only "
                   "do system integration.   ",
                   true, false, 130,
                   {{"Configure and test the unit", true, false, false}, {"Change the type of the unit", true, false, false},
                    {"Slave Unit", false, true, false}}}}),
    [](const auto& param) { return std::string(param.param.name); });

using WizardTest = testing::WizardFixture;

TEST_F(WizardTest, TheSystemMenuOffersTheAboutBoxAndTheUnitReport)
{
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.SystemMenu(), (std::vector<SystemMenuItem>{{0, ""},
                                                             {0x30, "Save unit configuration..."},
                                                             {0x40, "Load unit configuration..."},
                                                             {0x50, "Save commissioning record..."},
                                                             {0, ""},
                                                             {0x20, "About Device ..."},
                                                             {0x10, "&About Quorvel's Dravena Configuration..."}}));

    dlg.SendMessage(WM_SYSCOMMAND, 0x20);
    Plug(K::StandAlone);
    dlg.SendMessage(WM_SYSCOMMAND, 0x2F);  // the low four bits do not count
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 2u);
    const auto& none = m_host.messageBoxes.asked[0];
    EXPECT_EQ(none.text, "No Dravena is connected");
    EXPECT_EQ(none.caption, "Dravena Device Info");
    EXPECT_EQ(none.type, MB_ICONINFORMATION | MB_OK);
    const auto& report = m_host.messageBoxes.asked[1];
    CHIDProtocol reader;
    ASSERT_TRUE(reader.OpenUnit(kFamilyFilter, true));
    EXPECT_EQ(report.text, reader.GetUnitReport());
    EXPECT_NE(report.text, "");
    EXPECT_EQ(report.caption, "Dravena Device Info");
    dlg.DestroyWindow();
}

TEST_F(WizardTest, TheAboutBoxShowsTheVersionOfTheRunningProgram)
{
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    std::string shown;
    m_host.Then([&](CHeadlessHost& host) {
        CDialog* about = host.ActiveModal();
        ASSERT_NE(dynamic_cast<CAboutDlg*>(about), nullptr);
        shown = about->GetDlgItemText(1013);
        about->EndDialog(IDOK);
    });
    dlg.SendMessage(WM_SYSCOMMAND, 0x10);
    // This test program carries version information of its own (see CMakeLists.txt).
    EXPECT_EQ(shown, "Quorvel's Dravena Config Version  2.3.4.5 wizard-test");
    dlg.DestroyWindow();
}

TEST_F(WizardTest, ToolMessage3EndsTheWizardAtOnceWithResult0)
{
    Plug(K::New);
    CQuorvelVK550ConfigDlg dlg;
    m_host.Then([](CHeadlessHost& host) {
        ASSERT_EQ(static_cast<CQuorvelVK550ConfigDlg*>(host.ActiveModal())->View().CurrentPage(), Page::TypeSelection);
        host.ActiveModal()->Post(WM_TOOL_MESSAGE, 0, 3);
    });
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_FALSE(m_host.Stalled());
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());
    EXPECT_FALSE(m_host.Exited());
}

// While another tool has the unit, plugging and unplugging go unnoticed; the
// watch resumes by itself after 180 s, or at once on lParam 7.
TEST_F(WizardTest, ASuspendedDeviceWatchResumesAfter180SecondsOrOnRequest)
{
    for (bool byMessage : {false, true}) {
        SCOPED_TRACE(byMessage ? "lParam 7" : "180 s");
        CQuorvelVK550ConfigDlg dlg;
        ASSERT_TRUE(dlg.Create());
        ASSERT_EQ(dlg.GetDlgItemText(1009), kNoUnitText);

        dlg.Post(WM_TOOL_MESSAGE, 0, 6);
        m_host.RunUntilIdle();
        EXPECT_TRUE(dlg.View().WatchSuspended());
        auto unit = Plug(K::New);
        dlg.Post(WM_DEVICECHANGE, 7, 0);
        m_host.AdvanceTime(1000);
        EXPECT_EQ(dlg.GetDlgItemText(1009), kNoUnitText) << "a suspended watch counts nothing";

        if (byMessage) {
            dlg.Post(WM_TOOL_MESSAGE, 0, 7);
            m_host.RunUntilIdle();
        } else {
            m_host.AdvanceTime(180000 - 1000 - 1);
            EXPECT_TRUE(dlg.View().WatchSuspended());
            m_host.AdvanceTime(1);
        }
        EXPECT_FALSE(dlg.View().WatchSuspended());
        EXPECT_FALSE(dlg.HasTimer(kWatchSuspendTimer));
        EXPECT_EQ(dlg.View().Units(), 1);
        EXPECT_EQ(dlg.View().CurrentPage(), Page::Welcome);
        CHIDProtocol reader;
        ASSERT_TRUE(reader.OpenUnit(kFamilyFilter, true));
        EXPECT_EQ(dlg.GetDlgItemText(1009), "You are configuring " + reader.GetProductName() + " device.")
            << "the new unit was counted and opened";
        dlg.DestroyWindow();
        m_bus.Unplug(unit);
    }
}

TEST_F(WizardTest, DeviceNotificationsInABurstLeadToOneRecount)
{
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    Plug(K::New);
    for (int i = 0; i < 3; ++i) {
        dlg.Post(WM_DEVICECHANGE, 7, 0);
        m_host.AdvanceTime(50);
    }
    EXPECT_EQ(dlg.View().Units(), 0) << "nothing is counted while notifications keep coming";
    EXPECT_EQ(dlg.GetDlgItemText(1009), kNoUnitText);
    m_host.AdvanceTime(150);
    // 200 ms after the last one: a non-master unit leaves the wizard on page 0, ready to go.
    EXPECT_EQ(dlg.View().Units(), 1);
    EXPECT_EQ(dlg.View().CurrentPage(), Page::Welcome);
    EXPECT_TRUE(dlg.GetDlgItem(1003).IsWindowEnabled());
    EXPECT_FALSE(dlg.HasTimer(kDeviceSettleTimer));
    dlg.DestroyWindow();
}

TEST_F(WizardTest, TheUnitTypeFollowsTheFlagsWord)
{
    auto unit = Plug(K::New);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    struct Case {
        uint16_t flags;
        int type;
        const char* name;
        const char* endpoint;
    } const cases[] = {
        {0x8009, 1, "STAND ALONE", "Qrvl VK550_SAL"}, {0xC009, 2, "MASTER", "Qrvl VK550_MAS"},
        {0xC002, 3, "SLAVE", "Qrvl VK550_SLV"},       {0x8002, 3, "SLAVE", "Qrvl VK550_SLV"},
        {0x4001, 0, "NEW", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        unit->WithState([&](SimUnitState& state) { state.parameters[{0, 10}] = {c.flags}; });
        dlg.ReadUnitType();
        EXPECT_EQ(dlg.View().UnitFlags(), c.flags);
        EXPECT_EQ(dlg.View().UnitType(), c.type);
        EXPECT_EQ(dlg.View().TypeName(), c.name);
        EXPECT_EQ(dlg.View().AudioDeviceName(), c.endpoint);
    }
    dlg.DestroyWindow();
}

// One lost answer to the flags read does not make a configured unit new: its
// product id says what it is. And a flags word the wizard did not read from this
// unit is never written back into it (it would take the unit's type away).
TEST_F(WizardTest, AFailedFlagsReadTakesTheTypeFromTheProductIdAndWritesNoFlags)
{
    struct Case {
        K kind;
        int type;
    } const cases[] = {{K::StandAlone, 1}, {K::Master, 2}, {K::Slave, 3}, {K::New, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        auto unit = Plug(c.kind);
        CQuorvelVK550ConfigDlg dlg;
        ASSERT_TRUE(dlg.Create());
        SimFaults lost;
        lost.silent = true;
        lost.onlyFor = 0xF00D;
        unit->SetFaults(lost);
        dlg.ReadUnitType();
        unit->SetFaults({});
        EXPECT_EQ(dlg.View().UnitType(), c.type);
        unit->ClearLog();
        dlg.SaveMasterInputs();
        dlg.RestoreMasterInputs();
        for (const auto& command : unit->Log())
            EXPECT_FALSE(command.Code() == 0xF00C && command.bytes[3] == 0 && command.bytes[4] == 10)
                << "flags word written";
        dlg.DestroyWindow();
        m_bus.Unplug(unit);
    }
}

// The pages of the tests: what each shows, and the output level read from line 23.
TEST_F(WizardTest, TheTestPagesShowTheirOwnControls)
{
    auto unit = Plug(K::StandAlone);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    struct Case {
        int page;
        std::optional<bool> line23;  // nullopt: the read fails
        const char* title;
        const char* next;
        int icon;
        std::vector<int> shown;
        int checkedLevel;  // 1110 or 1112, 0: none shown
    } const cases[] = {
        {5, true, "STAND ALONE Speaker Setup", "Next >", 130, {1010, 1013, 1000, 1005, 1007, 1001, 1006}, 0},
        {8, true, "STAND ALONE Output Setup", "Next >", 129,
         {1010, 1013, 1000, 1114, 1005, 1007, 1001, 1006, 1026, 1109, 1110, 1112}, 1110},
        {8, false, "STAND ALONE Output Setup", "Next >", 129,
         {1010, 1013, 1000, 1114, 1005, 1007, 1001, 1006, 1026, 1109, 1110, 1112}, 1112},
        {8, std::nullopt, "STAND ALONE Output Setup", "Next >", 129,
         {1010, 1013, 1000, 1114, 1005, 1007, 1001, 1006, 1026, 1109, 1110, 1112}, 1110},
        {13, true, "Stand Alone unit configuration ended succesfully.", "Exit >", 132, {}, 0},
    };
    const int all[] = {1010, 1013, 1000, 1114, 1005, 1007, 1001, 1006, 1026, 1109, 1110, 1112, 1014, 1022, 1023, 1024};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << c.page);
        SimFaults faults;
        faults.silent = !c.line23.has_value();
        unit->SetFaults(faults);
        unit->WithState([&](SimUnitState& state) { state.picLines = c.line23.value_or(false) ? 1u << 23 : 0; });
        CWizardTestSeam::PutOnPage(dlg, static_cast<Page>(c.page));
        dlg.ShowPage();
        EXPECT_EQ(dlg.GetDlgItemText(1008), c.title);
        EXPECT_EQ(dlg.GetDlgItemText(1003), c.next);
        EXPECT_EQ(dlg.GetDlgItem(1011).GetImage(), c.icon);
        for (int id : all) {
            const bool shown = std::find(c.shown.begin(), c.shown.end(), id) != c.shown.end();
            EXPECT_EQ(dlg.GetDlgItem(id).IsWindowVisible(), shown) << id;
        }
        if (c.checkedLevel) {
            EXPECT_EQ(dlg.IsDlgButtonChecked(c.checkedLevel), BST_CHECKED);
            EXPECT_EQ(dlg.IsDlgButtonChecked(c.checkedLevel == 1110 ? 1112 : 1110), BST_UNCHECKED);
        }
    }
    dlg.DestroyWindow();
}

// While the inputs page runs in its nested loop, the wizard still follows the
// units: a change closes the inputs page (result 0). When the unit it configured
// has gone and only a master is left, nothing of the page's end reaches the
// master, and the wizard shows page 0 once the page has closed.
TEST_F(WizardTest, ADeviceChangeClosesTheInputsPageAndNothingReachesTheUnitLeftBeside)
{
    auto master = Plug(K::Master);
    auto slave = Plug(K::Slave);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    ASSERT_EQ(dlg.View().UnitType(), 3);
    bool inputsRan = false;
    m_host.Then([&](CHeadlessHost& host) {
        inputsRan = host.ModalDepth() == 1 && dlg.View().InputsPage() == host.ActiveModal();
        m_bus.Unplug(slave);
        master->ClearLog();
        dlg.Post(WM_DEVICECHANGE, 7, 0);
        host.AdvanceTime(200);
    });
    CWizardTestSeam::PutOnPage(dlg, Page::Inputs);
    dlg.ShowPage();

    EXPECT_TRUE(inputsRan);
    EXPECT_FALSE(m_host.Stalled());
    EXPECT_EQ(m_host.ModalDepth(), 0u);
    EXPECT_EQ(dlg.View().InputsPage(), nullptr);
    EXPECT_EQ(dlg.View().CurrentPage(), Page::Welcome);
    EXPECT_EQ(dlg.View().Units(), 1);
    EXPECT_EQ(dlg.GetDlgItemText(1008), "Welcome to Quorvel Dravena Configuration");
    // Only reads reach the master: no levels, routes or channel records.
    for (const auto& command : master->Log()) {
        const int code = command.Code();
        EXPECT_FALSE(code == 0xF001 || code == 0xF006 || code == 0xF00E || (code >= 0x5100 && code < 0x5800))
            << std::hex << code;
    }
    dlg.DestroyWindow();
}

// The end of a test sound that arrives after Next on page 5 has opened the
// inputs page (the sound ended just as Next was pressed) is a late message: it
// neither opens a second inputs page inside the first nor touches the unit.
TEST_F(WizardTest, ALateEndOfSoundOnTheInputsPageIsIgnored)
{
    auto unit = Plug(K::StandAlone);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    size_t depthAfterTheEnd = 0;
    std::vector<SimLoggedCommand> sentMeanwhile;
    m_host.Then([&](CHeadlessHost&) {
              unit->ClearLog();
              dlg.Post(WM_APP + 1, 0, 0);
          })
        .Then([&](CHeadlessHost& host) {
            depthAfterTheEnd = host.ModalDepth();
            sentMeanwhile = unit->Log();
            if (dlg.View().InputsPage())
                dlg.View().InputsPage()->Post(WM_APP + 2, 0, -2);
        });
    CWizardTestSeam::PutOnPage(dlg, Page::Inputs);
    dlg.ShowPage();

    EXPECT_FALSE(m_host.Stalled());
    EXPECT_EQ(depthAfterTheEnd, 1u);
    EXPECT_TRUE(sentMeanwhile.empty()) << "first: " << std::hex << sentMeanwhile.front().Code();
    EXPECT_EQ(m_host.ModalDepth(), 0u);
    EXPECT_EQ(dlg.View().CurrentPage(), Page::Inputs);
    dlg.DestroyWindow();
}

// The choices disabled on the system-integration page come back on the type
// page: a new unit left alone after the others were unplugged can be given any type.
TEST_F(WizardTest, TheTypePageOffersEveryTypeAfterTheSystemIntegrationPage)
{
    auto master = Plug(K::Master);
    auto other = Plug(K::New);
    Plug(K::New);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    ASSERT_EQ(dlg.View().CurrentPage(), Page::ConfigurationType);
    ASSERT_FALSE(dlg.GetDlgItem(1022).IsWindowEnabled());
    for (const auto& unit : {master, other}) {
        m_bus.Unplug(unit);
        dlg.Post(WM_DEVICECHANGE, 7, 0);
        m_host.AdvanceTime(200);
    }
    ASSERT_EQ(dlg.View().CurrentPage(), Page::Welcome);
    ASSERT_TRUE(dlg.ClickControl(1003));
    ASSERT_EQ(dlg.View().CurrentPage(), Page::TypeSelection);
    for (int id : {1022, 1023, 1024}) {
        EXPECT_TRUE(dlg.GetDlgItem(id).IsWindowVisible()) << id;
        EXPECT_TRUE(dlg.GetDlgItem(id).IsWindowEnabled()) << id;
    }
    dlg.DestroyWindow();
}

TEST_F(WizardTest, TheAudioSetupToolIsToldWhenItRuns)
{
    testing::CRecordingWindows windows;
    SetWindows(&windows);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.NotifyAudioSetupTool();
    EXPECT_TRUE(windows.posted.empty());
    windows.present = {"Quorvel Audio Setup"};
    dlg.NotifyAudioSetupTool();
    ASSERT_EQ(windows.posted.size(), 1u);
    EXPECT_EQ(windows.posted[0].title, "Quorvel Audio Setup");
    EXPECT_EQ(windows.posted[0].message, 0x384u);
    EXPECT_EQ(windows.posted[0].wParam, 0);
    EXPECT_EQ(windows.posted[0].lParam, 1);
    dlg.DestroyWindow();
    SetWindows(nullptr);
}

struct CancelCase {
    int page;
    int unitType;
    int answer;        // to the question, when one is asked
    const char* text;  // the question; null: none
    bool exits;
};

TEST_F(WizardTest, TheCloseBoxEndsTheProgramAskingOnlyWhileAConfigurationIsUnderWay)
{
    const char* kMasterQuestion =
        "You are stopping the Configuration of the Master Dravena before settings is completed and saved to the "
        "device,\nThe device may be left in a non functional state.\nIt is recomended to pass all the steps of the "
        "configuration before exiting.\n\nDo you realy want to exit ?";
    const char* kQuestion =
        "You are stopping the Configuration of the Dravena before settings is completed and saved to the device,\nIt "
        "is recomended to pass all the steps of the configuration before exiting.\n\nDo you realy want to exit ?";
    const CancelCase cases[] = {
        {0, 0, IDYES, nullptr, true},    {1, 0, IDYES, nullptr, true},     {2, 1, IDYES, nullptr, true},
        {13, 3, IDYES, nullptr, true},   {5, 1, IDNO, kQuestion, false},   {5, 1, IDYES, kQuestion, true},
        {8, 2, IDNO, kMasterQuestion, false}, {8, 2, IDYES, kMasterQuestion, true},
        {9, 3, IDYES, kQuestion, true},
    };
    Plug(K::StandAlone);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << c.page << " type " << c.unitType);
        CHeadlessHost host;
        host.Install();
        host.messageBoxes.answers = {c.answer};
        CQuorvelVK550ConfigDlg dlg;
        ASSERT_TRUE(dlg.Create());
        CWizardTestSeam::PutOnPage(dlg, static_cast<Page>(c.page));
        CWizardTestSeam::SetUnitType(dlg, c.unitType);
        dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
        ASSERT_EQ(host.messageBoxes.asked.size(), c.text ? 1u : 0u);
        if (c.text) {
            EXPECT_EQ(host.messageBoxes.asked[0].text, c.text);
            EXPECT_EQ(host.messageBoxes.asked[0].caption, "Dravena configurarion");
            EXPECT_EQ(host.messageBoxes.asked[0].type, MB_YESNO | MB_ICONEXCLAMATION);
        }
        EXPECT_EQ(host.Exited(), c.exits);
        if (c.exits) {
            EXPECT_EQ(host.ExitCode(), 0);
        }
        dlg.DestroyWindow();
    }
}

TEST_F(WizardTest, FirstStartCreatesTheProgramKeyAndUsesTheFolderDefaults)
{
    ::setenv("QUORVEL_DATA_DIR", "/opt/quorvel", 1);
    ::setenv("XDG_DATA_HOME", "/home/u/.local/share", 1);
    {
        CQuorvelVK550ConfigDlg dlg;
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(dlg.View().InstallDir(), "/opt/quorvel/");
        EXPECT_EQ(dlg.View().WaveDir(), "/home/u/.local/share/Selvo/Quorvel Dravena Config/WaveFiles/");
        dlg.DestroyWindow();
    }
    const std::string key = std::string("HKEY_CURRENT_USER\\") + kProgramKey;
    ASSERT_TRUE(m_store->KeyExists(key));
    EXPECT_FALSE(m_store->Query(key, "Install Directory").has_value()) << "the key is created empty";

    // Values written by the installation, one of them in the original platform's form.
    CRegHelper reg;
    ASSERT_TRUE(reg.OpenKey(kProgramKey));
    ASSERT_TRUE(reg.WriteString("Install Directory", "/srv/quorvel\\"));
    ASSERT_TRUE(reg.WriteString("Wave Files Directory", paths::kWindowsWaveDir));
    {
        CQuorvelVK550ConfigDlg dlg;
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(dlg.View().InstallDir(), "/srv/quorvel/");
        EXPECT_EQ(dlg.View().WaveDir(), "/home/u/.local/share/Selvo/Quorvel Dravena Config/WaveFiles/");
        dlg.DestroyWindow();
    }
    ::unsetenv("QUORVEL_DATA_DIR");
    ::unsetenv("XDG_DATA_HOME");
}

// Another program ends the wizard through its window title, as the tools of the
// product family do.
TEST_F(WizardTest, AnotherProgramFindsTheWizardByItsTitle)
{
    const auto folder = m_dir / "windows";
    std::filesystem::create_directories(folder);
    ::chmod(folder.c_str(), 0700);
    ::setenv("QUORVEL_WINDOWS_DIR", folder.c_str(), 1);

    CQuorvelVK550ConfigDlg dlg;
    dlg.SetAttach([](CDialog& window) -> std::shared_ptr<void> {
        return CWindowTitleLink::Bind(kWizardTitle, window);
    });
    m_host.Then([](CHeadlessHost&) {
        auto wizard = CSocketWindowDirectory().FindWindow(kWizardTitle);
        ASSERT_NE(wizard, nullptr);
        EXPECT_TRUE(wizard->PostMessage(WM_TOOL_MESSAGE, 0, 3));
    });
    m_host.ThenWaitFor([&](CHeadlessHost&) { return dlg.IsEnded(); }, 10000);
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_EQ(CSocketWindowDirectory().FindWindow(kWizardTitle), nullptr) << "the title goes with the window";
    ::unsetenv("QUORVEL_WINDOWS_DIR");
}

}  // namespace
}  // namespace vk
