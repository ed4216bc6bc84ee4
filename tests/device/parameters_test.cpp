// Parameter pages, controller lines, channel records and routes: the frames the
// operations send, what the unit keeps, and how rejections and silence come back.
#include "tests/device/IdentifiedUnitBed.h"

#include <functional>
#include <string>

namespace vk::test {
namespace {

using Operation = std::function<int(CHIDProtocol&)>;

class Parameters : public IdentifiedUnitBed {};

TEST_F(Parameters, OperationsSendTheseFrames)
{
    struct Case {
        const char* what;
        Operation run;
        std::vector<SimBlock> frames;
    };
    const Case cases[] = {
        {"GetParameter, one value",
         [](CHIDProtocol& p) { uint16_t v = 0; return p.GetParameter(0, 10, v); },
         {{0xF0, 0x0D, 0, 0, 10, 0, 0, 0}}},
        {"GetParameter, two values",
         [](CHIDProtocol& p) { PicLineWords w{}; return p.GetParameter(7, 3, w); },
         {{0xF0, 0x0F, 0, 7, 3, 0, 0, 0}, {0xF0, 0x0F, 0, 7, 3, 1, 0, 0}}},
        {"SetParameter, one value",
         [](CHIDProtocol& p) { return p.SetParameter(0, 10, 0x800B); },
         {{0xF0, 0x0C, 0, 0, 10, 0, 0x80, 0x0B}}},
        {"SetParameter, two values",
         [](CHIDProtocol& p) { return p.SetParameter(7, 3, PicLineWords{0x1234, 0x5678}); },
         {{0xF0, 0x0E, 3, 7, 3, 2, 0, 0}, {0xF0, 0x0E, 0, 7, 3, 0, 0x12, 0x34}, {0xF0, 0x0E, 0, 7, 3, 1, 0x56, 0x78}}},
        {"SetParameterText, empty: the header alone",
         [](CHIDProtocol& p) { return p.SetParameterText(0, 12, ""); },
         {{0xF0, 0x0E, 3, 0, 12, 0, 0, 0}}},
        {"SetParameterText, one character",
         [](CHIDProtocol& p) { return p.SetParameterText(0, 12, "Q"); },
         {{0xF0, 0x0C, 2, 0, 12, 0, 0, 'Q'}}},
        {"SetParameterText, two characters",
         [](CHIDProtocol& p) { return p.SetParameterText(0, 12, "Qr"); },
         {{0xF0, 0x0E, 3, 0, 12, 2, 0, 0}, {0xF0, 0x0E, 2, 0, 12, 0, 0, 'Q'}, {0xF0, 0x0E, 2, 0, 12, 1, 0, 'r'}}},
        {"SetPicLine, line 9",
         [](CHIDProtocol& p) { return int(p.SetPicLine(9, 1, false)); },
         {{0xF0, 0x10, 0x0B, 1, 0x00, 0x00, 0x02, 0x00}}},
        {"SetPicLines: all set, then the inverted words cleared",
         [](CHIDProtocol& p) { return int(p.SetPicLines({0x0001, 0x8000}, false)); },
         {{0xF0, 0x10, 0x0B, 1, 0xFF, 0xFF, 0xFF, 0xFF}, {0xF0, 0x10, 0x0B, 0, 0xFF, 0xFE, 0x7F, 0xFF}}},
        {"GetPicLines, live",
         [](CHIDProtocol& p) { PicLineWords w{}; return int(p.GetPicLines(w, false)); },
         {{0xF0, 0x11, 0x0A, 0, 0, 0, 0, 0}}},
        {"SetChannel, channel 1 on the wire 2",
         [](CHIDProtocol& p) { return p.SetChannel(1, 7, 0x01, 24, 0x82, 24); },
         {{0xF0, 0x00, 2, 7, 0x01, 24, 0x82, 24}}},
        {"GetChannel asks for items 1 and 2",
         [](CHIDProtocol& p) { ChannelRecord r; return p.GetChannel(2, r) + 1; },
         {{0xF0, 0x01, 3, 0, 1, 0, 2, 0}}},
        {"SetRoute",
         [](CHIDProtocol& p) { return p.SetRoute(1, 13); },
         {{0xF0, 0x06, 0, 0, 0, 0, 1, 13}}},
    };
    OpenIdentified(NewUnitState());
    for (const Case& c : cases) {
        unit->ClearLog();
        EXPECT_GT(c.run(protocol), 0) << c.what;
        EXPECT_EQ(Frames(), c.frames) << c.what;
    }
}

TEST_F(Parameters, ValuesAndTextsRoundTripThroughTheUnit)
{
    OpenIdentified(NewUnitState());
    EXPECT_EQ(protocol.SetParameter(7, 3, PicLineWords{0x1234, 0x5678}), 0xF00E);
    PicLineWords words{};
    EXPECT_EQ(protocol.GetParameter(7, 3, words), 0xF00F);
    EXPECT_EQ(words, (PicLineWords{0x1234, 0x5678}));

    EXPECT_EQ(protocol.SetParameterText(0, 1, "Qrvl VK550_MAS"), 0xF00E);
    std::string text;
    EXPECT_EQ(protocol.GetParameterText(0, 1, text), 0xF00F);
    EXPECT_EQ(text, "Qrvl VK550_MAS");
    EXPECT_EQ(State([](SimUnitState& s) { return s.Text(0, 1); }), "Qrvl VK550_MAS");

    uint16_t element = 0;
    EXPECT_EQ(protocol.SetParameterElement(7, 3, 1, 0xBEEF), 0xF00E);
    EXPECT_EQ(protocol.GetParameterElement(7, 3, 1, element), 0xF00F);
    EXPECT_EQ(element, 0xBEEF);
}

TEST_F(Parameters, TextEndsAtItsFirstZeroCharacter)
{
    SimUnitState state = NewUnitState();
    state.parameters[{0, 12}] = {'a', 'b', 0, 'c', 'd'};
    OpenIdentified(state);
    std::string text = "old";
    EXPECT_EQ(protocol.GetParameterText(0, 12, text), 0xF00F);
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(Frames().size(), 4u) << "the header and three characters; nothing after the 0";
}

TEST_F(Parameters, RejectionsMapToErrorNumbers)
{
    OpenIdentified(NewUnitState());
    struct Case {
        uint8_t errorNumber;
        int result;
    };
    const Case cases[] = {{0xFF, -2}, {0xFE, -3}, {0xFD, -4}, {0xFC, -5}, {0xFB, -6}, {0x10, 0xF00D}};
    for (const Case& c : cases) {
        SimFaults faults;
        faults.onlyFor = 0xF00D;
        faults.errorNumber = c.errorNumber;
        unit->SetFaults(faults);
        uint16_t value = 0;
        EXPECT_EQ(protocol.GetParameter(0, 10, value), c.result) << std::hex << int(c.errorNumber);
    }
    unit->SetFaults({});

    // The unit's own rejections of addresses it does not have.
    uint16_t value = 0;
    EXPECT_EQ(protocol.GetParameter(9, 1, value), -3) << "unknown page";
    EXPECT_EQ(protocol.SetParameterText(0, 99, "abc"), -4) << "unknown index";
    std::string text;
    EXPECT_EQ(protocol.GetParameterText(0, 99, text), -4);
    unit->ClearLog();
    EXPECT_EQ(protocol.SetParameterText(0, 12, std::string(40, 'x')), -6) << "more than the parameter holds";
    EXPECT_EQ(Frames().size(), 1u) << "nothing after the rejected header";
    EXPECT_TRUE(unit->UnknownCommands().empty());

    SimFaults silent;
    silent.silent = true;
    unit->SetFaults(silent);
    EXPECT_EQ(protocol.GetParameter(0, 10, value), -1);
    EXPECT_EQ(protocol.SetParameter(0, 10, 1), -1);
}

// An element the unit rejects after it took the header is a failed write, not a
// success; every element still goes out, and the others are written.
TEST_F(Parameters, RejectedArrayElementFailsTheWriteButAllElementsGoOut)
{
    OpenIdentified(NewUnitState());
    SimFaults faults;
    faults.onlyFor = 0xF00E;
    faults.passFirst = 2;  // the header and element 0 go through, element 1 is rejected
    faults.errorNumber = 0xFC;
    unit->SetFaults(faults);
    const uint16_t values[] = {0x1111, 0x2222, 0x3333};
    EXPECT_EQ(protocol.SetParameter(0, 12, values), -5);
    EXPECT_EQ(Frames().size(), 4u) << "the header and all three elements";
    unit->SetFaults({});
    EXPECT_EQ(State([](SimUnitState& s) { return s.Value(0, 12, 0); }), 0x1111);
    EXPECT_EQ(State([](SimUnitState& s) { return s.Value(0, 12, 2); }), 0x3333);

    unit->ClearLog();
    faults.passFirst = 1;  // the header goes through, both characters are rejected
    unit->SetFaults(faults);
    EXPECT_EQ(protocol.SetParameterText(0, 12, "xy"), -5);
    EXPECT_EQ(Frames().size(), 3u) << "the header and both characters";

    faults.onlyFor = 0xF00C;  // a text of one character goes as a single value
    faults.passFirst = 0;
    unit->SetFaults(faults);
    EXPECT_EQ(protocol.SetParameterText(0, 12, "x"), -5);
}

TEST_F(Parameters, RefusedWithoutSendingWhenTheUnitCannotTakeThem)
{
    const std::vector<std::pair<const char*, Operation>> operations = {
        {"GetParameter", [](CHIDProtocol& p) { uint16_t v = 0; return p.GetParameter(0, 10, v); }},
        {"SetParameter", [](CHIDProtocol& p) { return p.SetParameter(0, 10, 1); }},
        {"GetParameterElement", [](CHIDProtocol& p) { uint16_t v = 0; return p.GetParameterElement(7, 3, 0, v); }},
        {"SetParameterElement", [](CHIDProtocol& p) { return p.SetParameterElement(7, 3, 0, 1); }},
        {"GetParameterText", [](CHIDProtocol& p) { std::string t; return p.GetParameterText(0, 12, t); }},
        {"SetParameterText", [](CHIDProtocol& p) { return p.SetParameterText(0, 12, "x"); }},
    };
    // Protocol 6 is below 13; an unidentified unit has protocol 0.
    OpenIdentified(OldUnitState());
    for (const auto& [what, run] : operations) {
        EXPECT_EQ(run(protocol), -1) << what << " on an old unit";
        EXPECT_TRUE(Frames().empty()) << what;
    }
    unit->ClearLog();
    ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, false));
    for (const auto& [what, run] : operations)
        EXPECT_EQ(run(protocol), -1) << what << " without identification";

