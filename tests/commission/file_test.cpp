// The configuration file: what is written, that it reads back to the same
// configuration, and every way a file is refused (with its line and column).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>

#include "commission/CommissioningRecord.h"
#include "commission/ConfigurationFile.h"
#include "commission/WholeFile.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

UnitConfiguration Master()
{
    UnitConfiguration config;
    config.identity = {0x217, "Dravena-Master", "Qrvl VK550_MAS", "VK550\"0001234", "7.2", 22};
    config.type = kUnitMaster;
    config.flags = 0xC01B;
    config.lines = {0x1FD7, 0xBDEF};
    config.address = 0x2000;
    config.channels[0] = {kModeSlaveLink, 24, false, 24, true};
    config.channels[1] = {kModeReinforcement, 24, false, 10, false};
    config.channels[2] = {kModeAuxiliary, 200, true, 0, false};
    config.channels[3] = {kModeNotUsed, 24, false, 24, true};
    config.SetGainStep(1, 6);
    config.SetPhantom(1, kPhantom24V);
    config.SetGainStep(3, 7);
    config.levels = {12, 24, 0, 63};
    return config;
}

LoadedConfiguration Loaded(const std::string& text, const std::string& name = "m.toml")
{
    LoadOutcome outcome = ParseConfigurationFile(text, name);
    EXPECT_TRUE(outcome.loaded) << (outcome.errors.empty() ? "" : outcome.errors.front());
    return outcome.loaded.value_or(LoadedConfiguration{});
}

// The text between a table's header and the next blank line.
std::string TablePart(const std::string& text, const std::string& header)
{
    const size_t begin = text.find(header);
    return begin == std::string::npos ? "" : text.substr(begin, text.find("\n\n", begin) - begin);
}

TEST(ConfigurationFile, ReadsBackWhatItWrote)
{
    const UnitConfiguration config = Master();
    const std::string text = WriteConfigurationFile(config);
    const LoadedConfiguration loaded = Loaded(text);

    const WantedOutcome back = WantedConfiguration(loaded, config);
    EXPECT_TRUE(back.refusals.empty()) << back.refusals.front().message;
    EXPECT_TRUE(back.wanted.SameSettings(config));
    EXPECT_EQ(loaded.identity, config.identity);
    EXPECT_EQ(loaded.formatVersion, 2);
    EXPECT_NE(text.find("gain_db = 36.0\nphantom = \"24V\""), std::string::npos) << text;
    EXPECT_EQ(loaded.Where("unit.type").line, 14);
}

// Gain and phantom stand in [channel.N] only: the controller's words hold what
// no field covers, so editing an input leaves them as they were.
TEST(ConfigurationFile, WritesEachInputsGainAndPhantomOnce)
{
    const UnitConfiguration config = Master();
    UnitConfiguration edited = config;
    edited.SetGainStep(0, 7);
    edited.SetPhantom(2, kPhantom3V);
    edited.SetGainStep(1, 1);  // the address bit

    const std::string controller = TablePart(WriteConfigurationFile(config), "[controller]");
    EXPECT_EQ(controller, "[controller]\nline_word_0 = 0x1FD0\nline_word_1 = 0x0000\naddress = 0x2000");
    EXPECT_EQ(TablePart(WriteConfigurationFile(edited), "[controller]"), controller);
    // The words' other bits come from the file, the inputs' bits from its channels.
    const WantedOutcome wanted = WantedConfiguration(Loaded(WriteConfigurationFile(edited)), config);
    EXPECT_EQ(wanted.wanted.lines, edited.lines);
    EXPECT_EQ(wanted.wanted.address, edited.address);
}

// What the wizard would not set is saved as the unit holds it, with a comment,
// and a unit that holds it takes the file back unchanged.
TEST(ConfigurationFile, MarksValuesTheWizardDoesNotSetAndReadsThemBack)
{
    const UnitConfiguration config = Master();
    const std::string text = WriteConfigurationFile(config);
    EXPECT_EQ(TablePart(text, "[levels]"),
              "[levels]\nspeaker = 12\nregister_3 = 24  # the unit holds the output's registers apart\n"
              "register_7 = 63  # the wizard's levels go from 0 to 24; only a unit that holds it takes it\n"
              "register_4 = 0");
    EXPECT_NE(text.find("level = 200  # the wizard's levels go from 0 to 24; only a unit that holds it takes it"),
              std::string::npos);
    EXPECT_NE(text.find("[channel.4]\nin_use = false\ngain_db = 42.0\n"), std::string::npos)
        << "the wizard leaves the gain of an input it takes out of use";

    const LoadedConfiguration loaded = Loaded(text);
    EXPECT_TRUE(WantedConfiguration(loaded, config).refusals.empty());
    EXPECT_EQ(NotesWithoutUnit(loaded),
              (std::vector<std::string>{
                  "m.toml:29:14: levels.register_7: 63: the wizard's levels go from 0 to 24; only a unit that holds it "
                  "already takes it",
                  "m.toml:60:9: channel.3.level: 200: the wizard's levels go from 0 to 24; only a unit that holds it "
                  "already takes it"}));
}

