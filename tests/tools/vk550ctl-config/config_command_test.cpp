// vk550ctl config as a technician runs it, on simulated units: saving and
// applying files, the commands a dry run lists, several units in one run with
// one failing, and the refusals that send nothing.
#include <gtest/gtest.h>

#include "tests/support/CommandFolder.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

using CtlRun = vk::test::CommandRun;

std::string Slurp(const fs::path& path) { return vk::test::ReadText(path); }

class ConfigCommand : public vk::test::CommandFolderTest {
protected:

    // Standard input is not a terminal: nothing can be confirmed by a prompt.
    // A run that waits on something it should have refused is ended after 60 s (exit 124).
    CtlRun Ctl(const std::string& arguments, const std::string& input = "/dev/null") const
    {
        return Run("cd " + m_dir.string() + " && HOME=" + m_dir.string() + " XDG_RUNTIME_DIR=" + m_dir.string() +
                   " QUORVEL_WINDOWS_DIR=" + (m_dir / "windows").string() + " timeout 60 " + VK550CTL_EXE + " " +
                   arguments + " <" + input);
    }
    [[nodiscard]] std::string File(const std::string& name) const { return Slurp(m_dir / name); }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(m_dir / name) << text; }
    [[nodiscard]] static std::string Profile() { return std::string(CONFIG_TEST_DIR) + "/master-profile.toml"; }
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
// changes (flags; channels 2..4 each through the inputs page's type change:
// record, lines, and for input 4 switched off the lines twice and the address;
// the items of channels 2 and 3; the lines of input 2; the output's three
// registers together and the speaker's, without reads) and the read-back.
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
    const CtlRun apply = Ctl("--simulate=new config apply " + Profile() + " --yes --record-dir=records");
    EXPECT_EQ(apply.exitCode, 0) << apply.err;
    EXPECT_NE(apply.out.find("VK5500001234  applied    yes       type MASTER, flags word, channel 2 input type, "
                             "channel 3 input type, channel 4 input type, channel 2, channel 3, controller lines, "
                             "output level, speaker level\n"),
              std::string::npos)
        << apply.out;

    const std::string record = File("records/VK5500001234.html");
    for (const char* part : {"<td>MASTER</td>", "<td>7.2, protocol 22</td>", "<td>2026-12-09 08:30</td>",
                             "<td>sound reinforcement</td><td>36.0 dB</td><td>24V</td>", "class=\"ok\"",
                             "<th>Program</th><td>vk550ctl ", "(simulated unit)</h1>"})
        EXPECT_NE(record.find(part), std::string::npos) << part;
    EXPECT_NE(record.find("<tr><th>Configuration file</th><td>" + Profile() + "</td></tr>"), std::string::npos);
    EXPECT_EQ(record.find("<script"), std::string::npos);
    EXPECT_EQ(record.find("http"), std::string::npos) << "one file, nothing fetched";
}

TEST_F(ConfigCommand, AllUnitsAreAppliedOneAfterTheOtherAndAFailingOneIsNamed)
{
    // The second unit falls silent after 114 commands: after the serial number
    // read when it is opened again, its type assignment and reset, at the flags word.
    const CtlRun all = Ctl("--simulate=new+new!114+new config apply " + Profile() + " --all --yes --record-dir=records");
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
        std::string arguments;
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
         "vk550ctl: 2 units are attached (VK5500001234, VK5500001235); choose one with --serial=S or use --all\n"},
        // The profile raises input 2 of a new unit from 3V to 24V: nobody at a terminal says yes.
        {"--simulate=new config apply " + Profile(),
         "vk550ctl: this turns phantom power on or up (VK5500001234 input 2 3V -> 24V); confirm with --yes\n"
         "vk550ctl: nothing was sent\n"},
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

