// The wizard's "Save unit configuration...", "Load unit configuration..." and
// "Save commissioning record..." entries with the headless host: when they can
// be chosen, what a saved file holds, what a loaded one sends (nothing before
// Yes, only the differences after it) and what the box after it says, files
// that are refused, and the commissioning record saved from the menu or left by
// "Exit >" after a finished run.
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
    void Start(K kind, bool recordFolderSet = true, std::string waveDir = "")
    {
        m_unit = PlugWithCard(kind);
        m_bus.SetChangeListener([this] { (void)m_dlg.Post(WM_DEVICECHANGE, 7, 0); });
        const std::string records = (m_dir / "records").string() + "/";
        m_env.SetFolders("", waveDir.empty() ? records : waveDir, recordFolderSet ? records : "");
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
    // The file holds `wanted`; Yes to its changes.
    void LoadWithYes(const UnitConfiguration& wanted, const std::string& name)
    {
        WriteFile(m_dir / name, commission::WriteConfigurationFile(wanted));
        m_host.messageBoxes.answers.push_back(IDYES);
        Load(m_dir / name);
    }
    [[nodiscard]] bool RecordEntryEnabled()
    {
        m_dlg.PrepareSystemMenu();
        for (const SystemMenuItem& item : m_dlg.SystemMenu())
            if (item.id == IDM_SAVERECORD)
                return item.enabled;
        ADD_FAILURE() << "no record entry";
        return false;
    }
    void SaveRecord(const std::filesystem::path& file)
    {
        m_host.fileDialogs.answers.push_back(file.string());
        m_dlg.SendMessage(WM_SYSCOMMAND, IDM_SAVERECORD);
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
    const auto wanted = commission::WantedConfiguration(*parsed.loaded, holds);
    EXPECT_TRUE(wanted.refusals.empty());
    EXPECT_TRUE(wanted.wanted.SameSettings(holds));
    EXPECT_EQ(parsed.loaded->identity, holds.identity);
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
    wanted.SetPhantom(2, kPhantomOff);  // an auxiliary input has none
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
    // Input 3 becomes auxiliary as the inputs page makes it (its record, then its
    // lines: set, inverse cleared, both stored words), then the wanted record, the
    // wanted lines, then the speaker register.
    EXPECT_EQ(WritesIn(m_unit->Log()), (std::vector<uint16_t>{0xF000, 0xF010, 0xF010, 0xF00E, 0xF00E, 0xF00E, 0xF000,
                                                              0xF010, 0xF010, 0xF00E, 0xF00E, 0xF00E, 0x5114}));
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
                      BadFile{"OtherFormatVersion", "format_version = ", "format_version = 3", "version"},
                      BadFile{"UnknownKey", "speaker = ", "register_5 = 3", "register_5"},
                      // Read from the unit first: a level above the sliders the unit does not hold.
                      BadFile{"LevelAboveTheSliders", "speaker = ", "speaker = 40", "the wizard's levels go from 0 to 24"},
                      // Only the unit can refuse this one: it is read, and still nothing is written.
                      BadFile{"TypeTheUnitCannotTake", "type = ", "type = \"NEW\"", "cannot be made NEW again",
                              "flags = ", "flags = 0x0000"}),
    [](const auto& param) { return std::string(param.param.name); });

