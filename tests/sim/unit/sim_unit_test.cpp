// The simulated unit's firmware model, driven through its transport-independent API.
#include "platform/clock/Clock.h"
#include "sim/unit/SimSystem.h"
#include "sim/unit/SimUnit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vk {
namespace {

class SimUnitTest : public ::testing::Test {
protected:
    void SetUp() override { SetClock(&clock); }
    void TearDown() override { SetClock(nullptr); }

    static SimReport Short(uint16_t code) { return {0, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code), 0, 0, 0, 0, 0, 0}; }
    static SimReport Long(SimBlock b)
    {
        SimReport r{};
        std::copy(b.begin(), b.end(), r.begin() + 1);
        return r;
    }
    // Sends a short command and returns the answer word ready now, if any.
    static std::optional<uint16_t> Ask(CSimUnit& unit, uint16_t code)
    {
        unit.Receive(Short(code));
        const auto a = unit.TakeAnswer();
        if (!a)
            return std::nullopt;
        return static_cast<uint16_t>((*a)[1] << 8 | (*a)[2]);
    }

    CVirtualClock clock;
};

TEST_F(SimUnitTest, DefaultIdentityByKind)
{
    struct Case {
        SimUnitKind kind;
        uint16_t productId;
        uint16_t configWord;
        const char* usbName;
    };
    const Case cases[] = {
        {SimUnitKind::StandAlone, 0x117, 0x800B, "Qrvl VK550_SAL"},
        {SimUnitKind::Master, 0x217, 0xC00B, "Qrvl VK550_MAS"},
        {SimUnitKind::Slave, 0x317, 0xC002, "Qrvl VK550_SLV"},
    };
    for (const Case& c : cases) {
        CSimUnit unit(c.kind);
        EXPECT_EQ(unit.VendorId(), 0x3C5A);
        EXPECT_EQ(unit.ProductId(), c.productId);
        EXPECT_EQ(unit.UsbName(), c.usbName);
        const SimUnitState s = unit.State();
        EXPECT_EQ(s.Value(0, 2), c.productId);
        EXPECT_EQ(s.Value(0, 10), c.configWord);
        EXPECT_EQ(s.Text(0, 1), c.usbName);
        EXPECT_EQ(s.unitIdentifier, 0x24B0C2D5u);
        EXPECT_EQ(s.serialNumber, "VK5500001234");
        EXPECT_EQ(Ask(unit, 0x9000), 0x9417);
        EXPECT_EQ(Ask(unit, 0xA000), 0xA072);
        EXPECT_EQ(Ask(unit, 0xA400), 0xA416);
        EXPECT_EQ(Ask(unit, 0x0555), 0x0555);
    }
    CSimUnit fresh(SimUnitKind::New);
    EXPECT_EQ(fresh.ProductId(), 0x1C);
    EXPECT_EQ(fresh.State().Value(0, 10) & 0x8000, 0);
}

TEST_F(SimUnitTest, LogsEveryCommandInOrder)
{
    CSimUnit unit(SimUnitKind::Master);
    unit.Receive(Short(0x9000));
    clock.Advance(7);
    unit.Receive(Long({0xF0, 0x0D, 0, 0, 10, 0, 0, 0}));
    unit.Receive(std::vector<uint8_t>{0, 1, 2});  // too short to be a report: ignored
    const auto log = unit.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(unit.LoggedCodes(), (std::vector<uint16_t>{0x9000, 0xF00D}));
    EXPECT_FALSE(log[0].IsLong());
    EXPECT_TRUE(log[1].IsLong());
    EXPECT_EQ(log[1].atMs, 7u);
    EXPECT_EQ(log[1].bytes[4], 10);
    unit.ClearLog();
    EXPECT_TRUE(unit.Log().empty());
}

