// The wizard's command line: its own options, Qt's left to Qt, and what it refuses.
#include "program/ProgramOptions.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vk {
namespace {

ProgramOptions Parse(std::vector<std::string> words, bool screenshots = false)
{
    words.insert(words.begin(), "quorvel-vk550-config");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return CProgramCommandLine(screenshots).Parse(static_cast<int>(words.size()), argv.data());
}

TEST(ProgramOptions, TakesItsOwnOptionsAndLeavesQtItsOwn)
{
    struct Case {
        std::vector<std::string> words;
        std::optional<std::string> simulate;
        bool version;
    };
    const Case cases[] = {
        {{}, std::nullopt, false},
        {{"--simulate"}, "new", false},
        {{"--simulate=master+slave"}, "master+slave", false},
        {{"--version"}, std::nullopt, true},
        // Qt's options, with their values, one dash or two, before or after ours.
        {{"-platform", "offscreen", "--simulate=slave"}, "slave", false},
        {{"--simulate", "--platform", "offscreen", "-style=fusion", "-reverse"}, "new", false},
        {{"-qwindowgeometry", "640x480", "-stylesheet", "look.qss", "--version"}, std::nullopt, true},
    };
    for (const Case& c : cases) {
        const ProgramOptions options = Parse(c.words);
        const std::string shown = ::testing::PrintToString(c.words);
        EXPECT_TRUE(options.valid) << shown << ": " << options.problem;
        EXPECT_FALSE(options.help) << shown;
        EXPECT_EQ(options.simulate, c.simulate) << shown;
        EXPECT_EQ(options.version, c.version) << shown;
    }
}

TEST(ProgramOptions, RefusesWhatItDoesNotKnowAndSaysWhat)
{
    struct Case {
        std::vector<std::string> words;
        const char* problem;
    };
    const Case cases[] = {
        {{"--no-such-option"}, "--no-such-option"},
        {{"stray"}, "stray"},
        {{"--simulate=bogus"}, "unknown kind of simulated units: bogus"},
        {{"--simulate", "master"}, "master"},  // a kind goes after '='
        {{"-platform"}, "-platform"},          // Qt's option without its value is nobody's
        {{"-nosuchqtoption"}, "-nosuchqtoption"},
    };
    for (const Case& c : cases) {
        const ProgramOptions options = Parse(c.words);
        const std::string shown = ::testing::PrintToString(c.words);
        EXPECT_FALSE(options.valid) << shown;
        EXPECT_NE(options.problem.find(c.problem), std::string::npos) << shown << ": " << options.problem;
    }
}

TEST(ProgramOptions, HelpWinsOverEverythingElse)
{
    for (const auto& words : std::vector<std::vector<std::string>>{{"--help"}, {"-h", "--simulate=bogus"},
                                                                   {"--no-such-option", "--help"}}) {
        EXPECT_TRUE(Parse(words).help) << ::testing::PrintToString(words);
    }
}

TEST(ProgramOptions, TheScreenshotsTakeOneFolder)
{
    EXPECT_EQ(Parse({"shots"}, true).screenshots, "shots");
    EXPECT_EQ(Parse({"-platform", "offscreen", "shots"}, true).screenshots, "shots");
    EXPECT_FALSE(Parse({"shots", "more"}, true).valid);
    EXPECT_FALSE(Parse({"shots"}, false).valid);
}

}  // namespace
}  // namespace vk