// Both supply lines low read as 3V; the same unit keeps its lines, another
// unit gets the wizard's 3 V.
TEST(ConfigurationFile, KeepsLinesThePhantomNameCannotTellApart)
{
    UnitConfiguration bothLow = Master();
    bothLow.lines = {0x0000, 0x0000};
    const std::string text = WriteConfigurationFile(bothLow);
    EXPECT_NE(text.find("phantom = \"3V\"  # the unit holds its 24 V line low too; kept while this stays 3V"),
              std::string::npos)
        << text;
    const LoadedConfiguration loaded = Loaded(text);
    EXPECT_EQ(WantedConfiguration(loaded, bothLow).wanted.lines, bothLow.lines);

    UnitConfiguration unpowered = bothLow;
    unpowered.lines = {0xFFFF, 0xFFFF};
    const UnitConfiguration wanted = WantedConfiguration(loaded, unpowered).wanted;
    for (int c = 0; c < kInputChannels; ++c)
        EXPECT_EQ(wanted.Phantom(c), kPhantom3V);
    EXPECT_EQ(WriteConfigurationFile(wanted).find("24 V line low"), std::string::npos);
}

// The wizard runs in the user's locale; a decimal-comma one must not turn
// "36.0" into "36,0" in a file or a record.
TEST(ConfigurationFile, ReadsTheSameInADecimalCommaLocale)
{
    const std::string before = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 (scripts/install-deps.sh test generates it)";
    const std::string text = WriteConfigurationFile(Master());
    const std::string json = WriteConfigurationJson(Master());
    CommissioningRecord record;
    record.echo = EchoFigures{32.4, -40.2};
    const std::string page = CommissioningRecordHtml(record);
    std::setlocale(LC_ALL, before.c_str());

    EXPECT_NE(text.find("gain_db = 36.0\n"), std::string::npos) << text;
    EXPECT_NE(json.find("\"gain_db\": 36.0,"), std::string::npos) << json;
    EXPECT_TRUE(ParseConfigurationFile(text, "m.toml").loaded);
    EXPECT_NE(page.find("<td>-40.2 dB</td>"), std::string::npos);
}

TEST(ConfigurationFile, EditedFilesWithCommentsAndIntegerGainsLoad)
{
    std::string text = WriteConfigurationFile(Master());
    text.replace(text.find("gain_db = 36.0"), 14, "gain_db = 42   # louder room");
    const UnitConfiguration wanted = WantedConfiguration(Loaded(text), Master()).wanted;
    EXPECT_EQ(wanted.GainStep(1), 7);
    EXPECT_EQ(wanted.Phantom(1), kPhantom24V) << "the gain leaves the supply lines alone";
}

// One tree of keys for both formats: every configuration reads the same from
// its TOML and its JSON, key for key.
TEST(ConfigurationFile, JsonAndTomlShareEveryKey)
{
    UnitConfiguration together = Master();
    together.levels = {20, 5, 5, 5};
    UnitConfiguration oddMode = Master();
    oddMode.channels[2].mode = 9;
    oddMode.lines = {0x0000, 0x0000};
    for (const UnitConfiguration& config : {Master(), together, oddMode}) {
        const std::string json = WriteConfigurationJson(config);
        ASSERT_TRUE(LooksLikeJson(json));
        const LoadedConfiguration fromToml = Loaded(WriteConfigurationFile(config), "u.toml");
        const LoadedConfiguration fromJson = Loaded(json, "u.json");
        EXPECT_EQ(fromJson.edit, fromToml.edit) << json;
        EXPECT_EQ(fromJson.identity, fromToml.identity);
        std::vector<std::string> tomlKeys;
        std::vector<std::string> jsonKeys;
        for (const auto& [key, at] : fromToml.positions)
            tomlKeys.push_back(key);
        for (const auto& [key, at] : fromJson.positions)
            jsonKeys.push_back(key);
        EXPECT_EQ(jsonKeys, tomlKeys);
        EXPECT_TRUE(WantedConfiguration(fromJson, config).wanted.SameSettings(config));
        EXPECT_EQ(Loaded("\xEF\xBB\xBF" + json, "bom.json").edit, fromJson.edit) << "a byte order mark is no key";
    }
}