// Unknown short codes get no answer, unknown long sub-commands and sub-functions
// the unit's error answer; all are recorded, and ClearLog keeps that record.
TEST_F(SimUnitTest, UnknownCommandsAreNotUnderstoodAndRecorded)
{
    CSimUnit unit;
    EXPECT_EQ(Ask(unit, 0x1234), std::nullopt) << "unknown short code";
    EXPECT_EQ(Ask(unit, 0xB371), std::nullopt) << "not an identifier nibble read";
    EXPECT_EQ(Ask(unit, 0x0555), 0x0555) << "a known one";
    unit.ClearLog();
    unit.Receive(Long({0xF0, 0x3D, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(unit.TakeAnswer(), Long({0xF0, 0x3D, 0x80, 0, 0, 0, 0, 0xFF})) << "unknown sub-command";
    unit.Receive(Long({0xF0, 0x0D, 7, 0, 10, 0, 0, 0}));
    const auto rejected = unit.TakeAnswer();
    ASSERT_TRUE(rejected);
    EXPECT_EQ((*rejected)[3] & 0x80, 0x80) << "unknown sub-function";

    std::vector<uint16_t> unknown;
    for (const SimLoggedCommand& c : unit.UnknownCommands())
        unknown.push_back(c.Code());
    EXPECT_EQ(unknown, (std::vector<uint16_t>{0x1234, 0xB371, 0xF03D, 0xF00D}));
    const auto log = unit.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(log[0].unknown && log[1].unknown);
}

TEST_F(SimUnitTest, ResetLeavesAndReturnsUnderTheStoredIdentity)
{
    CSimUnit unit(SimUnitKind::New);
    unit.SetResetTiming({300, 2500});
    unit.WithState([](SimUnitState& s) {
        s.SetValue(0, 2, 0x217);
        s.SetText(0, 1, "Qrvl VK550_MAS");
    });
    const uint64_t generation = unit.Generation();
    EXPECT_EQ(Ask(unit, 0x0666), std::nullopt);  // no answer to a reset
    clock.Advance(299);
    EXPECT_TRUE(unit.Present());
    clock.Advance(1);
    EXPECT_FALSE(unit.Present());
    unit.Receive(Short(0x9000));  // nobody there to hear it
    clock.Advance(2499);
    EXPECT_FALSE(unit.Present());
    EXPECT_EQ(unit.ProductId(), 0x1C);
    clock.Advance(1);
    EXPECT_TRUE(unit.Present());
    EXPECT_EQ(unit.ProductId(), 0x217);
    EXPECT_EQ(unit.UsbName(), "Qrvl VK550_MAS");
    EXPECT_NE(unit.Generation(), generation);
    EXPECT_EQ(unit.LoggedCodes(), std::vector<uint16_t>{0x0666});
    EXPECT_EQ(unit.TakeAnswer(), std::nullopt);
}

// The writes change the live settings; 0xB100 keeps the parameters, channels
// and address, 0xB102 the levels; a power cycle brings back what was kept.
TEST_F(SimUnitTest, APowerCycleBringsBackWhatWasStored)
{
    CSimUnit unit(SimUnitKind::StandAlone);
    EXPECT_EQ(Ask(unit, 0xB7FF), 0xB700) << "a unit as it left the bench has nothing to store";
    EXPECT_EQ(Ask(unit, 0x5114), 0x5114);  // speaker register 1 to 20
    unit.WithState([](SimUnitState& s) { s.channels[2].mode = 3; });
    EXPECT_EQ(Ask(unit, 0xB7FF), 0xB701);
    EXPECT_EQ(Ask(unit, 0xB100), 0xB100);
    EXPECT_EQ(Ask(unit, 0xB7FF), 0xB701) << "the level is not stored yet";

    unit.Unplug();
    unit.PowerCycle();
    unit.Plug();
    SimUnitState after = unit.State();
    EXPECT_EQ(after.channels[2].mode, 3) << "stored by 0xB100";
    EXPECT_EQ(after.levels.at(1), 12) << "lost: 0xB102 was never sent";
    EXPECT_EQ(Ask(unit, 0xB7FF), 0xB700);

    EXPECT_EQ(Ask(unit, 0x5114), 0x5114);
    EXPECT_EQ(Ask(unit, 0xB102), 0xB102);
    EXPECT_EQ(Ask(unit, 0xB7FF), 0xB700);
    unit.PowerCycle();
    EXPECT_EQ(unit.State().levels.at(1), 20);
}

// A value written and written back still counts as something to store, as the
// firmware cannot tell; a command that only reads does not.
TEST_F(SimUnitTest, AnyChangeSinceTheLastStoreLeavesSomethingToStore)
{
    CSimUnit unit(SimUnitKind::Master);
    EXPECT_EQ(Ask(unit, 0x6100), 0x610C);
    EXPECT_EQ(Ask(unit, 0xB7FF), 0xB700);
    EXPECT_EQ(Ask(unit, 0x5114), 0x5114);
    EXPECT_EQ(Ask(unit, 0x510C), 0x510C);
    EXPECT_EQ(Ask(unit, 0xB7FF), 0xB701);
}

// The live controller lines come back from their stored words, which are
// parameters kept by 0xB100; a reset keeps the live settings unstored.
TEST_F(SimUnitTest, LinesComeBackFromTheirStoredWordsAndAResetKeepsLiveSettings)
{
    CSimUnit unit(SimUnitKind::StandAlone);
    unit.SetResetTiming({300, 2500});
    unit.WithState([](SimUnitState& s) {
        const auto [page, index] = s.StoredLinesPlace();
        s.SetValue(page, index, 0x0001, 0);
        s.SetValue(page, index, 0x0010, 1);
    });
    EXPECT_EQ(Ask(unit, 0xB100), 0xB100);
    EXPECT_EQ(Ask(unit, 0x5114), 0x5114);
    unit.WithState([](SimUnitState& s) { s.picLines = 0xFFFF; });
    EXPECT_EQ(Ask(unit, 0x0666), std::nullopt);
    clock.Advance(2800);
    ASSERT_TRUE(unit.Present());
    EXPECT_EQ(unit.State().levels.at(1), 20) << "a reset is no power cycle";
    EXPECT_EQ(unit.State().picLines, 0x00010010u) << "after a reset the lines come up as stored";

    unit.WithState([](SimUnitState& s) { s.picLines = 0xFFFF; });
    unit.PowerCycle();
    EXPECT_EQ(unit.State().picLines, 0x00010010u);
    EXPECT_EQ(unit.State().levels.at(1), 12);
}

TEST_F(SimUnitTest, UnplugDropsPendingAnswers)
{
    CSimUnit unit;
    unit.Receive(Short(0x9000));
    const uint64_t generation = unit.Generation();
    unit.Unplug();
    EXPECT_FALSE(unit.Present());
    unit.Plug();
    EXPECT_TRUE(unit.Present());
    EXPECT_NE(unit.Generation(), generation);
    EXPECT_EQ(unit.TakeAnswer(), std::nullopt);
}

struct AnswerFaultCase {
    const char* name;
    SimFaults faults;
    std::vector<std::optional<SimBlock>> answers;  // to two 0xF00D commands, read 2 s after each
};

class SimAnswerFaultTest : public SimUnitTest, public ::testing::WithParamInterface<AnswerFaultCase> {};

constexpr SimBlock kCmd{0xF0, 0x0D, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00};
constexpr SimBlock kFFFF{0xFF, 0xFF, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00};
constexpr SimBlock kError{0xF0, 0x0D, 0x80, 0x00, 0x0A, 0x00, 0x00, 0xFE};
constexpr SimBlock kWrongEcho{0xF0, 0x0D, 0x00, 0x01, 0x0B, 0x00, 0x00, 0x00};

SimFaults Make(void (*set)(SimFaults&))
{
    SimFaults f;
    set(f);
    return f;
}

// The data bytes of the unit's next answer (none: nullopt); answers after it
// are dropped.
std::optional<SimBlock> TakeAnswerBlock(CSimUnit& unit)
{
    std::optional<SimBlock> block;
    if (auto r = unit.TakeAnswer())
        block = SimBlock{(*r)[1], (*r)[2], (*r)[3], (*r)[4], (*r)[5], (*r)[6], (*r)[7], (*r)[8]};
    while (unit.TakeAnswer()) {
    }
    return block;
}

TEST_P(SimAnswerFaultTest, ShapesTheAnswers)
{
    const AnswerFaultCase& c = GetParam();
    CSimUnit unit;
    unit.SetFaults(c.faults);
    std::vector<std::optional<SimBlock>> got;
    for (int i = 0; i < 2; ++i) {
        unit.Receive(Long(kCmd));
        clock.Advance(2000);
        got.push_back(TakeAnswerBlock(unit));
    }
    EXPECT_EQ(got, c.answers);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimAnswerFaultTest,
    ::testing::Values(
        AnswerFaultCase{"none", {}, {kCmd, kCmd}},
        AnswerFaultCase{"silent", Make([](SimFaults& f) { f.silent = true; }), {std::nullopt, std::nullopt}},
        AnswerFaultCase{"loseFirst", Make([](SimFaults& f) { f.loseAnswers = 1; }), {std::nullopt, kCmd}},
        AnswerFaultCase{"tooLate", Make([](SimFaults& f) { f.answerDelayMs = 2001; }), {std::nullopt, kCmd}},
        AnswerFaultCase{"ffff", Make([](SimFaults& f) { f.answerFFFF = true; }), {kFFFF, kFFFF}},
        AnswerFaultCase{"error", Make([](SimFaults& f) { f.errorNumber = 0xFE; }), {kError, kError}},
        AnswerFaultCase{"wrongEcho", Make([](SimFaults& f) { f.wrongEcho = true; }), {kWrongEcho, kWrongEcho}},
        AnswerFaultCase{"otherCommandOnly", Make([](SimFaults& f) { f.silent = true; f.onlyFor = 0x9000; }), {kCmd, kCmd}}),
    [](const auto& p) { return std::string(p.param.name); });

// A fault of one transaction meets exactly the K-th command (of code C, when
// given) and no other; unplug takes the unit off the bus with that command.
TEST_F(SimUnitTest, TransactionFaultMeetsOnlyItsCommand)
{
    using K = SimTransactionFault::Kind;
    constexpr SimBlock kShortAnswer{0x94, 0x17, 0, 0, 0, 0, 0, 0};
    constexpr SimBlock kShortFFFF{0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
    struct Case {
        const char* name;
        SimTransactionFault fault;
        std::vector<std::optional<SimBlock>> answers;  // to F00D, 9000, F00D, F00D, each read 1 s later
        bool presentAfter = true;
    };
    const Case cases[] = {
        {"silent at 2", {K::Silent, 2, {}, 0}, {kCmd, std::nullopt, kCmd, kCmd}},
        {"error at 1", {K::Error, 1, {}, 0xFE}, {kError, kShortAnswer, kCmd, kCmd}},
        {"error on a short command", {K::Error, 2, {}, 0xFE}, {kCmd, kShortFFFF, kCmd, kCmd}},
        {"echo at 3", {K::Echo, 3, {}, 0}, {kCmd, kShortAnswer, kWrongEcho, kCmd}},
        {"delay at 1: late, then overtaken", {K::Delay, 1, {}, 1500}, {std::nullopt, kShortAnswer, kCmd, kCmd}},
        {"the 2nd F00D only", {K::Silent, 2, 0xF00D, 0}, {kCmd, kShortAnswer, std::nullopt, kCmd}},
        {"unplug at 2", {K::Unplug, 2, {}, 0}, {kCmd, std::nullopt, std::nullopt, std::nullopt}, false},
    };
    const SimReport commands[] = {Long(kCmd), Short(0x9000), Long(kCmd), Long(kCmd)};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSimUnit unit;
        unit.FailTransaction(c.fault);
        std::vector<std::optional<SimBlock>> got;
        for (const SimReport& command : commands) {
            unit.Receive(command);
            clock.Advance(1000);
            got.push_back(TakeAnswerBlock(unit));
        }
        EXPECT_EQ(got, c.answers);
        EXPECT_EQ(unit.Present(), c.presentAfter);
        EXPECT_EQ(unit.PendingTransactionFault(), std::nullopt);
        EXPECT_EQ(unit.Log().size(), c.presentAfter ? 4u : 2u);  // the unplugging command was received
    }
}

TEST_F(SimUnitTest, RepeatedAndInjectedReportsQueueInTimeOrder)
{
    CSimUnit unit;
    SimFaults f;
    f.repeatAnswers = 3;
    f.answerDelayMs = 10;
    unit.SetFaults(f);
    const SimReport unsolicited{0, 0x12, 0x34, 0, 0, 0, 0, 0, 0};
    unit.InjectReport(unsolicited, 20);
    unit.Receive(Short(0x9000));
    unit.InjectReport(unsolicited, 5);
    EXPECT_EQ(unit.NextAnswerDueMs(), 5u);
    EXPECT_EQ(unit.TakeAnswer(), std::nullopt);
    clock.Advance(20);
    std::vector<uint16_t> words;
    while (auto r = unit.TakeAnswer())
        words.push_back(static_cast<uint16_t>((*r)[1] << 8 | (*r)[2]));
    EXPECT_EQ(words, (std::vector<uint16_t>{0x1234, 0x9417, 0x9417, 0x9417, 0x1234}));
}

TEST(SimSystemTest, KindsPutTheirUnitsOnTheBus)
{
    struct Case {
        const char* kind;
        std::vector<uint16_t> productIds;
    };
    const Case cases[] = {
        {"new", {0x1C}}, {"stand-alone", {0x117}}, {"master", {0x217}}, {"slave", {0x317}}, {"master+slave", {0x217, 0x317}},
        {"new+stand-alone!40+new", {0x1C, 0x117, 0x1C}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_TRUE(IsSimulatedKind(c.kind));
        auto system = CSimSystem::Create(c.kind);
        ASSERT_TRUE(system);
        std::vector<uint16_t> ids;
        for (const auto& u : system->Units())
            ids.push_back(u->ProductId());
        EXPECT_EQ(ids, c.productIds);
        EXPECT_EQ(system->Bus().PresentInterfaces().size(), c.productIds.size());
        system->Install();
        EXPECT_EQ(&HidBus(), &system->Bus());
        system.reset();
        EXPECT_TRUE(HidBus().PresentInterfaces().empty());
    }
    EXPECT_FALSE(CSimSystem::Create("Master"));
    for (const char* bad : {"", "new+", "+new", "new!", "new!x", "new!-1", "new!1234567"})
        EXPECT_FALSE(IsSimulatedKind(bad)) << bad;
}

// "KIND!N": the unit answers N commands, then nothing.
TEST(SimSystemTest, AUnitMarkedWithACountFallsSilentAfterIt)
{
    auto system = CSimSystem::Create("new+new!1");
    ASSERT_TRUE(system);
    EXPECT_FALSE(system->Units()[0]->Faults().silent);
    const SimFaults faults = system->Units()[1]->Faults();
    EXPECT_TRUE(faults.silent);
    EXPECT_EQ(faults.passFirst, 1u);
}

// Two units on one bench tell themselves apart: each has its own serial number
// and identifier (the first keeps the defaults).
TEST_F(SimUnitTest, UnitsOfOneBenchHaveTheirOwnIdentity)
{
    auto system = CSimSystem::Create("master+slave");
    ASSERT_TRUE(system);
    const SimUnitState master = system->Units()[0]->State();
    const SimUnitState slave = system->Units()[1]->State();
    EXPECT_EQ(master.serialNumber, "VK5500001234");
    EXPECT_EQ(master.unitIdentifier, 0x24B0C2D5u);
    EXPECT_EQ(slave.serialNumber, "VK5500001235");
    EXPECT_EQ(slave.unitIdentifier, 0x24B0C2D6u);
}

// What a watcher of the unit sees: every command, every answer sent, the reset
// and the return under the new product id.
TEST_F(SimUnitTest, AnObserverSeesTrafficResetAndReturn)
{
    CSimUnit unit(SimUnitKind::New);
    unit.SetResetTiming({300, 2500, 1500});
    unit.WithState([](SimUnitState& s) { s.SetValue(0, 2, 0x317); });
    std::vector<std::string> seen;
    unit.SetObserver([&](const SimUnitEvent& e) {
        char line[64];
        std::snprintf(line, sizeof line, "%d %02X%02X %04X", static_cast<int>(e.kind), e.bytes[0], e.bytes[1],
                      e.productId);
        seen.push_back(line);
    });
    EXPECT_EQ(Ask(unit, 0x9000), 0x9417);
    SimFaults lose;
    lose.loseAnswers = 1;
    unit.SetFaults(lose);
    EXPECT_EQ(Ask(unit, 0xA000), std::nullopt);  // lost: not sent, not seen
    unit.Receive(Short(0x0666));
    EXPECT_EQ(unit.NextChangeDueMs(), std::optional<uint64_t>(300));
    clock.Advance(300);
    EXPECT_EQ(unit.NextChangeDueMs(), std::optional<uint64_t>(2800));
    clock.Advance(2600);
    EXPECT_TRUE(unit.Present());
    EXPECT_EQ(unit.NextChangeDueMs(), std::nullopt);
    EXPECT_EQ(seen, (std::vector<std::string>{"0 9000 001C", "1 9417 001C", "0 A000 001C", "0 0666 001C",
                                              "2 0000 001C", "3 0000 0317"}));
}

}  // namespace
}  // namespace vk
