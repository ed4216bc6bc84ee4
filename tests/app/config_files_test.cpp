// The wizard's "Save unit configuration..." and "Load unit configuration..."
// entries with the headless host: when they can be chosen, what a saved file
// holds, what a loaded one sends (nothing before Yes, only the differences
// after it), files that are refused, and the commissioning record "Exit >"
// leaves after a finished run.
#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "commission/ConfigurationDiff.h"
#include "commission/ConfigurationFile.h"
#include "commission/ConfigurationReader.h"
#include "resources/ControlIds.h"
#include "tests/sim/unit/UnitWrites.h"
#include "WizardSoundFixture.h"

#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

namespace vk {
namespace {

using K = SimUnitKind;
using commission::UnitConfiguration;

constexpr int N = IDC_NEXT;

using vk::testing::WritesIn;

std::string FileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class ConfigFilesTest : public testing::WizardSoundFixture {
protected:
    // The wizard on the unit; the recordings folder is also the records folder unless told otherwise.
    void Start(K kind, bool recordFolderSet = true)
    {
        m_unit = PlugWithCard(kind);
        m_bus.SetChangeListener([this] { (void)m_dlg.Post(WM_DEVICECHANGE, 7, 0); });
        const std::string records = (m_dir / "records").string() + "/";
        m_env.SetFolders("", records, recordFolderSet ? records : "");
        ASSERT_TRUE(m_dlg.Create());
        std::filesystem::create_directories(m_dir / "records");
    }
    void TearDownWizard() override
    {
        m_bus.SetChangeListener({});
        m_dlg.DestroyWindow();
        testing::WizardSoundFixture::TearDownWizard();
    }
    // Next; when it opens the inputs page, that is clicked through its four channels.
    void Next(int page, bool throughInputs = false)
    {
        if (throughInputs)
            m_host.Then([](CHeadlessHost& h) {
                CDialog* inputs = h.ActiveModal();
                for (int i = 0; i < 4 && !inputs->IsEnded(); ++i)
                    ASSERT_TRUE(inputs->ClickControl(N));
            });
        ASSERT_TRUE(m_dlg.ClickControl(N));
        m_host.AdvanceTime(250);
        ASSERT_EQ(m_host.StepsLeft(), 0u);
        ASSERT_EQ(PageNumber(m_dlg.View().CurrentPage()), page);
    }
    // Read through the wizard's own connection: the answers to a second one
    // would reach the wizard's too (every open handle of a unit gets every
    // report) and make it send again.
    [[nodiscard]] UnitConfiguration UnitHolds()
    {
        auto read = commission::ReadConfiguration(CWizardTestSeam::Unit(m_dlg));
        EXPECT_TRUE(read.configuration) << read.failedPart;
        return read.configuration.value_or(UnitConfiguration{});
    }
    [[nodiscard]] bool EntriesEnabled()
    {
        m_dlg.PrepareSystemMenu();
        bool save = false, load = false;
        for (const SystemMenuItem& item : m_dlg.SystemMenu()) {
            save = item.id == IDM_SAVECONFIG ? item.enabled : save;
            load = item.id == IDM_LOADCONFIG ? item.enabled : load;
        }
        EXPECT_EQ(save, load);
        return save && load;
    }
    void Load(const std::filesystem::path& file)
    {
        m_host.fileDialogs.answers.push_back(file.string());
        m_dlg.SendMessage(WM_SYSCOMMAND, IDM_LOADCONFIG);
    }

    std::shared_ptr<CSimUnit> m_unit;
    CQuorvelVK550ConfigDlg m_dlg;
};

TEST_F(ConfigFilesTest, TheEntriesCanBeChosenOnlyWithAnOpenUnitAndNoTestRunning)
{
    ASSERT_TRUE(m_dlg.Create());
    EXPECT_FALSE(EntriesEnabled()) << "no unit";
    m_dlg.SendMessage(WM_SYSCOMMAND, IDM_SAVECONFIG);
    m_dlg.SendMessage(WM_SYSCOMMAND, IDM_LOADCONFIG);
    EXPECT_TRUE(m_host.fileDialogs.asked.empty()) << "a disabled entry does nothing";
    m_dlg.DestroyWindow();

    Start(K::StandAlone);
    ASSERT_EQ(m_dlg.View().CurrentPage(), Page::ConfigurationType);
    EXPECT_TRUE(EntriesEnabled());
    Next(5);
    EXPECT_TRUE(EntriesEnabled()) << "the speaker page without a test sound";
    std::optional<bool> duringInputs;
    m_host.Then([&](CHeadlessHost&) { duringInputs = EntriesEnabled(); });
    Next(8, true);
    EXPECT_EQ(duringInputs, false) << "the inputs page is open";
    EXPECT_FALSE(EntriesEnabled()) << "the output page listens";
    Next(13);
    EXPECT_TRUE(EntriesEnabled());
}

TEST_F(ConfigFilesTest, SaveWritesAFileThatReadsBackAsWhatTheUnitHolds)
{
    Start(K::Master);
    const auto file = m_dir / "unit.toml";
    m_host.fileDialogs.answers.push_back(file.string());
    m_unit->ClearLog();
    m_dlg.SendMessage(WM_SYSCOMMAND, IDM_SAVECONFIG);

    EXPECT_TRUE(WritesIn(m_unit->Log()).empty());
    ASSERT_EQ(m_host.fileDialogs.asked.size(), 1u);
    const FileDialogRequest& asked = m_host.fileDialogs.asked[0];
    const UnitConfiguration holds = UnitHolds();
    EXPECT_FALSE(asked.open);
    EXPECT_EQ(asked.initialName, m_dlg.View().WaveDir() + holds.identity.serialNumber + ".toml");
    EXPECT_EQ(asked.flags, OFN_OVERWRITEPROMPT);
    const auto parsed = commission::ParseConfigurationFile(FileText(file), "unit.toml");
    ASSERT_TRUE(parsed.loaded) << (parsed.errors.empty() ? "" : parsed.errors[0]);
    EXPECT_TRUE(parsed.loaded->configuration.SameSettings(holds));
    EXPECT_EQ(parsed.loaded->configuration.identity, holds.identity);
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());
}

TEST_F(ConfigFilesTest, LoadShowsTheChangesAndSendsExactlyThemOnlyAfterYes)
{
    Start(K::StandAlone);
    UnitConfiguration unpowered = UnitHolds();  // input 2 without phantom power to begin with
    unpowered.SetPhantom(1, *commission::PhantomForName("off"));
    ASSERT_TRUE(CWizardTestSeam::Unit(m_dlg).SetPicLines(unpowered.lines, true));
    const UnitConfiguration before = UnitHolds();
    UnitConfiguration wanted = before;
    wanted.channels[2] = {kModeAuxiliary, 24, false, 18, true};
    wanted.SetLevel(1, 20);
    wanted.SetPhantom(1, *commission::PhantomForName("24V"));
    const auto file = m_dir / "changed.toml";
    WriteFile(file, commission::WriteConfigurationFile(wanted));

    m_host.messageBoxes.answers = {IDNO};
    m_unit->ClearLog();
    Load(file);
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
    const auto& question = m_host.messageBoxes.asked[0];
    EXPECT_EQ(question.type, MB_YESNO | MB_ICONQUESTION);
    for (const auto& change : commission::DiffConfigurations(before, wanted))
        EXPECT_NE(question.text.find(change.field + ": " + change.from + " -> " + change.to), std::string::npos)
            << change.field << " missing from: " << question.text;
    EXPECT_NE(question.text.find("phantom power on or up at input 2."), std::string::npos) << question.text;
    EXPECT_TRUE(WritesIn(m_unit->Log()).empty()) << "No sends nothing";
    EXPECT_TRUE(before.SameSettings(UnitHolds()));

    m_host.messageBoxes.answers.push_back(IDYES);
    m_unit->ClearLog();
    Load(file);
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 3u) << "no failure box after Yes, one that says it is done";
    EXPECT_EQ(m_host.messageBoxes.asked[2].type, MB_ICONINFORMATION | MB_OK);
    EXPECT_EQ(m_host.messageBoxes.asked[2].text,
              "Loading changed.toml: " + std::to_string(commission::DiffConfigurations(before, wanted).size()) +
                  " changes applied, read back and stored in the unit.");
    // The channel record, the lines (set, inverse cleared, both stored words), then the speaker register.
    EXPECT_EQ(WritesIn(m_unit->Log()), (std::vector<uint16_t>{0xF000, 0xF010, 0xF010, 0xF00E, 0xF00E, 0xF00E, 0x5114}));
    const auto codes = m_unit->LoggedCodes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), 0xB102), codes.end()) << "the read-back is followed by the store";
    EXPECT_TRUE(wanted.SameSettings(UnitHolds()));
    EXPECT_EQ(m_dlg.View().CurrentPage(), Page::ConfigurationType) << "the page is set up again";
    EXPECT_EQ(m_dlg.View().SpeakerVolume(), 20);

    // Stored: the unit keeps the file's settings over a power cycle.
    m_unit->PowerCycle();
    EXPECT_TRUE(wanted.SameSettings(UnitHolds()));
}