// A file of the former version: gain and phantom also in the controller's
// words, the levels by register. It reads, and its channels' fields win.
TEST(ConfigurationFile, ReadsFilesOfTheFormerVersion)
{
    const std::string text = "format_version = 1\n"
                             "[unit]\ntype = \"MASTER\"\nflags = 0xC01B\n"
                             "[controller]\nline_word_0 = 0x1FD7\nline_word_1 = 0xBDEF\naddress = 0x2000\n"
                             "[levels]\nregister_1 = 15\nregister_3 = 18\nregister_4 = 18\nregister_7 = 18\n"
                             "[channel.2]\nin_use = true\ninput = \"sound reinforcement\"\ngain_db = 36.0\n"
                             "phantom = \"24V\"\nlevel = 24\nmute = false\nlocal_level = 20\nlocal_mute = false\n";
    const LoadedConfiguration loaded = Loaded(text, "old.toml");
    EXPECT_EQ(loaded.formatVersion, 1);
    UnitConfiguration holds = Master();
    holds.lines = {0xFFFF, 0xFFFF};  // every input's gain 0 and supply off
    holds.SetGainStep(1, 0);
    const WantedOutcome wanted = WantedConfiguration(loaded, holds);
    EXPECT_TRUE(wanted.refusals.empty());
    EXPECT_EQ(wanted.wanted.GainStep(1), 6);
    EXPECT_EQ(wanted.wanted.Phantom(1), kPhantom24V);
    EXPECT_EQ(wanted.wanted.GainStep(0), holds.GainStep(0)) << "the words' input bits are not taken";
    EXPECT_EQ(wanted.wanted.Phantom(0), kPhantomOff);
    EXPECT_EQ(wanted.wanted.levels, (std::array<uint8_t, 4>{15, 18, 18, 18}));
}

