// The firmware model behind the simulated unit: the command semantics that the
// device tests and the wizard's scenarios rely on.
#include "platform/clock/Clock.h"
#include "sim/unit/SimAnswers.h"
#include "sim/unit/SimCommands.h"
#include "sim/unit/SimUnit.h"
#include "sim/unit/SimUnitState.h"

#include <gtest/gtest.h>

#include <vector>

namespace vk {
namespace {

class UnitModel : public ::testing::Test {
protected:
    SimBlock Long(SimBlock command)
    {
        const auto answer = SimCommands().Long(state, command);
        EXPECT_TRUE(answer.has_value());
        return answer.value_or(SimBlock{});
    }
    uint16_t Short(uint16_t code)
    {
        const auto answer = SimCommands().Short(state, code);
        EXPECT_TRUE(answer.has_value());
        return answer.value_or(0);
    }

    SimUnitState state = DefaultSimUnitState(SimUnitKind::StandAlone);
};

TEST_F(UnitModel, ArrayHeaderSetsTheLengthAndElementsFillInPlace)
{
    Long({0xF0, 0x0E, 0x03, 0, 12, 3, 0, 0});  // length 3
    Long({0xF0, 0x0E, 0x02, 0, 12, 0, 0, 'a'});
    Long({0xF0, 0x0E, 0x00, 0, 12, 2, 0x12, 0x34});
    EXPECT_EQ(state.parameters.at({0, 12}), (std::vector<uint16_t>{'a', 0, 0x1234}));

    EXPECT_EQ(Long({0xF0, 0x0F, 0x03, 0, 12, 0, 0, 0})[5], 3);  // length header
    const SimBlock element = Long({0xF0, 0x0F, 0x00, 0, 12, 2, 0, 0});
    EXPECT_EQ(element[6], 0x12);
    EXPECT_EQ(element[7], 0x34);
}

TEST_F(UnitModel, BadAddressesAreRejectedWithTheirErrorNumber)
{
    state.parameters[{0, 12}] = {'x'};
    struct Case {
        const char* what;
        SimBlock command;
        uint8_t error;
    };
    const Case cases[] = {
        {"unknown page", {0xF0, 0x0D, 0, 9, 1, 0, 0, 0}, 0xFE},
        {"unknown index", {0xF0, 0x0C, 0, 0, 99, 0, 0, 1}, 0xFD},
        {"element past the end", {0xF0, 0x0E, 0, 0, 12, 1, 0, 1}, 0xFC},
        {"unknown sub-function", {0xF0, 0x0F, 7, 0, 12, 0, 0, 0}, 0xFF},
    };
    for (const Case& c : cases) {
        const SimBlock answer = Long(c.command);
        EXPECT_EQ(answer[2] & 0x80, 0x80) << c.what;
        EXPECT_EQ(answer[7], c.error) << c.what;
        EXPECT_EQ(answer[3], c.command[3]) << c.what << ": the address is still echoed";
        EXPECT_EQ(answer[4], c.command[4]) << c.what;
    }
    EXPECT_FALSE(state.parameters.contains({0, 99}));
}

// Both writers of the slave address word (clear-then-set and set-then-clear)
// leave the same word, and the read-back combines the two port registers.
TEST_F(UnitModel, SlaveAddressWordFollowsEitherWriteOrder)
{
    const std::vector<std::vector<uint16_t>> writers = {
        {0x24FF, 0x26FF, 0x2505, 0x2721},
        {0x2505, 0x2400 + (~0x05 & 0xFF), 0x2721, 0x2600 + (~0x21 & 0xFF)},
    };
    for (const auto& codes : writers) {
        state.ports[2] = 0xAA;
        state.ports[3] = 0x55;
        for (uint16_t code : codes)
            EXPECT_EQ(Short(code), code);
        EXPECT_EQ(Short(0x34FF), 0x3405);
        EXPECT_EQ(Short(0x36FF), 0x3621);
    }
    state.protectionJumper = true;
    EXPECT_EQ(Short(0x36FF), 0x36A1);
}

TEST_F(UnitModel, LineSwitchingSequenceWakesAParkedInterfaceLine)
{
    state.interfaceBoard = SimInterfaceBoard::LineParked;
    EXPECT_EQ(Short(0x40FF), 0x4008);  // bit 3 set: not active
    EXPECT_EQ(Short(0x41FF), 0x4102);  // bit 1 set: not active
    Short(0x2080);
    EXPECT_EQ(state.interfaceBoard, SimInterfaceBoard::LineParked) << "the line switches on the rising edge";
    Short(0x2180);
    EXPECT_EQ(state.lineSwitches, 1);
    EXPECT_EQ(Short(0x40FF), 0x4000);
    EXPECT_EQ(Short(0x41FF), 0x4100);
}

TEST_F(UnitModel, LevelRegistersKeepLevelAndFlag)
{
    EXPECT_EQ(Short(0x5285), 0x5285);
    EXPECT_EQ(Short(0x6200), 0x6285);
    EXPECT_EQ(Short(0x6500), 0x6500);  // never written
}

TEST_F(UnitModel, ChannelItemsAnswerInEitherOrder)
{
    Long({0xF0, 0x00, 2, 7, 0x81, 24, 0x02, 30});
    for (bool secondFirst : {false, true}) {
        state.answerSecondItemFirst = secondFirst;
        const SimBlock answer = Long({0xF0, 0x01, 2, 0, 1, 0, 2, 0});
        const SimBlock item1First{0xF0, 0x01, 2, 7, 0x81, 24, 0x02, 30};
        const SimBlock item2First{0xF0, 0x01, 2, 7, 0x02, 30, 0x81, 24};
        EXPECT_EQ(answer, secondFirst ? item2First : item1First);
    }
}

TEST_F(UnitModel, ControllerLinesSetAndClearByMask)
{
    state.picLines = 0;
    Long({0xF0, 0x10, 0x0B, 1, 0xFF, 0xFF, 0xFF, 0xFF});
    Long({0xF0, 0x10, 0x0B, 0, 0xFF, 0xFE, 0x7F, 0xFF});
    EXPECT_EQ(state.picLines, 0x00018000u);
    const SimBlock read = Long({0xF0, 0x11, 0x0A, 0, 0, 0, 0, 0});
    EXPECT_EQ(read, (SimBlock{0xF0, 0x11, 0, 0, 0x00, 0x01, 0x80, 0x00}));
    EXPECT_EQ(Long({0xF0, 0x10, 0x0C, 1, 0, 0, 0, 1})[2], 0x80) << "unknown request is rejected";
    EXPECT_TRUE(state.unknownCommand);
}

// An answer repeats the command code and only the argument bytes the unit is
// built to repeat; the spare bytes of a command never come back.
TEST_F(UnitModel, AnswersRepeatOnlyTheBytesTheUnitEchoes)
{
    state.parameters[{0, 12}] = {0x1234};
    struct Case {
        const char* what;
        SimBlock command;
        SimBlock answer;
    };
    const Case cases[] = {
        {"identifier", {0xF0, 0x05, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, {0xF0, 0x05, 0, 0, 0x24, 0xB0, 0xC2, 0xD5}},
        {"value write", {0xF0, 0x0C, 0, 0, 12, 0x5A, 0x12, 0x34}, {0xF0, 0x0C, 0, 0, 12, 0, 0, 0}},
        {"value read", {0xF0, 0x0D, 0, 0, 12, 0x5A, 0x77, 0x77}, {0xF0, 0x0D, 0, 0, 12, 0, 0x12, 0x34}},
        {"array length", {0xF0, 0x0F, 3, 0, 12, 0, 0x77, 0x77}, {0xF0, 0x0F, 0, 0, 12, 1, 0, 0}},
        {"lines", {0xF0, 0x10, 0x0B, 1, 0, 0, 0, 1}, {0xF0, 0x10, 0, 0, 0, 0, 0, 0}},
        {"route", {0xF0, 0x06, 0x11, 0x22, 0x33, 0x44, 13, 14}, {0xF0, 0x06, 0, 0, 0, 0, 13, 14}},
        {"channel write", {0xF0, 0x00, 2, 0x05, 0x81, 3, 0x02, 4}, {0xF0, 0x00, 2, 0, 0, 0, 0, 0}},
        {"serial", {0xF0, 0x1A, 0, 0x55, 0x55, 0x55, 0x55, 0x55}, {0xF0, 0x1A, 0, 0, 'V', 'K', '5', '5'}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Long(c.command), c.answer) << c.what;
}

// A rejected channel command keeps its channel in byte 2, so the host still takes
// the answer as its own; a route keeps its destination in byte 7.
TEST_F(UnitModel, RejectionsKeepTheEchoedBytes)
{
    const SimBlock channel = Long({0xF0, 0x01, 9, 0, 1, 0, 2, 0});
    EXPECT_EQ(channel[2], 9);
    EXPECT_EQ(channel[7], 0xFD);
    SimBlock route = SimErrorAnswer({0xF0, 0x06, 0, 0, 0, 0, 13, 14}, 0xFC);
    EXPECT_EQ(route, (SimBlock{0xF0, 0x06, 0x80, 0, 0, 0, 13, 14}));
}

// Where a unit says "nothing to say" (0xFFFF) or "no room" (0xFB) by itself.
TEST_F(UnitModel, FirmwareAnswersNothingToSayAndNoRoomByItself)
{
    EXPECT_EQ(Short(0x6900), 0xFFFF) << "no level register 9";
    EXPECT_EQ(Short(0x5F05), 0xFFFF) << "no level register 15";
    EXPECT_EQ(Short(0x6700), 0x6700) << "register 7 exists";
    const SimBlock tooLong = Long({0xF0, 0x0E, 3, 0, 12, 33, 0, 0});
    EXPECT_EQ(tooLong[2] & 0x80, 0x80);
    EXPECT_EQ(tooLong[7], 0xFB);
    EXPECT_EQ(Long({0xF0, 0x0E, 3, 0, 12, 32, 0, 0})[2], 0) << "32 elements fit";
}

TEST_F(UnitModel, OlderPicFirmwareAnswersOnlySelectorOne)
{
    state.mainPic = {9, 2, 7};
    state.mainPic.answersSelector4 = false;
    const SimBlock first = Long({0xF0, 0x11, 0x19, 4, 0, 0, 0, 0});
    EXPECT_EQ(first[5], 0xFF);
    const SimBlock second = Long({0xF0, 0x11, 0x19, 1, 0, 0, 0, 0});
    EXPECT_EQ(second[4], 2);
    EXPECT_EQ(second[5], 7);

    state.hasInterfacePic = false;
    EXPECT_EQ(Long({0xF0, 0x21, 0x19, 4, 0, 0, 0, 0})[2] & 0x80, 0x80);
}

TEST_F(UnitModel, IdentifierNibblesAndTheProtectedIdentifier)
{
    state.unitIdentifier = 0x24B0C2D5;
    uint32_t id = 0;
    for (uint16_t code = 0xB370;; code -= 0x10) {
        id = id << 4 | (Short(code) & 0xF);
        if (code == 0xB300)
            break;
    }
    EXPECT_EQ(id, 0x24B0C2D5u);

    state.protectionJumper = true;
    state.protocolVersionAnswer = 0xA413;  // 19
    const SimBlock blocked = Long({0xF0, 0x05, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(blocked, (SimBlock{0xF0, 0x05, 0, 0, 0x00, 0x01, 0x00, 0x00}));
    state.protocolVersionAnswer = 0xA414;  // 20: the jumper no longer matters
    EXPECT_EQ(Long({0xF0, 0x05, 0, 0, 0, 0, 0, 0})[4], 0x24);
}

// After a reset the unit comes back with its live lines as stored (the place of
// the stored words depends on the firmware version).
TEST(UnitModelReset, LiveLinesComeBackAsStored)
{
    CVirtualClock clock;
    SetClock(&clock);
    for (uint16_t software : {uint16_t{0xA069}, uint16_t{0xA072}}) {
        SimUnitState state = DefaultSimUnitState(SimUnitKind::StandAlone);
        state.softwareVersionAnswer = software;
        state.parameters[software < 0xA070 ? std::pair<uint8_t, uint8_t>{0, 14} : std::pair<uint8_t, uint8_t>{7, 3}] = {0x1234, 0x5678};
        state.picLines = 0xFFFFFFFF;
        CSimUnit unit(state);
        unit.Receive(std::array<uint8_t, 9>{0, 0x06, 0x66, 0, 0, 0, 0, 0, 0});
        clock.Advance(10000);
        EXPECT_TRUE(unit.Present());
        EXPECT_EQ(unit.WithState([](SimUnitState& s) { return s.picLines; }), 0x12345678u) << std::hex << software;
    }
    SetClock(nullptr);
}

}  // namespace
}  // namespace vk