    // Counts and lengths that do not fit the one-byte count.
    ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, true));
    unit->ClearLog();
    std::vector<uint16_t> many(256, 0);
    EXPECT_EQ(protocol.GetParameter(0, 12, std::span<uint16_t>(many)), -1);
    EXPECT_EQ(protocol.SetParameter(0, 12, std::span<const uint16_t>(many)), -1);
    EXPECT_EQ(protocol.GetParameter(0, 12, std::span<uint16_t>()), -1);
    EXPECT_EQ(protocol.SetParameterText(0, 12, std::string(256, 'x')), -1);
    EXPECT_TRUE(Frames().empty());
}

// The stored line words move from page 0 index 14 to page 7 index 3 at software 7.0.
TEST_F(Parameters, PersistedLinesGoToTheStoredPlaceOfTheFirmware)
{
    struct Case {
        uint16_t softwareAnswer;
        std::pair<uint8_t, uint8_t> place;
        std::pair<uint8_t, uint8_t> other;
    };
    const Case cases[] = {{0xA069, {0, 14}, {7, 3}}, {0xA070, {7, 3}, {0, 14}}};
    for (const Case& c : cases) {
        SimUnitState state = NewUnitState();
        state.softwareVersionAnswer = c.softwareAnswer;
        state.parameters[c.place] = {0x0010, 0x0001};
        state.parameters[c.other] = {0xAAAA, 0xAAAA};
        OpenIdentified(state);
        EXPECT_TRUE(protocol.SetPicLine(9, 1, true));
        EXPECT_TRUE(protocol.SetPicLine(20, 0, true));
        const auto stored = State([&](SimUnitState& s) { return s.parameters.at(c.place); });
        EXPECT_EQ(stored, (std::vector<uint16_t>{0x0000, 0x0201})) << std::hex << c.softwareAnswer;
        EXPECT_EQ(State([&](SimUnitState& s) { return s.parameters.at(c.other); }), (std::vector<uint16_t>{0xAAAA, 0xAAAA}));
        EXPECT_EQ(protocol.GetPicLine(9, true), 1);
        EXPECT_EQ(protocol.GetPicLine(20, true), 0);

        EXPECT_TRUE(protocol.SetPicLines({0x1234, 0x5678}, true));
        PicLineWords live{}, fromStore{};
        EXPECT_TRUE(protocol.GetPicLines(live, false));
        EXPECT_TRUE(protocol.GetPicLines(fromStore, true));
        EXPECT_EQ(live, (PicLineWords{0x1234, 0x5678}));
        EXPECT_EQ(fromStore, live);
        bus.Unplug(unit);
    }
}