TEST(ConfigurationFile, RefusesWithLineAndColumn)
{
    struct Case {
        const char* what;
        std::string from;  // first occurrence in the written file
        std::string to;
        std::string message;  // expected, whole
    };
    const Case cases[] = {
        {"another format version", "format_version = 2", "format_version = 3",
         "f.toml:2:18: format_version: this program reads format versions 1 and 2 only"},
        {"no format version", "format_version = 2", "", "f.toml:1:1: missing key 'format_version'"},
        {"an unknown key", "protocol_version = 22", "protocol_version = 22\ncolour = \"red\"",
         "f.toml:12:1: unknown key 'identity.colour'"},
        {"an unknown table", "[levels]", "[volume]\nx = 1\n[levels]", "f.toml:26:2: unknown key 'volume'"},
        {"a gain between steps", "gain_db = 36.0", "gain_db = 37.5",
         "f.toml:48:11: channel.2.gain_db: the gain goes in steps of 6.0 dB; the nearest are 36.0 and 42.0"},
        {"a gain above the top", "gain_db = 36.0", "gain_db = 48.0",
         "f.toml:48:11: channel.2.gain_db: the gain goes from 0.0 to 42.0 dB"},
        {"a gain that is no number", "gain_db = 36.0", "gain_db = nan",
         "f.toml:48:11: channel.2.gain_db: a finite number is expected, not nan"},
        {"an infinite gain", "gain_db = 36.0", "gain_db = +inf",
         "f.toml:48:11: channel.2.gain_db: a finite number is expected, not inf"},
        {"a gain infinitely low", "gain_db = 36.0", "gain_db = -inf",
         "f.toml:48:11: channel.2.gain_db: a finite number is expected, not -inf"},
        {"a channel that does not exist", "[channel.4]", "[channel.5]",
         "f.toml:65:10: the unit has no input '5' (inputs 1..4)"},
        {"a unit type that does not exist", "type = \"MASTER\"", "type = \"BOSS\"",
         "f.toml:14:8: unit.type: 'BOSS' is no unit type (NEW, STAND ALONE, MASTER or SLAVE)"},
        {"flags of another type", "flags = 0xC01B", "flags = 0x801B",
         "f.toml:15:9: unit.flags: this flags word makes a STAND ALONE unit, not a MASTER one"},
        {"a type without its flags word", "flags = 0xC01B", "", "f.toml:13:1: missing key 'unit.flags'"},
        {"an input type that does not exist", "input = \"auxiliary\"", "input = \"radio\"",
         "f.toml:57:9: channel.3.input: 'radio' is no input type (microphone, sound reinforcement, auxiliary, slave link)"},
        {"an input type on an unused channel", "in_use = false", "in_use = false\ninput = \"auxiliary\"",
         "f.toml:67:9: channel.4.input: an input that is not in use has no input type (remove it, or set in_use = true)"},
        {"an unknown phantom supply", "phantom = \"24V\"", "phantom = \"48V\"",
         "f.toml:49:11: channel.2.phantom: '48V' is no phantom supply (off, 3V or 24V)"},
        {"a level register out of range", "register_7 = 63", "register_7 = 64",
         "f.toml:29:14: levels.register_7: 64 is out of range (0..63)"},
        {"a level the unit's answer cannot tell from a refusal", "level = 200", "level = 251",
         "f.toml:60:9: channel.3.level: 251 cannot be set: the unit's answer cannot tell levels 251..255 from a "
         "refusal (the wizard sets 0..24)"},
        {"a local level out of range", "local_level = 10", "local_level = 256",
         "f.toml:52:15: channel.2.local_level: 256 is out of range (0..255)"},
        {"a word out of range", "address = 0x2000", "address = 0x12000",
         "f.toml:22:11: controller.address: 73728 is out of range (0..65535)"},
        {"an input's bits in a line word", "line_word_1 = 0x0000", "line_word_1 = 0x0001",
         "f.toml:21:15: controller.line_word_1: the bits 0x0001 are the inputs' gain and phantom: give them as "
         "gain_db and phantom in [channel.N]"},
        {"an input's gain bit in the address", "address = 0x2000", "address = 0x2004",
         "f.toml:22:11: controller.address: the bits 0x0004 are the inputs' gain and phantom: give them as gain_db "
         "and phantom in [channel.N]"},
        {"the speaker's level twice", "speaker = 12", "speaker = 12\nregister_1 = 12",
         "f.toml:28:14: levels.register_1: gives the level that 'speaker' gives already; keep one of them"},
        {"the output's level and one of its registers", "register_3 = 24", "output = 24\nregister_3 = 24",
         "f.toml:29:14: levels.register_3: gives the level that 'output' gives already; keep one of them"},
        {"a text where a number belongs", "level = 200", "level = \"loud\"",
         "f.toml:60:9: channel.3.level: an integer is expected"},
        {"a list where a number belongs", "level = 200", "level = [200]",
         "f.toml:60:9: channel.3.level: an integer is expected"},
        {"not TOML at all", "[unit]", "[unit", "f.toml:13:6: Error while parsing table header: expected ']', saw '\\n'"},
    };
    const std::string good = WriteConfigurationFile(Master());
    for (const Case& c : cases) {
        std::string text = good;
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.what;
        text.replace(at, c.from.size(), c.to);
        const LoadOutcome outcome = ParseConfigurationFile(text, "f.toml");
        EXPECT_FALSE(outcome.loaded) << c.what;
        EXPECT_THAT(outcome.errors, ::testing::Contains(c.message)) << c.what;
    }
}

TEST(ConfigurationFile, RefusesJsonWithLineAndColumn)
{
    struct Case {
        const char* what;
        std::string text;
        std::string message;  // expected, whole
    };
    const Case cases[] = {
        {"a key given twice", "{\"format_version\": 2,\n \"format_version\": 2}",
         "f.json:2:2: the key 'format_version' is given twice"},
        {"a trailing comma", "{\"format_version\": 2,\n}", "f.json:2:1: a key in quotes is expected"},
        {"a hexadecimal number", "{\"format_version\": 2, \"unit\": {\"type\": \"MASTER\", \"flags\": 0xC01B}}",
         "f.json:1:60: ',' or '}' is expected"},
        {"a number too large", "{\"format_version\": 2, \"levels\": {\"speaker\": 1e400}}",
         "f.json:1:45: the number is too large"},
        {"a real where an integer belongs", "{\"format_version\": 2, \"levels\": {\"speaker\": 12.5}}",
         "f.json:1:45: levels.speaker: an integer is expected"},
        {"null for a phantom supply", "{\"format_version\": 2, \"channel\": {\"1\": {\"phantom\": null}}}",
         "f.json:1:52: channel.1.phantom: a quoted text is expected"},
        {"an unknown key", "{\"format_version\": 2,\n \"levels\": {\"volume\": 3}}", "f.json:2:13: unknown key 'levels.volume'"},
        {"something after the object", "{\"format_version\": 2}\n]", "f.json:2:1: nothing may follow the object"},
        {"nesting without end", "{\"a\": " + std::string(200, '[') , "f.json:1:39: nested deeper than 32 levels"},
        {"a string without its end", "{\"format_version\": 2, \"unit\": {\"type\": \"MAS", "f.json:1:44: the text ends inside a string"},
    };
    for (const Case& c : cases) {
        const LoadOutcome outcome = ParseConfigurationFile(c.text, "f.json");
        EXPECT_FALSE(outcome.loaded) << c.what;
        EXPECT_THAT(outcome.errors, ::testing::Contains(c.message)) << c.what;
    }
}

