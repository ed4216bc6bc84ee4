// The settings store: typed values, key semantics, the file format, atomic
// writes, the profile and the path helper.
#include "platform/settings/AppProfile.h"
#include "platform/settings/Paths.h"
#include "platform/settings/RegHelper.h"
#include "platform/settings/SettingsStore.h"
#include "platform/settings/SlaveDefaults.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <optional>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace vk {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProgramKey = "Software\\Selvo\\QuorvelDravenaConfig";

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vk_settings_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        m_store = std::make_unique<CSettingsStore>(m_dir / "registry.reg");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path m_dir;
    std::unique_ptr<CSettingsStore> m_store;
};

TEST_F(SettingsTest, KeysMustBeCreatedBeforeTheyOpenAndParentsExistWithTheirChildren)
{
    CRegHelper reg(*m_store);
    EXPECT_FALSE(reg.OpenKey(kProgramKey));
    EXPECT_FALSE(fs::exists(m_store->File())) << "opening must not create anything";

    ASSERT_TRUE(reg.CreateKey(kProgramKey));
    CRegHelper other(*m_store);
    EXPECT_TRUE(other.OpenKey("software\\selvo\\quorveldravenaconfig")) << "names ignore case";
    EXPECT_TRUE(other.OpenKey("Software\\Selvo"));
    EXPECT_FALSE(other.OpenKey("Software\\Selv"));
    EXPECT_FALSE(other.OpenKey("Software\\\\Selvo"));

    CRegHelper machine(*m_store);
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.CreateKey(kProgramKey)) << "the per-user file holds the user's keys only";
}

TEST_F(SettingsTest, ValuesKeepTheirTypeAndTextAcrossWriters)
{
    const std::string awkward = "a \"quoted\" c:\\path\\ with = and ; and\r\nnew line \x01\xe9";
    {
        CRegHelper reg(*m_store);
        ASSERT_TRUE(reg.CreateKey(kProgramKey));
        reg.WriteDword("Microphone Volume", 12);
        reg.WriteDword("Slave PIC Flags 0", 0xFFFF1F5E);
        ASSERT_TRUE(reg.WriteString("Install Directory", awkward));
        ASSERT_TRUE(reg.WriteString("Empty", ""));
    }
    CSettingsStore again(m_store->File());  // a fresh reader, as another program would be
    EXPECT_EQ(again.Query(std::string("HKEY_CURRENT_USER\\") + kProgramKey, "microphone volume"), RegValue::Dword(12));
    EXPECT_EQ(again.Query(std::string("HKEY_CURRENT_USER\\") + kProgramKey, "Install Directory"), RegValue::Sz(awkward));

    CRegHelper reg(again);
    ASSERT_TRUE(reg.OpenKey(kProgramKey));
    uint32_t n = 0;
    ASSERT_TRUE(reg.ReadDword("Slave PIC Flags 0", &n));
    EXPECT_EQ(n, 0xFFFF1F5Eu);
    std::string s = "unchanged";
    ASSERT_TRUE(reg.ReadString("Empty", s));
    EXPECT_EQ(s, "");
    s = "unchanged";
    EXPECT_FALSE(reg.ReadString("Missing", s));
    EXPECT_EQ(s, "unchanged");

    const std::string text = ReadFile(m_store->File());
    EXPECT_NE(text.find("\"Microphone Volume\"=dword:0000000c\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Selvo\\QuorvelDravenaConfig]\n"), std::string::npos) << text;
}

