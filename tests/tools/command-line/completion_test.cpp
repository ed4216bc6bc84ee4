// The completion walks a program's CLI11 definitions: what it offers after the
// words typed so far.
#include "program/CommandLineCompletion.h"
#include "program/SimulateOption.h"
#include "sim/unit/SimSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vk::cli {
namespace {

using Words = std::vector<std::string>;

// A program with what the completion must tell apart: flags, options with values
// (free, from a set, a folder), a flag with an optional value, short-only and
// hidden options, a positional file, a subcommand that takes extras and a hidden one.
struct Fixture {
    CLI::App app{"", "prog"};
    bool flag = false;
    std::string text;
    int number = 0;

    Fixture()
    {
        app.set_help_flag("-h,--help");
        app.add_flag("--version", flag);
        app.add_flag("--simulate{one}", text)->check(OfferedValues({"one", "two", "twenty"}));
        app.add_option("--level", number)->group("");
        CLI::App* config = app.add_subcommand("config");
        CLI::App* apply = config->add_subcommand("apply");
        apply->add_option("FILE", text);
        apply->add_option("--record-dir", text)->type_name("DIR");
        apply->add_option("--format", text)->check(CLI::IsMember({"text", "toml", "json"}));
        apply->add_option("--serial", text)->type_name("S");
        apply->add_flag("--dry-run", flag);
        apply->add_flag("-n", flag);
        app.add_subcommand("echo")->allow_extras();
        app.add_subcommand("secret")->group("");
    }
};

TEST(CommandLineCompletion, OffersWhatTheDefinitionsAllowAtEachPlace)
{
    struct Case {
        Words words;
        Words offered;
    };
    const Words applyOptions{"--dry-run", "--format=", "--help", "--record-dir=", "--serial=", "-n"};
    const Case cases[] = {
        // Subcommands in place of a new word; hidden ones and hidden options never.
        {{""}, {"config", "echo"}},
        {{"c"}, {"config"}},
        {{"-"}, {"--help", "--simulate", "--simulate=", "--version"}},
        {{"--s"}, {"--simulate", "--simulate="}},
        // An optional value after '=' only, offered whole.
        {{"--simulate="}, {"--simulate=one", "--simulate=twenty", "--simulate=two"}},
        {{"--simulate=tw"}, {"--simulate=twenty", "--simulate=two"}},
        {{"--simulate", ""}, {"config", "echo"}},
        {{"config", ""}, {"apply"}},
        // A subcommand's own options: long names, '=' where a value follows, short-only ones.
        {{"config", "apply", "-"}, applyOptions},
        {{"config", "apply", "--d"}, {"--dry-run"}},
        {{"config", "apply", ""}, {kFilesAnswer}},
        {{"config", "apply", "--record-dir", ""}, {kDirsAnswer}},
        {{"config", "apply", "--record-dir=ro"}, {kDirsAnswer}},
        {{"config", "apply", "--format", "t"}, {"text", "toml"}},
        {{"config", "apply", "--format=j"}, {"--format=json"}},
        // A value nobody can guess: nothing, neither options nor files.
        {{"config", "apply", "--serial", ""}, {}},
        // A value that spells a subcommand is still the value.
        {{"config", "apply", "--format", "config", ""}, {kFilesAnswer}},
        // The file is given: what is left to type are the options.
        {{"config", "apply", "room.toml", ""}, applyOptions},
        {{"config", "apply", "room.toml", "--dry-run", "-n", "--format=json", ""}, applyOptions},
        // After "--" every word is a positional.
        {{"config", "apply", "--", "-"}, {kFilesAnswer}},
        // An unknown word does not leave the app it was typed in.
        {{"nonsense", "-"}, {"--help", "--simulate", "--simulate=", "--version"}},
    };
    for (const Case& c : cases) {
        Fixture fixture;
        EXPECT_EQ(CompletionCandidates(fixture.app, c.words), c.offered) << ::testing::PrintToString(c.words);
    }
}

TEST(CommandLineCompletion, ExtrasAreWhatTheProgramSaysTheyAre)
{
    Fixture fixture;
    EXPECT_EQ(CompletionCandidates(fixture.app, {"echo", ""}), Words{"--help"}) << "nothing declared: the options";
    CompletionRules rules;
    rules.extras = [](const CLI::App& app) { return app.get_name() == "echo" ? ValueKind::Files : ValueKind::None; };
    EXPECT_EQ(CompletionCandidates(fixture.app, {"echo", ""}, rules), Words{kFilesAnswer});
    EXPECT_EQ(CompletionCandidates(fixture.app, {""}, rules), (Words{"config", "echo"})) << "the root takes no extras";
}

TEST(CommandLineCompletion, AnswersOnlyItsOwnCommandAndLeavesTheDefinitionsUnparsed)
{
    Fixture fixture;
    char program[] = "prog";
    char help[] = "--help";
    char* other[] = {program, help};
    EXPECT_FALSE(AnswerCompletion(fixture.app, 2, other).has_value());

    char complete[] = "__complete";
    char config[] = "config";
    char* asked[] = {program, complete, config, help};
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(AnswerCompletion(fixture.app, 4, asked), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "--help\n");
    EXPECT_EQ(fixture.app.count_all(), 0u) << "asking is not parsing";
}

TEST(CommandLineCompletion, OfferedKindsAreKindsEveryProgramTakes)
{
    for (const std::string& kind : SimulatedKindWords())
        EXPECT_TRUE(IsSimulatedKind(kind)) << kind;
}

}  // namespace
}  // namespace vk::cli