// A file is a regular file or "-": anything else is refused with its reason at
// once, and a link is written through to the file it names.
TEST_F(ConfigCommand, FilesAreRegularFilesOfAtMostOneMegabyte)
{
    ASSERT_EQ(Ctl("--simulate=new config save new.toml").exitCode, 0);
    ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0600), 0);
    fs::create_directory(m_dir / "folder");
    Write("big.toml", std::string(2 << 20, '#'));

    struct Case {
        const char* arguments;
        const char* message;  // the whole of stderr
    };
    const Case cases[] = {
        {"--simulate=new config apply fifo", "vk550ctl: cannot read fifo: not a regular file (a FIFO)\n"},
        {"--simulate=new config diff /dev/zero",
         "vk550ctl: cannot read /dev/zero: not a regular file (a character device)\n"},
        {"--simulate=new config apply big.toml", "vk550ctl: cannot read big.toml: larger than 1 MiB\n"},
        {"--simulate=new config diff folder", "vk550ctl: cannot read folder: not a regular file (a folder)\n"},
        {"--simulate=new config apply missing.toml", "vk550ctl: cannot read missing.toml: No such file or directory\n"},
        {"--simulate=new config save fifo",
         "vk550ctl: cannot write fifo: not a regular file (a FIFO) (- writes to standard output)\n"},
        {"--simulate=new config save folder",
         "vk550ctl: cannot write folder: not a regular file (a folder) (- writes to standard output)\n"},
        {"--simulate=new config save no/such/folder/x.toml",
         "vk550ctl: cannot write no/such/folder/x.toml: No such file or directory\n"},
        {"--simulate=new config save --all missing", "vk550ctl: cannot write into missing: No such file or directory\n"},
        {"--simulate=new config save --all new.toml", "vk550ctl: cannot write into new.toml: not a folder\n"},
    };
    for (const Case& c : cases) {
        const CtlRun run = Ctl(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments;
        EXPECT_EQ(run.err, c.message) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
    // Standard input without end stops at the limit too.
    const CtlRun endless = Ctl("--simulate=new config apply -", "/dev/zero");
    EXPECT_EQ(endless.exitCode, 2);
    EXPECT_EQ(endless.err, "vk550ctl: cannot read standard input: larger than 1 MiB\n");
    EXPECT_EQ(fs::status(m_dir / "fifo").type(), fs::file_type::fifo) << "left as it was";
}

TEST_F(ConfigCommand, SaveWritesThroughALinkAndKeepsIt)
{
    fs::create_directory(m_dir / "kept");
    fs::create_symlink("kept/unit.toml", m_dir / "link.toml");
    Write("kept/unit.toml", "old\n");
    fs::permissions(m_dir / "kept/unit.toml", fs::perms(0640));
    fs::create_symlink("kept/new.toml", m_dir / "dangling.toml");

    for (const char* name : {"link.toml", "dangling.toml"}) {
        const CtlRun save = Ctl(std::string("--simulate=new config save ") + name);
        EXPECT_EQ(save.exitCode, 0) << save.err;
        EXPECT_TRUE(fs::is_symlink(m_dir / name)) << name;
    }
    const std::string shown = Ctl("--simulate=new config show --format=toml").out;
    EXPECT_EQ(File("kept/unit.toml"), shown);
    EXPECT_EQ(File("kept/new.toml"), shown);
    EXPECT_EQ(fs::status(m_dir / "kept/unit.toml").permissions(), fs::perms(0640)) << "the file keeps its mode";
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "kept"), fs::directory_iterator()), 2)
        << "nothing left beside";
}

TEST_F(ConfigCommand, DashIsStandardInputAndStandardOutput)
{
    const CtlRun saved = Ctl("--simulate=master config save -");
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(saved.out, Ctl("--simulate=master config show --format=toml").out) << "the file alone";
    Write("master.toml", saved.out);

    const CtlRun same = Ctl("--simulate=master config diff -", "master.toml");
    EXPECT_EQ(same.exitCode, 0) << same.err;
    const CtlRun applied = Ctl("--simulate=master config apply -", "master.toml");
    EXPECT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_NE(applied.out.find("VK5500001234  unchanged  yes"), std::string::npos) << applied.out;

    std::string bad = saved.out;
    bad.replace(bad.find("gain_db = "), 10, "gain_db = nan #");
    Write("bad.toml", bad);
    const CtlRun refused = Ctl("--simulate=master config apply -", "bad.toml");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err.rfind("vk550ctl: standard input:", 0), 0u) << refused.err;
}