// The wizard and the inputs page read the slave defaults by one rule: three
// numbers or nothing (a short text is no number); the line words count on their
// low 16 bits, the address as stored.
TEST_F(SettingsTest, SlaveDefaultsAreThreeNumbersOrNothing)
{
    struct Case {
        const char* name;
        std::function<void(CRegHelper&)> write;
        std::optional<SlaveDefaults> read;
    };
    const auto three = [](uint32_t a, uint32_t b, uint32_t c) {
        return [=](CRegHelper& reg) {
            reg.WriteDword(kSlaveLines0Value, a);
            reg.WriteDword(kSlaveLines1Value, b);
            reg.WriteDword(kSlaveAddressValue, c);
        };
    };
    const Case cases[] = {
        {"all three", three(0x031E, 0x739C, 0x2105), SlaveDefaults{0x031E, 0x739C, 0x2105}},
        {"high bits kept as stored", three(0xFFFF031E, 0x1739C, 0x12105), SlaveDefaults{0xFFFF031E, 0x1739C, 0x12105}},
        {"two of three",
         [](CRegHelper& reg) {
             reg.WriteDword(kSlaveLines0Value, 1);
             reg.WriteDword(kSlaveLines1Value, 2);
         },
         std::nullopt},
        {"a short text for a number",
         [&](CRegHelper& reg) {
             three(1, 2, 3)(reg);
             ASSERT_TRUE(reg.WriteString(kSlaveAddressValue, "ab"));
         },
         std::nullopt},
    };
    SetSettings(m_store.get());
    EXPECT_EQ(ReadSlaveDefaults(), std::nullopt) << "no key";
    for (const Case& c : cases) {
        fs::remove_all(m_dir);
        m_store = std::make_unique<CSettingsStore>(m_dir / "registry.reg");
        SetSettings(m_store.get());
        CRegHelper reg;
        ASSERT_TRUE(reg.CreateKey(kSlaveDefaultsKey));
        c.write(reg);
        const auto read = ReadSlaveDefaults();
        ASSERT_EQ(read.has_value(), c.read.has_value()) << c.name;
        if (read) {
            EXPECT_EQ(read->lines0, c.read->lines0) << c.name;
            EXPECT_EQ(read->lines1, c.read->lines1) << c.name;
            EXPECT_EQ(read->address, c.read->address) << c.name;
        }
    }
    SetSettings(nullptr);

    const SlaveDefaults stored{0xFFFF031E, 0x0001739C, 0x2105};
    EXPECT_EQ(stored.LineWord0(), 0x031E);
    EXPECT_EQ(stored.LineWord1(), 0x739C);
    EXPECT_TRUE(stored.SameAs(0x031E, 0x739C, 0x2105));
    EXPECT_FALSE(stored.SameAs(0x031E, 0x739C, 0x2104));
    EXPECT_FALSE((SlaveDefaults{0x031E, 0x739C, 0x12105}.SameAs(0x031E, 0x739C, 0x2105))) << "the address as stored";
}

// A watcher hears of the writes that reached the file, and of no others.
TEST_F(SettingsTest, TheWriteObserverHearsOfWritesThatReachedTheFile)
{
    std::vector<std::string> heard;
    m_store->SetWriteObserver([&](const std::string& key, const std::string& name, const RegValue& value) {
        heard.push_back(key + "|" + name + "|" + (value.type == RegValue::Type::Dword ? std::to_string(value.number) : value.text));
    });
    CRegHelper reg(*m_store);
    reg.WriteDword("Microphone Volume", 3);  // no key open: nothing written
    ASSERT_TRUE(reg.CreateKey(kProgramKey));
    reg.WriteDword("Microphone Volume", 12);
    ASSERT_TRUE(reg.WriteString("Install Directory", "/opt/q/"));
    EXPECT_FALSE(m_store->SetValue("HKEY_CURRENT_USER\\Software\\Missing", "x", RegValue::Dword(1)));
    EXPECT_EQ(heard, (std::vector<std::string>{
                         "HKEY_CURRENT_USER\\Software\\Selvo\\QuorvelDravenaConfig|Microphone Volume|12",
                         "HKEY_CURRENT_USER\\Software\\Selvo\\QuorvelDravenaConfig|Install Directory|/opt/q/"}));
}