struct RecordCase {
    const char* name;
    bool storeAnswered;
    std::optional<EchoTestFigures> echo;
    bool loadAfterStore = false;  // a changed configuration loaded (and stored) on page 13
    bool recordFolderSet = true;  // without the setting there is no record
    bool recorded = storeAnswered && recordFolderSet;
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
    const auto loaded = m_dir / "changed.toml";
    if (c.loadAfterStore) {
        UnitConfiguration changed = UnitHolds();
        changed.SetLevel(7, 5);
        m_host.messageBoxes.answers.clear();
        LoadWithYes(changed, "changed.toml");
        ASSERT_TRUE(changed.SameSettings(UnitHolds()));
        ASSERT_EQ(m_dlg.View().CurrentPage(), Page::Finished);
    }
    EXPECT_EQ(RecordEntryEnabled(), c.storeAnswered) << "offered once the unit has stored, folder or not";
    m_host.messageBoxes.asked.clear();
    m_unit->ClearLog();
    ASSERT_TRUE(m_dlg.ClickControl(N));
    // The exit reads the unit only for its record.
    EXPECT_EQ(m_unit->Log().size() > 2, c.recorded) << m_unit->Log().size() << " commands at the exit";
    EXPECT_EQ(m_dlg.Result(), IDOK);
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());

    const UnitConfiguration holds = UnitHolds();
    // The name vk550ctl gives a record.
    const auto record = m_dir / "records" / (holds.identity.serialNumber + ".html");
    ASSERT_EQ(std::filesystem::exists(record), c.recorded);
    if (!c.recorded)
        return;
    const std::string html = FileText(record);
    EXPECT_NE(html.find("<tr><th>Serial number</th><td>" + holds.identity.serialNumber + "</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<tr><th>Type</th><td>SLAVE</td></tr>"), std::string::npos);
    EXPECT_NE(html.find("<tr><th>Program</th><td>Quorvel Dravena Configuration 3.1.4.1</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("(simulated unit)</h1>"), std::string::npos);
    // A wizard run does not know what changed; a load does, and names its file.
    EXPECT_EQ(html.find("<tr><th>Changed</th><td>level register 7</td></tr>") != std::string::npos,
              c.loadAfterStore);
    EXPECT_EQ(html.find("<th>Changed</th>") != std::string::npos, c.loadAfterStore);
    EXPECT_EQ(html.find("<tr><th>Configuration file</th><td>" + loaded.string() + "</td></tr>") != std::string::npos,
              c.loadAfterStore);
    EXPECT_EQ(html.find("<tr><th>Echo reduction</th><td>21.5 dB</td></tr>") != std::string::npos, c.echo.has_value());
    EXPECT_EQ(html.find("<tr><th>Residual echo</th><td>-48.0 dB</td></tr>") != std::string::npos, c.echo.has_value());
}

INSTANTIATE_TEST_SUITE_P(Wizard, RecordTest,
                         ::testing::Values(RecordCase{"Stored", true, std::nullopt},
                                           RecordCase{"StoredAfterAnEchoTest", true, EchoTestFigures{21.5, -48.0}},
                                           RecordCase{"StoreUnanswered", false, std::nullopt},
                                           // The load stored what the unit now holds: the record names its file.
                                           RecordCase{"LoadedAfterTheStore", true, std::nullopt, true},
                                           RecordCase{"NoRecordFolderSet", true, std::nullopt, false, false}),
                         [](const auto& param) { return std::string(param.param.name); });

// The entry is there only while the unit holds what it stored: on the finished
// page after its store, or on the page a Load that stored left, until another
// page is shown or a level is sent.
TEST_F(ConfigFilesTest, TheRecordIsOfferedOnlyWhileTheUnitHoldsWhatItStored)
{
    Start(K::StandAlone);
    ASSERT_EQ(m_dlg.View().CurrentPage(), Page::ConfigurationType);
    EXPECT_FALSE(RecordEntryEnabled()) << "nothing stored yet";
    m_dlg.SendMessage(WM_SYSCOMMAND, IDM_SAVERECORD);
    EXPECT_TRUE(m_host.fileDialogs.asked.empty()) << "a disabled entry does nothing";

    UnitConfiguration wanted = UnitHolds();
    wanted.SetLevel(1, 20);
    LoadWithYes(wanted, "louder.toml");
    ASSERT_EQ(m_dlg.View().CurrentPage(), Page::ConfigurationType);
    EXPECT_TRUE(RecordEntryEnabled()) << "the load stored";
    Next(5);
    EXPECT_FALSE(RecordEntryEnabled()) << "the speaker page has sent its set-up";
    ASSERT_TRUE(m_dlg.ClickControl(IDC_BACK));
    ASSERT_EQ(m_dlg.View().CurrentPage(), Page::ConfigurationType);
    EXPECT_FALSE(RecordEntryEnabled()) << "back where the load was, but the unit holds more than it stored";

    Next(5);
    wanted = UnitHolds();
    wanted.SetLevel(1, 10);
    LoadWithYes(wanted, "softer.toml");
    ASSERT_EQ(m_dlg.View().CurrentPage(), Page::Speaker);
    EXPECT_TRUE(RecordEntryEnabled()) << "a load on the speaker page";
    m_dlg.GetDlgItem(IDC_SPEAKER_SLIDER).SetPos(4);
    (void)m_dlg.SendMessage(WM_VSCROLL, WPARAM{4} << 16 | SB_THUMBTRACK, IDC_SPEAKER_SLIDER);
    EXPECT_FALSE(RecordEntryEnabled()) << "the slider sent a level the unit has not stored";

    Next(8, true);
    Next(13);
    EXPECT_TRUE(RecordEntryEnabled()) << "the finished page stored";
    ASSERT_TRUE(m_dlg.ClickControl(IDC_BACK));
    ASSERT_EQ(m_dlg.View().CurrentPage(), Page::OutputListening);
    EXPECT_FALSE(RecordEntryEnabled());
}

// Saved from the menu: the name vk550ctl gives it, proposed in the records
// folder (or the recordings folder, made when missing); the page names the file
// loaded, the program and its version, the settings in words, and that the
// unit was simulated.
TEST_F(ConfigFilesTest, SavedRecordNamesTheFileTheProgramAndTheSettingsInWords)
{
    Start(K::StandAlone);
    UnitConfiguration wanted = UnitHolds();
    wanted.SetLevel(1, 20);
    wanted.SetPhantom(1, *commission::PhantomForName("24V"));
    LoadWithYes(wanted, "room 12.toml");
    ASSERT_TRUE(RecordEntryEnabled());
    const UnitConfiguration holds = UnitHolds();
    const std::string serial = holds.identity.serialNumber;

    const auto file = m_dir / "record.html";
    m_unit->ClearLog();
    SaveRecord(file);
    EXPECT_TRUE(WritesIn(m_unit->Log()).empty()) << "the record only reads the unit";
    ASSERT_EQ(m_host.fileDialogs.asked.size(), 2u);
    const FileDialogRequest& asked = m_host.fileDialogs.asked[1];
    EXPECT_FALSE(asked.open);
    EXPECT_EQ(asked.initialName, m_dlg.View().RecordDir() + serial + ".html");
    EXPECT_EQ(asked.flags, OFN_OVERWRITEPROMPT);
    EXPECT_EQ(m_host.messageBoxes.asked.size(), 2u) << "the load's question and its outcome, nothing more";
    const std::string html = FileText(file);
    for (const std::string& row : {
             "<tr><th>Configuration file</th><td>" + (m_dir / "room 12.toml").string() + "</td></tr>",
             std::string("<tr><th>Program</th><td>Quorvel Dravena Configuration 3.1.4.1</td></tr>"),
             std::string("<tr><th>Result</th><td>applied from the configuration file, settings stored</td></tr>"),
             std::string("<tr><th>Type</th><td>STAND ALONE</td></tr>"),
             std::string("<td>2</td><td>microphone</td>"),
             std::string("dB</td><td>24V</td>"),
             std::string("<tr><th>Speaker level (register 1)</th><td>20</td></tr>"),
             std::string("no real unit was configured"),
         })
        EXPECT_NE(html.find(row), std::string::npos) << row;
    EXPECT_EQ(html.find("Failed step"), std::string::npos);

}

// Without a records folder the record is proposed in the recordings folder,
// made when a new account does not have it yet.
TEST_F(ConfigFilesTest, WithoutARecordsFolderTheRecordGoesBesideTheRecordings)
{
    const std::string wave = (m_dir / "new account" / "WaveFiles").string() + "/";
    Start(K::StandAlone, false, wave);
    UnitConfiguration wanted = UnitHolds();
    wanted.SetLevel(1, 20);
    LoadWithYes(wanted, "louder.toml");
    ASSERT_TRUE(RecordEntryEnabled());
    const std::string serial = UnitHolds().identity.serialNumber;
    std::filesystem::remove_all(m_dir / "new account");
    m_host.fileDialogs.answers.clear();
    m_dlg.SendMessage(WM_SYSCOMMAND, IDM_SAVERECORD);  // cancelled
    ASSERT_FALSE(m_host.fileDialogs.asked.empty());
    EXPECT_EQ(m_host.fileDialogs.asked.back().initialName, wave + serial + ".html");
    EXPECT_TRUE(std::filesystem::is_directory(wave));
}

TEST_F(ConfigFilesTest, ARecordThatCannotBeReadOrWrittenSaysWhy)
{
    Start(K::StandAlone);
    UnitConfiguration wanted = UnitHolds();
    wanted.SetLevel(1, 20);
    LoadWithYes(wanted, "louder.toml");
    ASSERT_TRUE(RecordEntryEnabled());
    m_host.messageBoxes.asked.clear();

    SaveRecord(m_dir / "no such folder" / "record.html");
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
    EXPECT_EQ(m_host.messageBoxes.asked[0].type, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(m_host.messageBoxes.asked[0].text, "Writing the file " + (m_dir / "no such folder" / "record.html").string() +
                                                     " failed: No such file or directory.\nThe commissioning record "
                                                     "was not saved.");

    SimFaults silent;
    silent.silent = true;
    m_unit->SetFaults(silent);
    m_host.fileDialogs.asked.clear();
    SaveRecord(m_dir / "record.html");
    m_unit->SetFaults({});
    EXPECT_TRUE(m_host.fileDialogs.asked.empty()) << "nothing to save: no file is asked for";
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 2u);
    EXPECT_NE(m_host.messageBoxes.asked[1].text.find("Reading the unit's configuration failed at its "), std::string::npos)
        << m_host.messageBoxes.asked[1].text;
    EXPECT_NE(m_host.messageBoxes.asked[1].text.find("No commissioning record was saved."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "record.html"));
}

// What a finished Load says, and whether the unit then holds what it stored.
struct LoadOutcomeCase {
    const char* name;
    bool changes;                                // the file differs from the unit
    std::optional<SimTransactionFault> fault;   // met while applying
    unsigned icon;
    const char* says;  // how the box begins
    bool recordOffered;
    const char* alsoSays = "";
};

class LoadOutcomeTest : public ConfigFilesTest, public ::testing::WithParamInterface<LoadOutcomeCase> {};

TEST_P(LoadOutcomeTest, TheBoxSaysWhatWasAppliedVerifiedAndStored)
{
    const LoadOutcomeCase& c = GetParam();
    Start(K::StandAlone);
    UnitConfiguration wanted = UnitHolds();
    if (c.changes)
        wanted.SetLevel(1, 20);
    if (c.fault)
        m_unit->FailTransaction(*c.fault);
    LoadWithYes(wanted, "f.toml");
    const auto& told = m_host.messageBoxes.asked.back();
    EXPECT_EQ(m_host.messageBoxes.asked.size(), c.changes ? 2u : 1u) << "a question only when there is a change";
    EXPECT_EQ(told.type, c.icon | MB_OK);
    EXPECT_EQ(told.text.substr(0, std::string_view(c.says).size()), c.says) << told.text;
    EXPECT_NE(told.text.find(c.alsoSays), std::string::npos) << told.text;
    EXPECT_EQ(RecordEntryEnabled(), c.recordOffered);
}

using Fault = SimTransactionFault;
INSTANTIATE_TEST_SUITE_P(
    Wizard, LoadOutcomeTest,
    ::testing::Values(
        LoadOutcomeCase{"ChangedVerifiedStored", true, std::nullopt, MB_ICONINFORMATION,
                        "Loading f.toml: 1 change applied, read back and stored in the unit.", true},
        LoadOutcomeCase{"NothingToChange", false, std::nullopt, MB_ICONINFORMATION,
                        "The unit already holds the configuration of f.toml.\nNothing was sent to the unit.", false},
        LoadOutcomeCase{"FailedStep", true, Fault{Fault::Kind::Error, 1, 0x5114, 0}, MB_ICONEXCLAMATION,
                        "Applying f.toml failed at the speaker level.\nThe unit now holds:\n", false,
                        ": 12 (wanted 20)\n"},
        LoadOutcomeCase{"StoreFailed", true, Fault{Fault::Kind::Error, 1, 0xB102, 0}, MB_ICONEXCLAMATION,
                        "The unit took and holds every change of f.toml, but it did not confirm the store (0xB102).\n"
                        "The settings are not stored: the unit forgets them when it is switched off.",
                        false}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace vk