// The unit holds the file's settings but rejects the store of the levels: the user
// is told the settings are not stored, and a power cycle brings back the old ones.
TEST_F(ConfigFilesTest, LoadThatCannotStoreSaysTheSettingsAreNotStored)
{
    Start(K::StandAlone);
    const UnitConfiguration before = UnitHolds();
    UnitConfiguration wanted = before;
    wanted.SetLevel(1, 20);
    WriteFile(m_dir / "louder.toml", commission::WriteConfigurationFile(wanted));
    m_unit->FailTransaction(SimTransactionFault{SimTransactionFault::Kind::Error, 1, 0xB102, 0});
    m_host.messageBoxes.answers = {IDYES};
    Load(m_dir / "louder.toml");

    ASSERT_EQ(m_host.messageBoxes.asked.size(), 2u);
    const auto& told = m_host.messageBoxes.asked[1];
    EXPECT_EQ(told.type, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_NE(told.text.find("did not confirm the store (0xB102)"), std::string::npos) << told.text;
    EXPECT_NE(told.text.find("The settings are not stored"), std::string::npos) << told.text;
    EXPECT_TRUE(wanted.SameSettings(UnitHolds()));

    m_unit->PowerCycle();
    EXPECT_TRUE(before.SameSettings(UnitHolds())) << "the level was never stored";
}

// A new type resets the unit: the wizard starts again on the unit as it came back.
TEST_F(ConfigFilesTest, LoadingAnotherTypeShowsTheUnitAsItCameBack)
{
    Start(K::StandAlone);
    UnitConfiguration wanted = UnitHolds();
    wanted.type = kUnitMaster;
    wanted.flags = UnitTypeRow(kUnitMaster).flagsWord;
    WriteFile(m_dir / "master.toml", commission::WriteConfigurationFile(wanted));
    m_host.messageBoxes.answers = {IDYES};
    Load(m_dir / "master.toml");
    m_host.AdvanceTime(250);

    ASSERT_EQ(m_host.messageBoxes.asked.size(), 2u) << m_host.messageBoxes.asked.back().text;
    EXPECT_EQ(m_host.messageBoxes.asked[1].type, MB_ICONINFORMATION | MB_OK) << m_host.messageBoxes.asked[1].text;
    EXPECT_TRUE(wanted.SameSettings(UnitHolds()));
    EXPECT_EQ(m_dlg.View().UnitType(), kUnitMaster);
    EXPECT_EQ(m_dlg.View().CurrentPage(), Page::ConfigurationType);
    EXPECT_EQ(m_dlg.GetDlgItemText(IDC_BODY),
              "This unit is already configured as MASTER unit.\r\nSelect one of the following options.");
}

struct BadFile {
    const char* name;
    const char* replace;  // the first line holding this text ...
    const char* by;       // ... becomes this line (the one the box names)
    const char* says;
    const char* alsoReplace = nullptr;  // a second line changed, named by nobody
    const char* alsoBy = nullptr;
};

void ReplaceLine(std::string& text, const char* holding, const char* by)
{
    const size_t at = text.find(holding);
    ASSERT_NE(at, std::string::npos) << holding;
    const size_t begin = text.rfind('\n', at) + 1;
    text.replace(begin, text.find('\n', at) - begin, by);
}

class RefusedFileTest : public ConfigFilesTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(RefusedFileTest, NamesTheLineAndSendsNothing)
{
    const BadFile& c = GetParam();
    Start(K::StandAlone);
    std::string text = commission::WriteConfigurationFile(UnitHolds());
    ASSERT_NO_FATAL_FAILURE(ReplaceLine(text, c.replace, c.by));
    if (c.alsoReplace) {
        ASSERT_NO_FATAL_FAILURE(ReplaceLine(text, c.alsoReplace, c.alsoBy));
    }
    const size_t begin = text.find(c.by);
    const int line = static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(begin), '\n')) + 1;
    WriteFile(m_dir / "bad.toml", text);

    m_unit->ClearLog();
    Load(m_dir / "bad.toml");

    EXPECT_TRUE(WritesIn(m_unit->Log()).empty());
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
    const std::string& box = m_host.messageBoxes.asked[0].text;
    EXPECT_TRUE(std::regex_search(box, std::regex("bad\\.toml:" + std::to_string(line) + ":[1-9][0-9]*: "))) << box;
    EXPECT_NE(box.find(c.says), std::string::npos) << box;
    EXPECT_NE(box.find("Nothing was sent to the unit."), std::string::npos) << box;
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, RefusedFileTest,
    ::testing::Values(BadFile{"GainBetweenSteps", "gain_db = ", "gain_db = 35.9", "gain"},
                      BadFile{"OtherFormatVersion", "format_version = ", "format_version = 2", "version"},
                      BadFile{"UnknownKey", "register_4 = ", "register_5 = 3", "register_5"},
                      // Only the unit can refuse this one: it is read, and still nothing is written.
                      BadFile{"TypeTheUnitCannotTake", "type = ", "type = \"NEW\"", "cannot be made NEW again",
                              "flags = ", "flags = 0x0000"}),
    [](const auto& param) { return std::string(param.param.name); });

