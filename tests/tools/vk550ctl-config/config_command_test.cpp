// vk550ctl config as a technician runs it, on simulated units: saving and
// applying files, the commands a dry run lists, several units in one run with
// one failing, and the refusals that send nothing.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct CtlRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

class ConfigCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vk-config-cmd-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Standard input is not a terminal: nothing can be confirmed by a prompt.
    CtlRun Ctl(const std::string& arguments) const
    {
        const std::string command = "cd " + m_dir.string() + " && HOME=" + m_dir.string() + " XDG_RUNTIME_DIR=" +
                                    m_dir.string() + " QUORVEL_WINDOWS_DIR=" + (m_dir / "windows").string() + " " +
                                    VK550CTL_EXE + " " + arguments + " </dev/null >out 2>err";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(m_dir / "out"), Slurp(m_dir / "err")};
    }
    [[nodiscard]] std::string File(const std::string& name) const { return Slurp(m_dir / name); }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(m_dir / name) << text; }
    [[nodiscard]] static std::string Profile() { return std::string(CONFIG_TEST_DIR) + "/master-profile.toml"; }

    fs::path m_dir;
};

TEST_F(ConfigCommand, SaveApplySaveGivesTheSameFileOnEveryKind)
{
    for (const char* kind : {"new", "stand-alone", "master", "slave"}) {
        SCOPED_TRACE(kind);
        const std::string simulate = std::string("--simulate=") + kind + " config ";
        ASSERT_EQ(Ctl(simulate + "save unit.toml").exitCode, 0);
        const std::string saved = File("unit.toml");

        const CtlRun apply = Ctl(simulate + "apply unit.toml");
        EXPECT_EQ(apply.exitCode, 0) << apply.err;
        EXPECT_NE(apply.out.find("VK5500001234  unchanged  yes       -\n"), std::string::npos) << apply.out;

        const CtlRun shown = Ctl(simulate + "show --format=toml");
        EXPECT_EQ(shown.out, saved);
        EXPECT_EQ(Ctl(simulate + "diff unit.toml").out, "no changes: the unit holds this configuration\n");
    }
}

// The transcripts were checked by hand: the type assignment's writes, the reset,
// the unit read again under its new identity, then only what the profile
// changes (flags, channels 2..4, the lines of input 2, the levels in the wizard's
// order, each read before it is written) and the read-back.
TEST_F(ConfigCommand, ADryRunListsTheCommandsOfAMasterProfile)
{
    for (const char* kind : {"new", "stand-alone"}) {
        SCOPED_TRACE(kind);
        const CtlRun dry = Ctl(std::string("--simulate=") + kind + " config apply " + Profile() + " --dry-run");
        EXPECT_EQ(dry.exitCode, 0) << dry.err;
        EXPECT_EQ(dry.out, Slurp(std::string(CONFIG_TEST_DIR) + "/master-on-" + kind + ".txt"));
    }
}

TEST_F(ConfigCommand, AMasterProfileMakesANewUnitThatMasterAndRecordsIt)
{
    const CtlRun apply = Ctl("--simulate=new config apply " + Profile() + " --record-dir=records");
    EXPECT_EQ(apply.exitCode, 0) << apply.err;
    EXPECT_NE(apply.out.find("VK5500001234  applied    yes       type MASTER, flags word, channel 2, channel 3, "
                             "channel 4, controller lines, level register 3, level register 7, level register 4, "
                             "level register 1\n"),
              std::string::npos)
        << apply.out;

    const std::string record = File("records/VK5500001234.html");
    for (const char* part : {"<td>MASTER</td>", "<td>7.2, protocol 22</td>", "<td>2026-12-09 08:30</td>",
                             "<td>sound reinforcement</td><td>36.0 dB</td><td>24V</td>", "class=\"ok\""})
        EXPECT_NE(record.find(part), std::string::npos) << part;
    EXPECT_EQ(record.find("<script"), std::string::npos);
    EXPECT_EQ(record.find("http"), std::string::npos) << "one file, nothing fetched";
}

TEST_F(ConfigCommand, AllUnitsAreAppliedOneAfterTheOtherAndAFailingOneIsNamed)
{
    // The second unit falls silent after 110 commands: after its type assignment
    // and reset, at the flags word.
    const CtlRun all = Ctl("--simulate=new+new!110+new config apply " + Profile() + " --all --record-dir=records");
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_NE(all.out.find("SERIAL        RESULT     VERIFIED  CHANGED\n"
                           "VK5500001234  applied    yes       type MASTER,"),
              std::string::npos)
        << all.out;
    EXPECT_NE(all.out.find("\nVK5500001235  failed     no        type MASTER\n"), std::string::npos)
        << all.out;
    EXPECT_NE(all.out.find("\nVK5500001236  applied    yes       type MASTER,"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("\nVK5500001235: flags word failed; the unit cannot be read back\n"), std::string::npos)
        << all.out;
    EXPECT_TRUE(fs::exists(m_dir / "records/VK5500001234.html"));
    EXPECT_TRUE(fs::exists(m_dir / "records/VK5500001236.html"));
}

TEST_F(ConfigCommand, BadInputSendsNothingAndExitsWithTwo)
{
    std::string profile = Slurp(Profile());
    profile.replace(profile.find("gain_db = 36.0"), 14, "gain_db = 33.0");
    Write("between.toml", profile);
    ASSERT_EQ(Ctl("--simulate=new config save new.toml").exitCode, 0);

    struct Case {
        const char* arguments;
        const char* message;
    };
    const Case cases[] = {
        {"--simulate=new config apply between.toml",
         "vk550ctl: between.toml:33:11: channel.2.gain_db: the gain goes in steps of 6.0 dB; the nearest are 30.0 and "
         "36.0\nvk550ctl: nothing was sent\n"},
        {"--simulate=master config apply new.toml",
         "vk550ctl: new.toml:14:8: VK5500001234: a unit that has a type (MASTER) cannot be made NEW again\n"
         "vk550ctl: nothing was sent\n"},
        {"--simulate=master+slave config apply new.toml",
         "vk550ctl: 2 units are attached; choose one with --serial=S or apply to all with --all\n"},
        {"--simulate=new config apply missing.toml", "vk550ctl: cannot read missing.toml\n"},
        // Usage errors come with the usage.
        {"--simulate=new config apply", "vk550ctl: FILE is required\nusage: vk550ctl"},
        {"--simulate=new config show --format=yaml", "vk550ctl: --format: yaml not in {text,toml,json}\nusage:"},
        {"--simulate=new config apply new.toml --all --serial=VK5500001234", "vk550ctl: --serial excludes --all\n"},
    };
    for (const Case& c : cases) {
        const CtlRun run = Ctl(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments;
        EXPECT_EQ(run.err.substr(0, std::string(c.message).size()), c.message) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
}

TEST_F(ConfigCommand, ShowsJson)
{
    const CtlRun json = Ctl("--simulate=slave config show --format=json");
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_NE(json.out.find("\"unit\": {\"type\": \"SLAVE\", \"flags\": 49154}"), std::string::npos) << json.out;
}

}  // namespace
