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

TEST(ConfigurationFile, ReadsBackWhatItWrote)
{
    const UnitConfiguration config = Master();
    const std::string text = WriteConfigurationFile(config);
    const LoadOutcome outcome = ParseConfigurationFile(text, "m.toml");

    ASSERT_TRUE(outcome.loaded) << (outcome.errors.empty() ? "" : outcome.errors.front());
    const UnitConfiguration& back = outcome.loaded->configuration;
    EXPECT_TRUE(back.SameSettings(config));
    EXPECT_EQ(back.identity, config.identity);
    EXPECT_EQ(WriteConfigurationFile(back), text);
    EXPECT_NE(text.find("gain_db = 36.0\nphantom = \"24V\""), std::string::npos) << text;
    EXPECT_NE(text.find("line_word_0 = 0x1FD6"), std::string::npos);
    EXPECT_EQ(outcome.loaded->Where("unit.type").line, 14);
}

// Both supply lines low reads as 3V; the file must give back those very lines.
// The wizard runs in the user's locale; a decimal-comma one must not turn
// "36.0" into "36,0" in a file or a record.
TEST(ConfigurationFile, ReadsTheSameInADecimalCommaLocale)
{
    const std::string before = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 (scripts/install-deps.sh test generates it)";
    const std::string text = WriteConfigurationFile(Master());
    CommissioningRecord record;
    record.echo = EchoFigures{32.4, -40.2};
    const std::string page = CommissioningRecordHtml(record);
    std::setlocale(LC_ALL, before.c_str());

    EXPECT_NE(text.find("gain_db = 36.0\n"), std::string::npos) << text;
    EXPECT_TRUE(ParseConfigurationFile(text, "m.toml").loaded);
    EXPECT_NE(page.find("<td>-40.2 dB</td>"), std::string::npos);
}

TEST(ConfigurationFile, KeepsLinesThePhantomNameCannotTellApart)
{
    UnitConfiguration config = Master();
    config.lines = {0x0000, 0x0000};
    const LoadOutcome outcome = ParseConfigurationFile(WriteConfigurationFile(config), "m.toml");
    ASSERT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.loaded->configuration.lines, config.lines);
}

TEST(ConfigurationFile, EditedFilesWithCommentsAndIntegerGainsLoad)
{
    std::string text = WriteConfigurationFile(Master());
    text.replace(text.find("gain_db = 36.0"), 14, "gain_db = 42   # louder room");
    const LoadOutcome outcome = ParseConfigurationFile(text, "m.toml");
    ASSERT_TRUE(outcome.loaded) << outcome.errors.front();
    EXPECT_EQ(outcome.loaded->configuration.GainStep(1), 7);
    EXPECT_EQ(outcome.loaded->configuration.Phantom(1), kPhantom24V) << "the gain leaves the supply lines alone";
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
        {"another format version", "format_version = 1", "format_version = 2",
         "f.toml:2:18: format_version: this program reads format version 1 only"},
        {"no format version", "format_version = 1", "",
         "f.toml:1:1: missing key 'format_version'"},
        {"an unknown key", "protocol_version = 22", "protocol_version = 22\ncolour = \"red\"",
         "f.toml:12:1: unknown key 'identity.colour'"},
        {"an unknown table", "[levels]", "[volume]\nx = 1\n[levels]", "f.toml:25:2: unknown key 'volume'"},
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
        {"an input type that does not exist", "input = \"auxiliary\"", "input = \"radio\"",
         "f.toml:57:9: channel.3.input: 'radio' is no input type (microphone, sound reinforcement, auxiliary, slave link)"},
        {"an input type on an unused channel", "in_use = false", "in_use = false\ninput = \"auxiliary\"",
         "f.toml:67:9: channel.4.input: an input that is not in use has no input type (remove it, or set in_use = true)"},
        {"an unknown phantom supply", "phantom = \"24V\"", "phantom = \"48V\"",
         "f.toml:49:11: channel.2.phantom: '48V' is no phantom supply (off, 3V or 24V)"},
        {"a level register out of range", "register_7 = 63", "register_7 = 64",
         "f.toml:29:14: levels.register_7: 64 is out of range (0..63)"},
        {"a local level out of range", "local_level = 10", "local_level = 25",
         "f.toml:52:15: channel.2.local_level: 25 is out of range (0..24)"},
        {"a word out of range", "address = 0x2100", "address = 0x12100",
         "f.toml:22:11: controller.address: 73984 is out of range (0..65535)"},
        {"a text where a number belongs", "level = 200", "level = \"loud\"",
         "f.toml:60:9: channel.3.level: an integer is expected"},
        {"a missing key", "level = 200\nmute = true\n", "level = 200\n",
         "f.toml:55:1: missing key 'channel.3.mute'"},
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