// A stored word that could not be read is not written back (that would clear
// the other fifteen stored lines).
TEST_F(Parameters, PersistedLineLeavesAnUnreadableStoreAlone)
{
    SimUnitState state = NewUnitState();
    state.parameters.erase({7, 3});
    OpenIdentified(state);
    EXPECT_TRUE(protocol.SetPicLine(3, 1, true));
    const std::vector<SimBlock> expected = {{0xF0, 0x10, 0x0B, 1, 0, 0, 0, 0x08}, {0xF0, 0x0F, 0, 7, 3, 1, 0, 0}};
    EXPECT_EQ(Frames(), expected);
}

TEST_F(Parameters, LineOperationsReportRejectionAndSilence)
{
    OpenIdentified(NewUnitState());
    SimFaults faults;
    faults.errorNumber = 0x01;
    unit->SetFaults(faults);
    PicLineWords words{0x1111, 0x2222};
    EXPECT_FALSE(protocol.SetPicLine(1, 1, false));
    EXPECT_FALSE(protocol.SetPicLines(words, false));
    EXPECT_FALSE(protocol.GetPicLines(words, false));
    EXPECT_EQ(words[1], 0) << "a rejected read hands on the error detail as word 0";
    EXPECT_EQ(protocol.GetPicLine(1, false), -1);

    faults = {};
    faults.silent = true;
    unit->SetFaults(faults);
    EXPECT_FALSE(protocol.SetPicLine(1, 1, false));
    EXPECT_FALSE(protocol.SetPicLines(words, false));
    EXPECT_EQ(protocol.GetPicLine(1, false), -1);
    EXPECT_EQ(protocol.SetRoute(1, 13), -1);
}