// The TOML library asserts on this text in a build without NDEBUG; a file must
// be refused, never stop the program.
TEST(ConfigurationFile, RefusesATableHeaderWithoutAName)
{
    const LoadOutcome outcome = ParseConfigurationFile("[}", "f.toml");
    EXPECT_FALSE(outcome.loaded);
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_EQ(outcome.errors[0].rfind("f.toml:1:2: ", 0), 0u) << outcome.errors[0];
}

TEST(ConfigurationFile, ReportsEveryErrorInFileOrder)
{
    std::string text = WriteConfigurationFile(Master());
    text.replace(text.find("register_7 = 63"), 15, "register_7 = 99");
    text.replace(text.find("protocol_version = 22"), 21, "protocol = 22");
    const LoadOutcome outcome = ParseConfigurationFile(text, "f.toml");
    ASSERT_EQ(outcome.errors.size(), 2u);
    EXPECT_NE(outcome.errors[0].find("f.toml:11:"), std::string::npos) << outcome.errors[0];
    EXPECT_NE(outcome.errors[1].find("f.toml:29:"), std::string::npos) << outcome.errors[1];
}

// The one reader and writer of whole files the wizard and vk550ctl share.
class WholeFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("vk-whole-file-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    [[nodiscard]] std::string At(const std::string& name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};

TEST_F(WholeFile, WritesThroughLinksToTheFileTheyNameAndKeepsThem)
{
    std::filesystem::create_directory(m_dir / "real");
    std::ofstream(At("real/a.toml")) << "old";
    std::filesystem::create_symlink("real/a.toml", m_dir / "first");
    std::filesystem::create_symlink(At("first"), m_dir / "second");  // a link to a link

    ASSERT_TRUE(WriteWholeFile(At("second"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir / "second"));
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir / "first"));
    const auto read = ReadWholeFile(At("second"));
    ASSERT_TRUE(read) << read.why;
    EXPECT_EQ(*read, "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir / "real"), std::filesystem::directory_iterator()),
              1)
        << "the file written beside was renamed over the old one";

    std::filesystem::create_symlink("loop", m_dir / "loop");
    EXPECT_EQ(WriteWholeFile(At("loop"), "x").why, "Too many levels of symbolic links");
}

TEST_F(WholeFile, RefusesWhatIsNoRegularFileWithItsReason)
{
    ASSERT_EQ(::mkfifo(At("fifo").c_str(), 0600), 0);
    std::ofstream(At("big")) << std::string(kWholeFileLimit + 1, 'x');
    std::ofstream(At("limit")) << std::string(kWholeFileLimit, 'x');

    struct Case {
        std::string path;
        std::string readWhy;  // empty: read whole
        std::string writeWhy;  // empty: written (over the file read just before)
    };
    const Case cases[] = {
        {At("fifo"), "not a regular file (a FIFO)", "not a regular file (a FIFO)"},
        {"/dev/zero", "not a regular file (a character device)", "not a regular file (a character device)"},
        {m_dir.string(), "not a regular file (a folder)", "not a regular file (a folder)"},
        {At("big"), "larger than 1 MiB", ""},
        {At("limit"), "", ""},
        {At("missing/x"), "No such file or directory", "No such file or directory"},
    };
    for (const Case& c : cases) {
        const auto read = ReadWholeFile(c.path);
        EXPECT_EQ(read.why, c.readWhy) << c.path;
        EXPECT_EQ(read.text.has_value(), c.readWhy.empty()) << c.path;
        EXPECT_EQ(WriteWholeFile(c.path, "x").why, c.writeWhy) << c.path;
    }
    struct stat st {};
    ASSERT_EQ(::stat(At("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "left as it was";
}

}  // namespace
}  // namespace vk::commission