// A large file (20,000 keys of one value each) is read whole: every value is
// found, key lines repeated in another case are one key, a later value line
// of the same name wins, and parents of every key exist.
TEST_F(SettingsTest, ALargeFileIsReadWholeAndIndexedWithoutRegardToCase)
{
    constexpr int kKeys = 20000;
    std::string text;
    for (int i = 0; i < kKeys; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\Big\\Key" + std::to_string(i) + "]\n\"Value\"=dword:" +
                std::to_string(i % 10) + "\n";
    text += "[hkey_current_user\\software\\big\\key7]\n\"VALUE\"=\"seven\"\n";
    fs::create_directories(m_dir);
    std::ofstream(m_store->File(), std::ios::binary) << text;

    for (int i = 0; i < kKeys; i += 997) {
        const auto value = m_store->Query("HKEY_CURRENT_USER\\Software\\Big\\Key" + std::to_string(i), "value");
        ASSERT_TRUE(value) << i;
        EXPECT_EQ(*value, i == 7 ? RegValue::Sz("seven") : RegValue::Dword(static_cast<uint32_t>(i % 10))) << i;
    }
    EXPECT_EQ(m_store->Query("HKEY_CURRENT_USER\\Software\\Big\\KEY7", "Value"), RegValue::Sz("seven"));
    EXPECT_TRUE(m_store->KeyExists("HKEY_CURRENT_USER\\Software\\Big"));
    EXPECT_TRUE(m_store->KeyExists("hkey_current_user\\software"));
    EXPECT_FALSE(m_store->KeyExists("HKEY_CURRENT_USER\\Software\\Bi"));
    EXPECT_FALSE(m_store->KeyExists("HKEY_CURRENT_USER\\Software\\Big\\Key20000"));

    // Written back, the repeated key stays one key with its one value.
    CRegHelper reg(*m_store);
    ASSERT_TRUE(reg.OpenKey("Software\\Big\\Key7"));
    ASSERT_TRUE(reg.WriteString("Other", "x"));
    const std::string written = ReadFile(m_store->File());
    EXPECT_EQ(written.find("\\Big\\Key7]"), written.rfind("\\Big\\Key7]"));
    EXPECT_EQ(written.find("[hkey_current_user"), std::string::npos);
}

// Reads of one store see what another program wrote in the meantime, also when
// the file keeps its size.
TEST_F(SettingsTest, ReadsSeeEveryChangeOfTheFile)
{
    CRegHelper reg(*m_store);
    ASSERT_TRUE(reg.CreateKey(kProgramKey));
    reg.WriteDword("Speaker Volume", 1);
    const std::string key = std::string("HKEY_CURRENT_USER\\") + kProgramKey;
    EXPECT_EQ(m_store->Query(key, "Speaker Volume"), RegValue::Dword(1));
    CSettingsStore other(m_store->File());
    for (uint32_t n = 2; n < 6; ++n) {
        ASSERT_TRUE(other.SetValue(key, "Speaker Volume", RegValue::Dword(n)));
        EXPECT_EQ(m_store->Query(key, "Speaker Volume"), RegValue::Dword(n));
    }
    // Rewritten in place, same size, as an editor might.
    std::string text = ReadFile(m_store->File());
    const size_t at = text.find("dword:00000005");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 14, "dword:00000009");
    std::fstream(m_store->File(), std::ios::in | std::ios::out | std::ios::binary) << text;
    EXPECT_EQ(m_store->Query(key, "Speaker Volume"), RegValue::Dword(9));
}