// diff exits as diff(1) does, and marks what apply would refuse.
TEST_F(ConfigCommand, DiffExitsWithZeroOneOrTwo)
{
    ASSERT_EQ(Ctl("--simulate=new config save new.toml").exitCode, 0);
    struct Case {
        const char* arguments;
        int exitCode;
        const char* out;  // a part of it
    };
    const Case cases[] = {
        {"--simulate=new config diff new.toml", 0, "no changes: the unit holds this configuration\n"},
        {"--simulate=stand-alone config diff new.toml", 1,
         "type                         STAND ALONE -> NEW   [apply refuses: a unit that has a type (STAND ALONE) "
         "cannot be made NEW again]\n"},
        {"--simulate=new+stand-alone config diff new.toml --all", 1,
         "# VK5500001234\nno changes: the unit holds this configuration\n\n# VK5500001235\ntype "},
        {"--simulate=new config diff missing.toml", 2, ""},
        {"--simulate=new+new config diff new.toml", 2, ""},
        {"--simulate=new!3 config diff new.toml", 2, ""},
    };
    for (const Case& c : cases) {
        const CtlRun run = Ctl(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << c.arguments << "\n" << run.out;
    }
}

TEST_F(ConfigCommand, ADryRunExitsAsTheApplyWould)
{
    const CtlRun dry = Ctl("--simulate=new+new!3 config apply " + Profile() + " --dry-run --all");
    EXPECT_EQ(dry.exitCode, 1) << dry.err;
    EXPECT_NE(dry.out.find(": cannot be read ("), std::string::npos) << dry.out;
    EXPECT_EQ(Ctl("--simulate=new+new!3 config apply " + Profile() + " --all --yes").exitCode, 1);
}

TEST_F(ConfigCommand, EveryActionTakesAll)
{
    fs::create_directory(m_dir / "units");
    const CtlRun saved = Ctl("--simulate=new+master config save --all units");
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(saved.out, "saved units/VK5500001234.toml (VK5500001234)\n"
                         "saved units/VK5500001235.toml (VK5500001235)\n");
    const CtlRun shown = Ctl("--simulate=new+master config show --all --format=toml");
    EXPECT_EQ(shown.out, "# VK5500001234\n" + File("units/VK5500001234.toml") + "\n# VK5500001235\n" +
                             File("units/VK5500001235.toml"));
    const CtlRun json = Ctl("--simulate=new+master config show --all --format=json");
    EXPECT_EQ(json.out.rfind("[\n{", 0), 0u) << json.out;
    EXPECT_NE(json.out.find("},\n{"), std::string::npos) << json.out;
    EXPECT_EQ(json.out.substr(json.out.size() - 4), "}\n]\n");
}

// --no-store applies and reads back but leaves the unit unstored: the table and
// the help say what that risks; without it the apply ends with the store.
TEST_F(ConfigCommand, NoStoreAppliesWithoutStoringAndSaysWhatItRisks)
{
    const CtlRun unstored = Ctl("--simulate=new config apply " + Profile() + " --yes --no-store");
    EXPECT_EQ(unstored.exitCode, 0) << unstored.err;
    EXPECT_NE(unstored.out.find("VK5500001234  unstored   yes       type MASTER"), std::string::npos) << unstored.out;
    EXPECT_NE(unstored.out.find("VK5500001234: not stored: the unit forgets these settings at its next power cycle"),
              std::string::npos)
        << unstored.out;
    const CtlRun dry = Ctl("--simulate=new config apply " + Profile() + " --no-store --dry-run");
    EXPECT_EQ(dry.out.find("B7 FF"), std::string::npos) << "an unstored apply sends no store";

    const CtlRun help = Ctl("config apply --help");
    EXPECT_NE(help.out.find("--no-store"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("forgets the settings at its next power cycle"), std::string::npos) << help.out;
}

// check needs no unit: 0 for a valid file (with notes on values only a unit
// holding them takes), 2 for an invalid one, with the parser's line and column.
TEST_F(ConfigCommand, CheckValidatesAFileWithoutAUnit)
{
    ASSERT_EQ(Ctl("--simulate=stand-alone config save sa.toml").exitCode, 0);
    Write("sa.json", Ctl("--simulate=stand-alone config show --format=json").out);
    std::string between = Slurp(Profile());
    between.replace(between.find("gain_db = 36.0"), 14, "gain_db = 33.0");
    Write("between.toml", between);
    Write("loud.toml", "format_version = 2\n[levels]\nspeaker = 30\n");
    struct Case {
        std::string arguments;
        std::string input;
        int exitCode;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {"config check sa.toml", "/dev/null", 0, "sa.toml: valid (format version 2)\n", ""},
        {"config check sa.json", "/dev/null", 0, "sa.json: valid (format version 2)\n", ""},
        {"config check -", (m_dir / "sa.json").string(), 0, "standard input: valid (format version 2)\n", ""},
        {"config check " + Profile(), "/dev/null", 0, Profile() + ": valid (format version 1)\n", ""},
        {"config check loud.toml", "/dev/null", 0,
         "loud.toml:3:11: levels.speaker: 30: the wizard's levels go from 0 to 24; only a unit that holds it already "
         "takes it\nloud.toml: valid (format version 2)\n",
         ""},
        {"config check between.toml", "/dev/null", 2, "",
         "vk550ctl: between.toml:33:11: channel.2.gain_db: the gain goes in steps of 6.0 dB; the nearest are 30.0 and "
         "36.0\n"},
        {"config check missing.toml", "/dev/null", 2, "",
         "vk550ctl: cannot read missing.toml: No such file or directory\n"},
    };
    for (const Case& c : cases) {
        const CtlRun run = Ctl(c.arguments, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(run.out, c.out) << c.arguments;
        EXPECT_EQ(run.err, c.err) << c.arguments;
    }
}

// JSON is applied as TOML is: the same unit's two files make the same commands.
TEST_F(ConfigCommand, JsonIsAppliedAsTomlIs)
{
    ASSERT_EQ(Ctl("--simulate=master config save master.toml").exitCode, 0);
    Write("master.json", Ctl("--simulate=master config show --format=json").out);
    const CtlRun fromToml = Ctl("--simulate=stand-alone config apply master.toml --dry-run");
    const CtlRun fromJson = Ctl("--simulate=stand-alone config apply master.json --dry-run");
    EXPECT_EQ(fromJson.exitCode, 0) << fromJson.err;
    EXPECT_NE(fromJson.out.find("type: STAND ALONE -> MASTER"), std::string::npos) << fromJson.out;
    EXPECT_EQ(fromJson.out, fromToml.out);
    ASSERT_EQ(Ctl("--simulate=master config save saved.json").exitCode, 0);
    EXPECT_EQ(File("saved.json"), File("master.json")) << "a .json name is saved as JSON";
    const CtlRun applied = Ctl("--simulate=stand-alone config apply master.json --yes");
    EXPECT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_NE(applied.out.find("VK5500001234  applied    yes"), std::string::npos) << applied.out;
}

// A file of some fields: diff lists only those, and marks what apply refuses,
// which then sends nothing.
TEST_F(ConfigCommand, APartialFileIsComparedAndRefusedFieldByField)
{
    Write("speaker.toml", "format_version = 2\n[levels]\nspeaker = 20\n");
    Write("loud.toml", "format_version = 2\n[levels]\nspeaker = 30\n");
    const CtlRun diff = Ctl("--simulate=stand-alone config diff speaker.toml");
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_EQ(diff.out, "speaker level                12 -> 20\n");

    const std::string refusal = "loud.toml:3:11: levels.speaker: 30: the wizard's levels go from 0 to 24; only a unit "
                                "that holds it already takes it, and this one holds 12";
    const CtlRun refused = Ctl("--simulate=stand-alone config diff loud.toml");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "speaker level                12 -> 30   [apply refuses: " + refusal + "]\n");
    const CtlRun apply = Ctl("--simulate=stand-alone config apply loud.toml");
    EXPECT_EQ(apply.exitCode, 2);
    EXPECT_EQ(apply.err, "vk550ctl: " + refusal + "\nvk550ctl: nothing was sent\n");
}

TEST_F(ConfigCommand, EveryActionHasItsOwnHelp)
{
    struct Case {
        const char* arguments;
        const char* usage;  // the first line
    };
    const Case cases[] = {
        {"config apply --help", "usage: vk550ctl [--simulate[=KIND]] config apply FILE [--dry-run] [--yes]"},
        {"config save -h", "usage: vk550ctl [--simulate[=KIND]] config save FILE [--serial=S] | save --all DIR\n"},
        {"config diff --help", "usage: vk550ctl [--simulate[=KIND]] config diff FILE [--serial=S | --all]\n"},
        {"config show --help", "usage: vk550ctl [--simulate[=KIND]] config show [--format=text|toml|json]"},
        {"config check --help", "usage: vk550ctl [--simulate[=KIND]] config check FILE\n"},
        {"config --help", "usage: vk550ctl [--simulate[=KIND]] config ACTION [OPTIONS]\n"},
        {"list --help", "usage: vk550ctl [--simulate[=KIND]] list\n"},
        {"--help", "usage: vk550ctl [--simulate[=KIND]] COMMAND [ARGS]\n"},
    };
    for (const Case& c : cases) {
        const CtlRun run = Ctl(c.arguments);
        EXPECT_EQ(run.exitCode, 0) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out.rfind(c.usage, 0), 0u) << c.arguments << "\n" << run.out;
        EXPECT_EQ(run.err, "") << c.arguments;
    }
}

}  // namespace