struct RecordCase {
    const char* name;
    bool storeAnswered;
    std::optional<EchoTestFigures> echo;
    bool loadAfterStore = false;  // a changed configuration loaded on page 13
    bool recordFolderSet = true;  // without the setting there is no record
    bool recorded = storeAnswered && !loadAfterStore && recordFolderSet;
};

class RecordTest : public ConfigFilesTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(RecordTest, ExitAfterAStoredRunLeavesTheUnitsRecord)
{
    const RecordCase& c = GetParam();
    Start(K::Slave, c.recordFolderSet);
    if (!c.storeAnswered) {
        SimFaults silentStore;
        silentStore.onlyFor = 0xB7FF;
        silentStore.silent = true;
        m_unit->SetFaults(silentStore);
    }
    CWizardTestSeam::SetEchoTestResults(m_dlg, c.echo);
    Next(13, true);
    m_unit->SetFaults({});
    if (c.loadAfterStore) {
        UnitConfiguration changed = UnitHolds();
        changed.SetLevel(7, 5);
        WriteFile(m_dir / "changed.toml", commission::WriteConfigurationFile(changed));
        m_host.messageBoxes.answers = {IDYES};
        Load(m_dir / "changed.toml");
        ASSERT_TRUE(changed.SameSettings(UnitHolds()));
        ASSERT_EQ(m_dlg.View().CurrentPage(), Page::Finished);
    }
    m_host.messageBoxes.asked.clear();
    m_unit->ClearLog();
    ASSERT_TRUE(m_dlg.ClickControl(N));
    // The exit reads the unit only for its record.
    EXPECT_EQ(m_unit->Log().size() > 2, c.recorded) << m_unit->Log().size() << " commands at the exit";
    EXPECT_EQ(m_dlg.Result(), IDOK);
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());

    const UnitConfiguration holds = UnitHolds();
    const auto record = m_dir / "records" / ("Record_" + holds.identity.serialNumber + ".html");
    ASSERT_EQ(std::filesystem::exists(record), c.recorded);
    if (!c.recorded)
        return;
    const std::string html = FileText(record);
    EXPECT_NE(html.find("<tr><th>Serial number</th><td>" + holds.identity.serialNumber + "</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<tr><th>Type</th><td>SLAVE</td></tr>"), std::string::npos);
    EXPECT_EQ(html.find("<th>Changed</th>"), std::string::npos) << "a wizard run does not know what changed";
    EXPECT_EQ(html.find("<tr><th>Echo reduction</th><td>21.5 dB</td></tr>") != std::string::npos, c.echo.has_value());
    EXPECT_EQ(html.find("<tr><th>Residual echo</th><td>-48.0 dB</td></tr>") != std::string::npos, c.echo.has_value());
}

INSTANTIATE_TEST_SUITE_P(Wizard, RecordTest,
                         ::testing::Values(RecordCase{"Stored", true, std::nullopt},
                                           RecordCase{"StoredAfterAnEchoTest", true, EchoTestFigures{21.5, -48.0}},
                                           RecordCase{"StoreUnanswered", false, std::nullopt},
                                           // The settings stored are no longer what the unit holds.
                                           RecordCase{"LoadedAfterTheStore", true, std::nullopt, true},
                                           RecordCase{"NoRecordFolderSet", true, std::nullopt, false, false}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace vk