// What a read gets depends on the size of the stored data, not on its type.
TEST_F(SettingsTest, ReadsFailWhenTheDataDoesNotFitTheBuffer)
{
    CRegHelper reg(*m_store);
    ASSERT_TRUE(reg.CreateKey(kProgramKey));
    ASSERT_TRUE(reg.WriteString("Three", "abc"));   // 4 bytes with its NUL
    ASSERT_TRUE(reg.WriteString("Four", "abcd"));   // 5 bytes
    ASSERT_TRUE(reg.WriteString("Long", std::string(CRegHelper::kStringBufferSize, 'x')));
    ASSERT_TRUE(reg.WriteString("Fits", std::string(CRegHelper::kStringBufferSize - 1, 'y')));
    reg.WriteDword("Number", 0x00434241);

    struct Case {
        const char* name;
        bool dwordRead;
        uint32_t dword;
        bool stringRead;
        std::string text;
    } const cases[] = {
        {"Three", true, 0x00636261, true, "abc"},
        {"Four", false, 0, true, "abcd"},
        {"Long", false, 0, false, ""},
        {"Fits", false, 0, true, std::string(CRegHelper::kStringBufferSize - 1, 'y')},
        {"Number", true, 0x00434241, true, "ABC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const unsigned debugBefore = SettingsDebugTextCount();
        uint32_t n = 0xDEADBEEF;
        EXPECT_EQ(reg.ReadDword(c.name, &n), c.dwordRead);
        EXPECT_EQ(n, c.dwordRead ? c.dword : 0xDEADBEEF);
        std::string s;
        EXPECT_EQ(reg.ReadString(c.name, s), c.stringRead);
        EXPECT_EQ(s, c.text);
        const unsigned failures = (c.dwordRead ? 0 : 1) + (c.stringRead ? 0 : 1);
        EXPECT_EQ(SettingsDebugTextCount() - debugBefore, failures) << "each failed read leaves a debug text";
    }
}

TEST_F(SettingsTest, WithoutAnOpenKeyNothingIsReadOrWritten)
{
    CRegHelper reg(*m_store);
    uint32_t n = 7;
    std::string s = "x";
    EXPECT_FALSE(reg.ReadDword("Microphone Volume", &n));
    EXPECT_FALSE(reg.ReadString("Install Directory", s));
    reg.WriteDword("Microphone Volume", 3);
    EXPECT_FALSE(fs::exists(m_store->File()));
    EXPECT_EQ(n, 7u);
    EXPECT_EQ(s, "x");
}

// Lines the store cannot understand are skipped, and the first write keeps the
// damaged original beside the file instead of silently dropping those lines.
TEST_F(SettingsTest, ADamagedFileKeepsWhatCanBeReadAndIsKeptAsBackupBeforeTheFirstWrite)
{
    fs::create_directories(m_dir);
    const std::string damaged = "[HKEY_CURRENT_USER\\Software\\Selvo\\QuorvelDravenaConfig]\n"
                                "\"Speaker Volume\"=dword:00000007\n"
                                "\"Install Directory\"=\"/opt/q/\n"  // unterminated
                                "garbage\x01\xff\n"
                                "\"To PC Volume\"=dword:123456789\n"  // nine digits
                                "[HKEY_CURRENT_USER\\Software\\Broken\n"
                                "\"Orphan\"=dword:1\n"
                                "\"Wave Files Directory\"=\"/home/u/w/\"\n";
    std::ofstream(m_store->File(), std::ios::binary) << damaged;

    CRegHelper reg(*m_store);
    ASSERT_TRUE(reg.OpenKey(kProgramKey));
    uint32_t n = 0;
    EXPECT_TRUE(reg.ReadDword("Speaker Volume", &n));
    EXPECT_EQ(n, 7u);
    std::string s;
    EXPECT_FALSE(reg.ReadString("Install Directory", s));
    EXPECT_FALSE(reg.ReadDword("To PC Volume", &n));
    EXPECT_FALSE(reg.ReadString("Wave Files Directory", s)) << "a value after a broken key line has no key";

    // Without room for the backup the damaged file is not replaced.
    fs::create_directories(m_store->File().string() + ".bad/busy");
    EXPECT_FALSE(reg.WriteString("Wave Files Directory", "/home/u/w/"));
    EXPECT_EQ(ReadFile(m_store->File()), damaged);
    fs::remove_all(m_store->File().string() + ".bad");

    reg.WriteDword("Microphone Volume", 5);
    EXPECT_EQ(ReadFile(m_store->File().string() + ".bad"), damaged);
    CSettingsStore again(m_store->File());
    CRegHelper reread(again);
    ASSERT_TRUE(reread.OpenKey(kProgramKey));
    EXPECT_TRUE(reread.ReadDword("Speaker Volume", &n));
    EXPECT_TRUE(reread.ReadDword("Microphone Volume", &n));
    EXPECT_EQ(n, 5u);
}

// A writer killed at any moment leaves either the old or the new file, whole.
TEST_F(SettingsTest, AKilledWriterNeverLeavesATornFile)
{
    CRegHelper reg(*m_store);
    ASSERT_TRUE(reg.CreateKey(kProgramKey));
    const std::string a(200000, 'a');
    const std::string b(200000, 'b');
    ASSERT_TRUE(reg.WriteString("Big", a));

    std::mt19937 random(1234);
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CSettingsStore store(m_store->File());
            CRegHelper writer(store);
            if (!writer.OpenKey(kProgramKey))
                ::_exit(3);
            for (int i = 0;; ++i)
                (void)writer.WriteString("Big", i % 2 ? a : b);
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(1000, 20000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";

        std::vector<std::string> problems;
        const auto doc = CRegistryDocument::Parse(ReadFile(m_store->File()), &problems);
        EXPECT_TRUE(problems.empty()) << problems.front();
        const RegValue* big = doc.Find(std::string("HKEY_CURRENT_USER\\") + kProgramKey, "Big");
        ASSERT_NE(big, nullptr);
        EXPECT_TRUE(big->text == a || big->text == b) << "torn value of " << big->text.size() << " bytes";
    }
    // A later writer is not hindered by the killed one's lock or temp file.
    reg.WriteDword("After", 1);
    uint32_t n = 0;
    EXPECT_TRUE(reg.ReadDword("After", &n));
}

TEST_F(SettingsTest, TheProfileLivesBelowTheCompanyAndTheExecutableName)
{
    CAppProfile profile(*m_store);
    EXPECT_FALSE(profile.WriteProfileString("Settings", "WindowPosition", "1,2,3,4")) << "no company registered yet";
    EXPECT_EQ(profile.GetProfileString("Settings", "WindowPosition", "none"), "none");

    profile.SetRegistryKey("Selvo");
    EXPECT_EQ(profile.ProfileKey(), "Software\\Selvo\\settings_test");
    ASSERT_TRUE(profile.WriteProfileString("Settings", "WindowPosition", "10,20,30,40"));
    EXPECT_EQ(profile.GetProfileString("Settings", "WindowPosition"), "10,20,30,40");

    CRegHelper reg(*m_store);
    ASSERT_TRUE(reg.OpenKey("Software\\Selvo\\settings_test\\Settings"));
    std::string s;
    EXPECT_TRUE(reg.ReadString("WindowPosition", s));
    EXPECT_EQ(s, "10,20,30,40");
}

TEST(PathsTest, FolderValuesBecomeLinuxFoldersEndingInASlash)
{
    ::setenv("QUORVEL_DATA_DIR", "/data/q", 1);
    ::setenv("XDG_DATA_HOME", "/xdg/data", 1);
    EXPECT_EQ(paths::DefaultInstallDir(), "/data/q/");
    EXPECT_EQ(paths::DefaultWaveDir(), "/xdg/data/Selvo/Quorvel Dravena Config/WaveFiles/");

    struct Case {
        const char* value;
        const char* folder;
    } const cases[] = {
        {"/home/u/waves/", "/home/u/waves/"},
        {"/home/u/waves", "/home/u/waves/"},
        {"/home/u/waves\\", "/home/u/waves/"},
        {"/home/u\\my waves\\", "/home/u/my waves/"},
        {"C:\\Program Files\\Selvo\\Quorvel Dravena Config\\", "/data/q/"},
        {"c:\\ProgramData\\Selvo\\Quorvel Dravena Config\\WaveFiles\\",
         "/xdg/data/Selvo/Quorvel Dravena Config/WaveFiles/"},
        {"d:\\elsewhere\\", "/fallback/"},
        {"", "/fallback/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(paths::FolderFromSetting(c.value, "/fallback/"), c.folder) << c.value;
    EXPECT_EQ(paths::LocalPath("/data/q/WaveFiles\\VoicePlayback.wav"), "/data/q/WaveFiles/VoicePlayback.wav");
    ::unsetenv("QUORVEL_DATA_DIR");
    ::unsetenv("XDG_DATA_HOME");
}


// An installed or unpacked tree finds its data from the program's own place:
// PREFIX/bin/NAME -> PREFIX/share/quorvel-vk550-config/, wherever PREFIX is.
TEST(PathsTest, InstalledProgramsFindTheirDataBesideTheirBinFolder)
{
    const fs::path prefix = fs::temp_directory_path() / ("vk-prefix-" + std::to_string(::getpid()));
    fs::remove_all(prefix);
    fs::create_directories(prefix / "bin");
    const std::string program = (prefix / "bin" / "vk550ctl").string();
    EXPECT_EQ(paths::DataDirBeside(program), "") << "no data folder yet";

    fs::create_directories(prefix / "share" / "quorvel-vk550-config" / "WaveFiles");
    EXPECT_EQ(paths::DataDirBeside(program), (prefix / "share" / "quorvel-vk550-config").string() + "/");
    EXPECT_EQ(paths::DataDirBeside(""), "");
    fs::remove_all(prefix);
}

}  // namespace
}  // namespace vk