// A unit rejecting a channel command still answers it (the channel stays in
// byte 2): the host takes the answer at once instead of waiting for another,
// and a rejected read gives no record.
TEST_F(Parameters, RejectedChannelCommandIsStillItsOwnAnswer)
{
    OpenIdentified(NewUnitState());
    SimFaults faults;
    faults.errorNumber = 0xFD;
    unit->SetFaults(faults);
    EXPECT_EQ(protocol.SetChannel(1, 7, 0x81, 24, 0x02, 30), 0xF000);
    EXPECT_EQ(protocol.GetChannelMode(1), CHIDProtocol::kNoChannelMode);
    ChannelRecord record;
    EXPECT_EQ(protocol.GetChannel(1, record), CHIDProtocol::kNoChannelMode);
    EXPECT_EQ(record.mode, CHIDProtocol::kNoChannelMode);
    EXPECT_EQ(Frames().size(), 3u) << "each command went out once";
}

// A level register the unit does not have: it says it has nothing to say.
TEST_F(Parameters, MissingLevelRegisterAnswersNothingToSay)
{
    OpenIdentified(NewUnitState());
    EXPECT_EQ(protocol.SendShortCommand(0x6900), -1);
    EXPECT_EQ(Frames().size(), 1u) << "0xFFFF ends the transaction at once";
    EXPECT_TRUE(unit->UnknownCommands().empty());
}

// Only the main PIC drives lines: another selector is refused without sending.
TEST_F(Parameters, LineOperationsTakeOnlyTheMainPic)
{
    OpenIdentified(NewUnitState());
    PicLineWords words{};
    EXPECT_FALSE(protocol.SetPicLine(1, 1, true, CHIDProtocol::kInterfacePic));
    EXPECT_FALSE(protocol.SetPicLines(words, true, CHIDProtocol::kInterfacePic));
    EXPECT_FALSE(protocol.GetPicLines(words, false, CHIDProtocol::kInterfacePic));
    EXPECT_EQ(protocol.GetPicLine(1, true, CHIDProtocol::kInterfacePic), -1);
    EXPECT_TRUE(Frames().empty());
}

TEST_F(Parameters, ChannelItemsComeBackInTheirPlaceWhateverTheAnswerOrder)
{
    for (bool secondFirst : {false, true}) {
        SimUnitState state = NewUnitState();
        state.answerSecondItemFirst = secondFirst;
        OpenIdentified(state);
        EXPECT_EQ(protocol.SetChannel(2, 7, 0x81, 24, 0x02, 30), 0xF000);
        ChannelRecord record;
        EXPECT_EQ(protocol.GetChannel(2, record), 7);
        EXPECT_EQ(record.mode, 7);
        EXPECT_EQ(record.value1, 24);
        EXPECT_EQ(record.flag1, 1);
        EXPECT_EQ(record.value2, 30);
        EXPECT_EQ(record.flag2, 0);
        EXPECT_EQ(protocol.GetChannelMode(2), 7);
        bus.Unplug(unit);
    }
    SimFaults silent;
    silent.silent = true;
    unit->SetFaults(silent);
    bus.Plug(unit);
    ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, false));
    ChannelRecord record;
    EXPECT_EQ(protocol.GetChannel(0, record), CHIDProtocol::kNoChannelMode);
    EXPECT_EQ(record.mode, CHIDProtocol::kNoChannelMode);
    EXPECT_EQ(protocol.GetChannelMode(0), CHIDProtocol::kNoChannelMode);
}

}  // namespace
}  // namespace vk::test
