// Scenario scripts: what a step is read as, and the mistakes that stop a script
// before anything runs (with the line they are on).
#include "Script.h"
#include "Transcript.h"

#include <gtest/gtest.h>

namespace vk::scenario {
namespace {

TEST(ScenarioScript, StepsReadNumbersTextsAndUnits)
{
    const auto parsed = ParseScript(
        "  # a comment line\n"
        "setting \"Install Directory\" text \"c:\\\\q\\\\\"  # trailing comment\n"
        "setting \"Speaker Volume\" dword 0x18\n"
        "fault 2 delay 1500\n"
        "fault silent\n"
        "start\r\n"
        "\n"
        "post 0x384 0 -2\n"
        "expect text 1009 \"a\\tb\\r\\n\\x41#\\377\"\n"
        "plug slave\n"
        "unplug 3\n"
        "file cancel\n",
        2);
    ASSERT_FALSE(parsed.error) << parsed.error->line << ": " << parsed.error->reason;
    const auto& s = parsed.steps;
    ASSERT_EQ(s.size(), 10u);
    EXPECT_EQ(s[0].line, 2);
    EXPECT_EQ(s[0].name, "Install Directory");
    EXPECT_EQ(s[0].text, "c:\\q\\");
    EXPECT_EQ(s[1].numbers, std::vector<int64_t>{24});
    EXPECT_EQ(s[2].unit, 2);
    EXPECT_EQ(s[2].word, "delay");
    EXPECT_EQ(s[3].unit, 1);
    EXPECT_EQ(s[4].verb, Verb::Start);
    EXPECT_EQ(s[5].line, 8);
    EXPECT_EQ(s[5].numbers, (std::vector<int64_t>{0x384, 0, -2}));
    EXPECT_EQ(s[6].text, "a\tb\r\nA#\xFF");
    EXPECT_EQ(s[8].unit, 3);  // the plugged unit counts
    EXPECT_EQ(s[9].word, "cancel");
}

TEST(ScenarioScript, TransactionFaultsReadAsOneFault)
{
    using K = SimTransactionFault::Kind;
    struct Case {
        const char* line;
        int unit;
        SimTransactionFault fault;
    };
    const Case cases[] = {
        {"fault at 3 silent", 1, {K::Silent, 3, {}, 0}},
        {"fault 2 at 1 error 0xFE", 2, {K::Error, 1, {}, 0xFE}},
        {"fault at 7 only 0xF00D echo", 1, {K::Echo, 7, 0xF00D, 0}},
        {"fault 2 at 2 code 0xB7FF delay 3000", 2, {K::Delay, 2, 0xB7FF, 3000}},
        {"fault at 40 unplug", 1, {K::Unplug, 40, {}, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto parsed = ParseScript(c.line, 2);
        ASSERT_FALSE(parsed.error) << parsed.error->reason;
        ASSERT_EQ(parsed.steps.size(), 1u);
        const Step& s = parsed.steps[0];
        EXPECT_EQ(s.unit, c.unit);
        ASSERT_TRUE(s.transactionFault);
        EXPECT_EQ(s.transactionFault->kind, c.fault.kind);
        EXPECT_EQ(s.transactionFault->at, c.fault.at);
        EXPECT_EQ(s.transactionFault->onlyFor, c.fault.onlyFor);
        EXPECT_EQ(s.transactionFault->value, c.fault.value);
    }
}

struct BadScript {
    const char* name;
    std::string text;
    int line;
    std::string reason;
};

class ScenarioScriptError : public ::testing::TestWithParam<BadScript> {};

TEST_P(ScenarioScriptError, IsRefusedWithItsLine)
{
    const BadScript& c = GetParam();
    const auto parsed = ParseScript(c.text, 1);
    ASSERT_TRUE(parsed.error);
    EXPECT_EQ(parsed.error->line, c.line);
    EXPECT_EQ(parsed.error->reason, c.reason);
    EXPECT_TRUE(parsed.steps.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, ScenarioScriptError,
    ::testing::Values(
        BadScript{"UnknownVerb", "start\nblink 3\n", 2, "unknown verb blink"},
        BadScript{"BadNumber", "start\nclick 10x3\n", 2, "bad number for control id: 10x3"},
        BadScript{"HexWithoutDigits", "start\nwait 0x\n", 2, "bad number for milliseconds: 0x"},
        BadScript{"NumberTooLarge", "start\nwait 99999999999999999999\n", 2, "bad number for milliseconds: 99999999999999999999"},
        BadScript{"MissingQuote", "start\nexpect text 1008 \"Unit Type\n", 2, "missing closing quote"},
        BadScript{"BadEscape", "setting \"a\\q\" dword 1\n", 1, "unknown escape \\q"},
        BadScript{"QuoteInAWord", "start\nclick 10\"03\n", 2, "a quote inside a word"},
        BadScript{"MissingArgument", "start\nslider 1007\n", 2, "missing position"},
        BadScript{"ExtraWord", "start\nescape now\n", 2, "unexpected now"},
        BadScript{"UnquotedText", "start\nexpect text 1008 Welcome\n", 2, "text must be in double quotes"},
        BadScript{"ActionBeforeStart", "click 1003\nstart\n", 1, "click before start"},
        BadScript{"SettingAfterStart", "start\nsetting \"x\" dword 1\n", 2, "setting after start"},
        BadScript{"SecondStart", "start\nstart\n", 2, "a second start"},
        BadScript{"NoSuchUnit", "unplug 2\n", 1, "no unit 2"},
        BadScript{"UnknownKind", "plug stand_alone\n", 1, "unknown kind of unit: stand_alone"},
        BadScript{"PairIsNoKind", "plug master+slave\n", 1, "unknown kind of unit: master+slave"},
        BadScript{"UnknownFault", "fault 1 loud\n", 1, "unknown fault loud"},
        BadScript{"TransactionZero", "fault at 0 silent\n", 1, "transaction out of range: 0"},
        BadScript{"TransactionFaultUnknown", "fault at 2 lose\n", 1, "unknown fault of a transaction lose"},
        BadScript{"TransactionErrorWithoutNumber", "fault at 2 error\n", 1, "missing error code"},
        BadScript{"TransactionCodeWithoutFault", "fault at 2 only 0xF00D\n", 1, "missing fault of the transaction"},
        BadScript{"BadAnswer", "answer maybe\n", 1, "answer must be yes, no, ok or cancel: maybe"},
        BadScript{"PanelOutOfRange", "start\npanel 5\n", 2, "channel out of range: 5"},
        BadScript{"MenuEntryZero", "start\nmenu 0\n", 2, "menu entry id out of range: 0"},
        // Nothing to run, or steps that never would: refused, not a silent success.
        BadScript{"Empty", "", 0, "no steps"},
        BadScript{"OnlyComments", "# a script\n\n   # still nothing\r\n", 0, "no steps"},
        BadScript{"StepAfterEnd", "start\nend\nclick 1003\n", 3, "a step after end"},
        BadScript{"SecondEnd", "start\nend\n# done\nend\n", 4, "a step after end"},
        // An escape names one byte: \377 is the largest.
        BadScript{"OctalAboveByte", "setting \"a\\777\" dword 1\n", 1, "octal escape out of range"},
        BadScript{"OctalJustAboveByte", "setting \"a\\400\" dword 1\n", 1, "octal escape out of range"},
        // What the script wrote is echoed short and printable, however long or binary.
        BadScript{"HugeVerb", std::string(1 << 20, 'j') + "\n", 1,
                  "unknown verb " + std::string(40, 'j') + "..."},
        BadScript{"BinaryVerb", std::string("\x01\xFF\x1B[2Jx\n", 8), 1, "unknown verb \\x01\\xFF\\x1B[2Jx"},
        BadScript{"BinaryEscape", "setting \"\\\x07\" dword 1\n", 1, "unknown escape \\\\x07"},
        BadScript{"HugeNumber", "start\nwait " + std::string(5000, '9') + "\n", 2,
                  "bad number for milliseconds: " + std::string(40, '9') + "..."}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ScenarioTranscript, TextsStayOnOneLine)
{
    EXPECT_EQ(Quote("a\"b\\c\r\n\t\x01\xe9 z"), "\"a\\\"b\\\\c\\r\\n\\t\\x01\\xE9 z\"");
    const uint8_t bytes[] = {0xF0, 0x0d, 0x00};
    EXPECT_EQ(HexBytes(bytes), "F0 0D 00");
    EXPECT_EQ(Hex4(0x117), "0x0117");
}

}  // namespace
}  // namespace vk::scenario
