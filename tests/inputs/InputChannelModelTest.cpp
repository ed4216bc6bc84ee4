// The input channel model against a simulated unit: the bit coding, what each
// change sends (channel records, line words, address word, in order), how a
// channel record is read, the start and end steps, and the slave defaults.
#include <functional>

#include "inputs/InputChannelModel.h"
#include "InputsTestBed.h"
#include "platform/settings/RegHelper.h"
#include "platform/settings/SlaveDefaults.h"

namespace vk {
namespace {

using testing::InputsBed;
using testing::Transcript;
using testing::UnitSetup;
using Lines = std::vector<std::string>;

// --- bit coding ------------------------------------------------------------------

TEST(InputChannelCoding, GainStepsSpreadOverTwoInvertedLinesAndOneAddressBit)
{
    struct Case {
        int channel, step;
        PicLineWords lines;
        uint16_t address;
    };
    const Case cases[] = {
        {1, 5, {0x0000, 0x0040}, 0x0020},  // line 5 = NOT bit 2 = 0, line 6 = NOT bit 1 = 1, address bit 5
        {3, 0, {0x0001, 0x8000}, 0x0000},  // lines 15 and 16 high, address bit 8 clear
        {0, 7, {0x0000, 0x0000}, 0x0004},
        {2, 2, {0x0000, 0x0400}, 0x0000},  // line 10 high (bit 2 clear), line 11 low
    };
    for (const Case& c : cases) {
        PicLineWords lines{0, 0};
        uint16_t address = 0;
        EncodeGainStep(lines, address, c.channel, c.step);
        EXPECT_EQ(lines, c.lines) << "channel " << c.channel << " step " << c.step;
        EXPECT_EQ(address, c.address) << "channel " << c.channel << " step " << c.step;
    }
    // Every step of every channel reads back, and leaves the other bits alone.
    for (int ch = 0; ch < 4; ++ch)
        for (int step = 0; step < 8; ++step) {
            PicLineWords lines{0xA5A5, 0x5A5A};
            uint16_t address = 0xC3C3;
            EncodeGainStep(lines, address, ch, step);
            EXPECT_EQ(DecodeGainStep(lines, address, ch), step);
            for (int other = 0; other < 4; ++other) {
                if (other == ch)
                    continue;
                EXPECT_EQ(DecodeGainStep(lines, address, other), DecodeGainStep({0xA5A5, 0x5A5A}, 0xC3C3, other));
            }
            EXPECT_EQ(lines[0] & 0xFFF0, 0xA5A0) << "lines 20..31 are never touched";
        }
}

TEST(InputChannelCoding, PhantomLinesAreActiveLowAndThreeVoltsWins)
{
    struct Case {
        int line3V, line24V, state;
    };
    for (const Case& c : {Case{1, 1, kPhantomOff}, Case{0, 1, kPhantom3V}, Case{1, 0, kPhantom24V}, Case{0, 0, kPhantom3V}}) {
        PicLineWords lines{0xFFFF, 0xFFFF};
        SetLine(lines, 5 * 2 + 3, c.line3V);
        SetLine(lines, 5 * 2 + 2, c.line24V);
        EXPECT_EQ(DecodePhantom(lines, 2), c.state) << c.line3V << c.line24V;
    }
    for (int state : {kPhantomOff, kPhantom3V, kPhantom24V}) {
        PicLineWords lines{0, 0};
        EncodePhantom(lines, 3, state);  // channel 4: lines 17 (24 V) and 18 (3 V)
        EXPECT_EQ(DecodePhantom(lines, 3), state);
        EXPECT_EQ(GetLine(lines, 17) + GetLine(lines, 18), state == kPhantomOff ? 2 : 1) << "never both supplies";
    }
}

// --- reading a channel ---------------------------------------------------------------

struct ReadCase {
    const char* name;
    int type;
    uint8_t mode;
    bool item1Muted;
    bool secondItemFirst;
    bool inUse;
    int choice;
    Lines sent;  // after the read itself
};

class ReadInputChannelTest : public InputsBed, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadInputChannelTest, TakesUseTypeAndItemsFromTheRecord)
{
    const ReadCase& rc = GetParam();
    UnitSetup setup{.type = rc.type};
    setup.modes[1] = rc.mode;
    Start(setup);
    m_unit->WithState([&](SimUnitState& s) {
        s.channels[1].values = {30, 11};
        s.channels[1].flags = {rc.item1Muted, true};
        s.answerSecondItemFirst = rc.secondItemFirst;
    });
    m_owner->masterInputs[1].flag2 = 0;
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    m_unit->ClearLog();
    model.ReadInputChannel(1);

    const InputChannelState& ch = model.Channel(1);
    EXPECT_EQ(ch.m_bInUse, rc.inUse);
    EXPECT_EQ(ch.m_nChoice, rc.choice);
    EXPECT_EQ(ch.m_nItem1Level, 30);
    EXPECT_EQ(ch.m_bItem1Mute, 0);
    EXPECT_EQ(ch.m_nLocalLevel, 11);
    // A master keeps the sound-reinforcement input's local mute itself.
    EXPECT_EQ(ch.m_bLocalMute, rc.type == kUnitMaster && rc.mode == 1 ? 0 : 1);
    Lines expected{"RD2 01 00 02 00"};
    expected.insert(expected.end(), rc.sent.begin(), rc.sent.end());
    EXPECT_EQ(Transcript(*m_unit), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ReadInputChannelTest,
    ::testing::Values(
        ReadCase{"Microphone", kUnitStandAlone, 0, false, false, true, kFirstType, {}},
        ReadCase{"MutedMicrophoneIsUnmuted", kUnitStandAlone, 0, true, false, true, kFirstType,
                 {"RD2 01 00 00 00", "CH2 00 01 1E 00 00"}},
        // The pairs go back in the order the unit gave them, the flag on item 1's.
        ReadCase{"ItemsInTheOtherOrder", kUnitStandAlone, 0, true, true, true, kFirstType,
                 {"RD2 01 00 00 00", "CH2 00 00 00 01 1E"}},
        ReadCase{"MasterReinforcement", kUnitMaster, 1, false, false, true, kSecondType, {}},
        ReadCase{"Auxiliary", kUnitSlave, 2, false, false, true, kThirdType, {}},
        ReadCase{"MasterSlaveLink", kUnitMaster, 3, true, false, true, kFirstType,
                 {"RD2 01 00 00 00", "CH2 03 01 1E 00 00"}},
        ReadCase{"SlaveSlaveLink", kUnitSlave, 3, false, false, true, kSecondType, {}},
        ReadCase{"UnknownModeKeepsUse", kUnitStandAlone, 7, false, false, false, kNoType, {}},
        ReadCase{"NotUsedIsSwitchedOff", kUnitStandAlone, 15, false, false, false, kNoType,
                 {"CH2 0F 01 18 02 18", "ROUTE 1 13", "LINES 1F5E 739C", "ROUTE 3 13", "ROUTE 1 13",
                  "LINES 1F5E 739C", "ROUTE 3 13", "S2500", "S24FF", "S2720", "S26DF"}}),
    [](const auto& p) { return std::string(p.param.name); });

// Channels the user never touches go back exactly as the unit had them when the
// page ends: also a mode the page has no button for (4..14), and one whose button
// stands for another mode on this type (0 on a master, 1 on a slave, ...).
TEST_F(InputsBed, UntouchedChannelsAreWrittenBackInTheModeTheyWereRead)
{
    for (int type : {kUnitStandAlone, kUnitMaster, kUnitSlave})
        for (uint8_t mode = 0; mode < 16; ++mode) {
            const std::string where = "type " + std::to_string(type) + " mode " + std::to_string(mode);
            Start({.type = type, .modes = {mode, mode, mode, mode}});
            CInputChannelModel model(*m_owner, 0);
            model.ReadControllerState();
            for (int c = 0; c < 4; ++c)
                model.ReadInputChannel(c);
            model.RestoreUnit();
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", mode);
            for (const std::string& line : Transcript(*m_unit)) {
                if (line.rfind("CH", 0) == 0) {
                    EXPECT_EQ(line.substr(4, 2), hex) << where << ": " << line;
                }
            }
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(m_unit->State().channels[static_cast<size_t>(c)].mode, mode) << where << " channel " << c;
            m_bus.Unplug(m_unit);
        }
}

// A channel read without answer, answered for another channel, or rejected by
// the unit (the channel kept in byte 2, the error number in byte 7) gives no
// record: nothing is taken from it and nothing built from it is written.
TEST_F(InputsBed, AReadWithoutAnswerOrWithAnotherChannelOrRejectedChangesNothing)
{
    const SimFaults cases[] = {{.onlyFor = 0xF001, .silent = true},
                               {.onlyFor = 0xF001, .wrongEcho = true},
                               {.onlyFor = 0xF001, .errorNumber = 0xFF},
                               {.onlyFor = 0xF001, .errorNumber = 0xFB}};
    for (const SimFaults& faults : cases) {
        Start({.type = kUnitStandAlone, .modes = {1, 0, 0, 0}});
        m_unit->WithState([](SimUnitState& s) { s.channels[0].values = {20, 24}; });
        m_unit->SetFaults(faults);
        CInputChannelModel model(*m_owner, 0);
        model.ReadControllerState();
        model.ReadInputChannel(0);
        EXPECT_FALSE(model.Channel(0).m_bInUse);
        EXPECT_FALSE(model.Channel(0).m_bKnown);
        // The mute of item 2 reads the record before it writes it back whole.
        model.ChangeLocalMute(0, true);
        // Nothing was read, so nothing is written back at the end either.
        model.RestoreUnit();
        for (const std::string& line : Transcript(*m_unit))
            EXPECT_NE(line.rfind("CH", 0), 0u) << line;
        const SimChannel channel = m_unit->State().channels[0];
        EXPECT_EQ(channel.mode, 1);
        EXPECT_EQ(channel.values, (std::array<uint8_t, 2>{20, 24}));
        EXPECT_EQ(channel.flags, (std::array<bool, 2>{false, true}));
        m_bus.Unplug(m_unit);
    }
}

TEST_F(InputsBed, LineWordsThatCouldNotBeReadAreNeverWritten)
{
    Start({.type = kUnitStandAlone, .modes = {0, 15, 15, 15}});
    m_unit->SetFaults({.onlyFor = 0xF011, .silent = true});
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    model.ReadInputChannel(0);
    EXPECT_EQ(model.Channel(0).m_nPhantomShown, kPhantomOff) << "unknown lines show no supply";
    m_unit->ClearLog();
    (void)model.ChangePhantom(0, kPhantom3V);
    const Lines sent = Transcript(*m_unit);
    EXPECT_GE(std::count(sent.begin(), sent.end(), "GETLINES"), 1) << "one more try to read them";
    for (const std::string& line : sent)
        EXPECT_NE(line.rfind("LINES", 0), 0u) << line;
    EXPECT_EQ(UnitLines(), (PicLineWords{0x1F5E, 0x739C}));
}

// The lines answer only after the user has changed gain and supply: the unit
// must end up with what the page shows, and the channels the user did not touch
// show what the unit has.
TEST_F(InputsBed, ChangesMadeWhileTheLinesWereUnreadableSurviveTheirLateRead)
{
    // Channel 1 (microphone) and channel 3 (sound reinforcement) have 24 V in the unit.
    Start({.type = kUnitStandAlone, .modes = {0, 15, 1, 15}, .lines = PicLineWords{0x1F5E, 0x6398}});
    m_unit->SetFaults({.onlyFor = 0xF011, .silent = true});
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    for (int c = 0; c < 4; ++c)
        model.ReadInputChannel(c);
    m_unit->ClearLog();
    (void)model.ChangeGain(0, 5);
    (void)model.ChangePhantom(0, kPhantom3V);
    for (const std::string& line : Transcript(*m_unit)) {
        EXPECT_NE(line.rfind("LINES", 0), 0u) << line;
        EXPECT_NE(line.rfind("S2", 0), 0u) << "gain bit 0 alone: " << line;
    }
    EXPECT_EQ(UnitAddress(), 0x2000);

    m_unit->SetFaults({});
    (void)model.ChangePhantom(0, kPhantomOff);
    const PicLineWords unit = UnitLines();
    EXPECT_EQ(DecodePhantom(unit, 0), kPhantomOff) << "the supply the user turned off";
    EXPECT_EQ(DecodeGainStep(unit, UnitAddress(), 0), 5);
    EXPECT_EQ(model.Channel(0).m_nGainShown, 5);
    EXPECT_EQ(DecodePhantom(unit, 2), kPhantom24V) << "an untouched channel keeps its lines";
    EXPECT_EQ(model.Channel(2).m_nPhantomShown, kPhantom24V) << "and shows them";
    EXPECT_TRUE(model.TakeLinesRefreshed());
    EXPECT_EQ(unit[0] & 0xFFF0, 0x1F50) << "lines 20..31 as the unit had them";
}

// Four microphones with 24 V in the unit; the lines answer only after a gain
// step made while they could not be read. The step sets the gain lines and the
// address bits; the supplies stay what the unit has (not the off that the page
// assumed for the unread words).
TEST_F(InputsBed, AGainStepMadeBeforeTheLinesCouldBeReadLeavesTheSuppliesToTheUnit)
{
    PicLineWords unitLines{0x1F5E, 0x739C};
    for (int c = 0; c < 4; ++c)
        EncodePhantom(unitLines, c, kPhantom24V);
    Start({.type = kUnitStandAlone, .modes = {0, 0, 0, 0}, .lines = unitLines, .address = 0x2000});
    m_unit->SetFaults({.onlyFor = 0xF011, .silent = true});
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    for (int c = 0; c < 4; ++c)
        model.ReadInputChannel(c);
    EXPECT_FALSE(model.ControllerStateKnown());
    m_unit->SetFaults({});
    EXPECT_EQ(model.ChangeGain(0, 5).size(), 4u);
    const PicLineWords written = UnitLines();
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(DecodePhantom(written, c), kPhantom24V) << "channel " << c;
        EXPECT_EQ(DecodeGainStep(written, UnitAddress(), c), 5) << "channel " << c;
        EXPECT_EQ(model.Channel(c).m_nPhantomShown, kPhantom24V) << "channel " << c;
    }
    EXPECT_EQ(written[0] & 0xFFF0, unitLines[0] & 0xFFF0);
    EXPECT_TRUE(model.ControllerStateKnown());
}

// The address word answers only after a gain step: the step's bits stay, the
// other twelve bits are the unit's.
TEST_F(InputsBed, AGainStepMadeBeforeTheAddressCouldBeReadKeepsItsBits)
{
    Start({.type = kUnitStandAlone, .modes = {0, 15, 15, 15}, .address = 0x2A00});
    m_unit->SetFaults({.onlyFor = 0x36FF, .silent = true});
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    model.ReadInputChannel(0);
    m_unit->SetFaults({});
    (void)model.ChangeGain(0, 7);
    EXPECT_EQ(model.m_wAddress, 0x2A04);
    EXPECT_EQ(UnitAddress(), 0x2A04);
}

TEST_F(InputsBed, AMissingAddressAnswerKeepsTheAddressWord)
{
    Start({.type = kUnitSlave, .address = 0x2A04});
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    EXPECT_EQ(model.m_wAddress, 0x2A04);
    m_unit->SetFaults({.onlyFor = 0x36FF, .silent = true});
    m_unit->WithState([](SimUnitState& s) { s.ports[2] = 0x55; });
    model.ReadControllerState();
    EXPECT_EQ(model.m_wAddress, 0x2A04);
}

// --- the table of changes ---------------------------------------------------------

struct ChangeCase {
    const char* name;
    UnitSetup setup;
    std::function<void(CInputChannelModel&)> before;  // not logged
    std::function<void(CInputChannelModel&)> change;
    Lines sent;
    std::array<int, 4> copies;  // item 1 level, item 1 mute, local level, local mute of channel `copyOf`
    int copyOf = 0;
};

class ChangeTest : public InputsBed, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangeTest, SendsExactlyTheRecordLinesAndAddressOfTheChange)
{
    const ChangeCase& cc = GetParam();
    Start(cc.setup);
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    for (int c = 0; c < 4; ++c)
        model.ReadInputChannel(c);
    if (cc.before)
        cc.before(model);
    m_unit->ClearLog();
    cc.change(model);
    EXPECT_EQ(Transcript(*m_unit), cc.sent);
    const InputChannelState& ch = model.Channel(cc.copyOf);
    EXPECT_EQ((std::array<int, 4>{ch.m_nItem1Level, ch.m_bItem1Mute, ch.m_nLocalLevel, ch.m_bLocalMute}), cc.copies);
    // What the page shows is what the unit now has.
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(DecodePhantom(UnitLines(), c), model.Channel(c).m_nPhantomShown) << "channel " << c + 1;
        EXPECT_EQ(DecodeGainStep(UnitLines(), UnitAddress(), c), model.Channel(c).m_nGainShown) << "channel " << c + 1;
    }
}

const Lines kWithAddress2000{"S2500", "S24FF", "S2720", "S26DF"};
Lines Cat(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChangeTest,
    ::testing::Values(
        ChangeCase{"UseTickedTakesTheMicrophoneSettings",
                   {.type = kUnitStandAlone, .modes = {0, 15, 15, 15}, .lines = PicLineWords{0x1F5E, 0x739A}, .address = 0x2004},
                   {}, [](auto& m) { m.UseInput(2, true); },
                   {"CH3 00 01 18 82 18", "ROUTE 1 13", "LINES 1F5E 6B9A", "ROUTE 3 13", "S2584", "S247B", "S2720", "S26DF"},
                   {24, 0, 24, 1}, 2},
        ChangeCase{"UseTickedWithoutMicrophone", {.type = kUnitStandAlone, .modes = {2, 15, 15, 15}}, {},
                   [](auto& m) { m.UseInput(1, true); },
                   Cat({"CH2 00 01 18 82 18", "ROUTE 1 13", "LINES 1F5E 73FC", "ROUTE 3 13"}, kWithAddress2000),
                   {24, 0, 24, 1}, 1},
        ChangeCase{"UseTickedOnAMasterIsASlaveLink", {.type = kUnitMaster, .modes = {3, 15, 15, 15}}, {},
                   [](auto& m) { m.UseInput(1, true); },
                   Cat({"CH2 03 01 18 82 18", "ROUTE 1 13", "LINES 1FD7 BDEF", "ROUTE 3 13"}, kWithAddress2000),
                   {24, 0, 24, 1}, 1},
        ChangeCase{"UseClearedSwitchesThePhantomOff",
                   {.type = kUnitStandAlone, .modes = {0, 0, 15, 15}, .lines = PicLineWords{0x1F5E, 0x7394}}, {},
                   [](auto& m) { m.UseInput(0, false); },
                   Cat({"CH1 0F 01 18 02 18", "ROUTE 1 13", "LINES 1F5E 739C", "ROUTE 3 13", "ROUTE 1 13", "LINES 1F5E 739C",
                        "ROUTE 3 13"},
                       kWithAddress2000),
                   {24, 0, 24, 1}, 0},
        ChangeCase{"FirstButtonStandAloneCopiesAMicrophone",
                   {.type = kUnitStandAlone, .modes = {0, 2, 15, 15}, .lines = PicLineWords{0x1F5E, 0x739A}, .address = 0x2004},
                   {}, [](auto& m) { m.ChooseFirst(1); },
                   {"CH2 00 01 18 82 18", "ROUTE 1 13", "LINES 1F5E 735A", "ROUTE 3 13", "S2524", "S24DB", "S2720", "S26DF"},
                   {24, 0, 24, 1}, 1},
        ChangeCase{"FirstButtonMasterMakesASlaveLink",
                   {.type = kUnitMaster, .modes = {3, 1, 15, 15}, .lines = PicLineWords{0x1FD7, 0xBEAF}, .address = 0x2020},
                   {}, [](auto& m) { m.ChooseFirst(1); },
                   Cat({"CH2 03 01 18 82 18", "ROUTE 1 13", "LINES 1FD7 BDEF", "ROUTE 3 13"}, kWithAddress2000),
                   {24, 0, 24, 1}, 1},
        ChangeCase{"FirstButtonSlaveMakesEveryUsedChannelAMicrophone",
                   {.type = kUnitSlave, .modes = {3, 3, 15, 15}, .lines = PicLineWords{0x031E, 0x718C}}, {},
                   [](auto& m) { m.ChooseFirst(0); },
                   Cat({"CH1 00 01 18 82 18", "CH2 00 01 18 82 18", "ROUTE 1 13", "LINES 031E 739C", "ROUTE 3 13"},
                       kWithAddress2000),
                   {24, 0, 24, 1}, 1},
        ChangeCase{"SecondButtonStandAlone",
                   {.type = kUnitStandAlone, .modes = {0, 15, 15, 15}, .lines = PicLineWords{0x1F5E, 0x7394}}, {},
                   [](auto& m) { m.ChooseSecond(0); },
                   {"CH1 01 01 18 02 00", "ROUTE 1 13", "LINES 1F5E 739C", "ROUTE 3 13"}, {24, 0, 0, 0}, 0},
        ChangeCase{"SecondButtonSlaveMakesEveryUsedChannelASlaveLink",
                   {.type = kUnitSlave, .modes = {0, 0, 15, 15}, .lines = PicLineWords{0x031E, 0x7394}}, {},
                   [](auto& m) { m.ChooseSecond(1); },
                   {"CH1 03 01 18 82 18", "CH2 03 01 18 82 18", "ROUTE 1 13", "LINES 031E 718C", "ROUTE 3 13"},
                   {24, 0, 24, 1}, 0},
        ChangeCase{"ThirdButton",
                   {.type = kUnitStandAlone, .modes = {0, 15, 15, 15}, .lines = PicLineWords{0x1F5E, 0x7394}}, {},
                   [](auto& m) { m.ChooseThird(0); },
                   {"CH1 02 01 18 02 18", "ROUTE 1 13", "LINES 1F5E 739C", "ROUTE 3 13"}, {24, 0, 24, 0}, 0},
        ChangeCase{"GainReachesAnUnusedMicrophone", {.type = kUnitStandAlone, .modes = {0, 0, 0, 15}},
                   [](auto& m) { m.UseInput(2, false); }, [](auto& m) { (void)m.ChangeGain(0, 3); },
                   {"ROUTE 1 13", "LINES 1F5E 77BD", "ROUTE 3 13", "S25A4", "S245B", "S2720", "S26DF"}, {24, 0, 24, 1}, 0},
        ChangeCase{"TheSameGainSendsNothing", {.type = kUnitStandAlone, .modes = {0, 15, 15, 15}}, {},
                   [](auto& m) { EXPECT_TRUE(m.ChangeGain(0, 6).empty()); }, {}, {24, 0, 24, 1}, 0},
        ChangeCase{"PhantomReachesTheUsedMicrophonesOnly", {.type = kUnitStandAlone, .modes = {0, 0, 0, 15}},
                   [](auto& m) { m.UseInput(2, false); }, [](auto& m) { (void)m.ChangePhantom(0, kPhantom3V); },
                   {"ROUTE 1 13", "LINES 1F5E 7294", "ROUTE 3 13"}, {24, 0, 24, 1}, 0},
        ChangeCase{"LocalLevel", {.type = kUnitStandAlone, .modes = {2, 15, 15, 15}}, {},
                   [](auto& m) {
                       m.ChangeLocalLevel(0, 12, false);
                       m.ChangeLocalLevel(0, 5, true);
                   },
                   {"CH1 02 02 0C 00 00", "CH1 02 82 05 00 00"}, {24, 0, 5, 1}, 0},
        ChangeCase{"LocalMuteKeepsTheRestOfTheRecord", {.type = kUnitStandAlone, .modes = {1, 15, 15, 15}}, {},
                   [](auto& m) { m.ChangeLocalMute(0, false); }, {"RD1 02 00 00 00", "CH1 01 02 18 00 00"},
                   {24, 0, 24, 0}, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(InputsBed, TheSecondButtonOnAMasterClearsTheSavedItem2FlagAndKeepsItem1Level)
{
    Start({.type = kUnitMaster, .modes = {3, 3, 15, 15}});
    m_unit->WithState([](SimUnitState& s) { s.channels[1].values = {17, 24}; });
    m_owner->masterInputs[1].flag2 = 1;
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    model.ReadInputChannel(1);
    model.ChooseSecond(1);
    EXPECT_EQ(model.Channel(1).m_nItem1Level, 17) << "24 is sent, the copy stays";
    EXPECT_EQ(m_owner->masterInputs[1].flag2, 0);
    model.ChangeLocalMute(1, true);
    EXPECT_EQ(m_owner->masterInputs[1].flag2, 1);
}

// --- start and end of the page ---------------------------------------------------------

TEST_F(InputsBed, PrepareAndRestoreSaveAndGiveBackTheLevelRegisters)
{
    Start({.type = kUnitStandAlone, .modes = {0, 2, 15, 15}});
    m_unit->WithState([](SimUnitState& s) {
        s.levels[5] = 0x0C;
        s.levels[7] = 0x91;  // a raised flag is not kept
        s.channels[0].flags = {true, true};
    });
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    for (int c = 0; c < 4; ++c)
        model.ReadInputChannel(c);
    m_unit->ClearLog();
    model.PrepareUnit();
    EXPECT_EQ(Transcript(*m_unit), (Lines{"ROUTE 14 13", "S6500", "S558C", "S6700", "S5791"}));
    m_unit->ClearLog();
    model.RestoreUnit();
    EXPECT_EQ(Transcript(*m_unit), (Lines{"ROUTE 13 13", "ROUTE 9 9", "S550C", "S5711", "S6200", "CH1 00 01 18 00 00",
                                          "CH2 02 01 18 00 00", "CH3 0F 01 18 00 00", "CH4 0F 01 18 00 00"}));
    EXPECT_EQ(m_owner->speakerFlags, (std::vector<bool>{false}));
}

TEST_F(InputsBed, ALevelRegisterWithoutAnswerCountsAsLevel63)
{
    Start({.type = kUnitStandAlone});
    m_unit->SetFaults({.onlyFor = 0x6500, .silent = true});
    CInputChannelModel model(*m_owner, 0);
    model.PrepareUnit();
    EXPECT_EQ(model.m_nSavedReg5, 63);
}

// --- slave defaults -------------------------------------------------------------------

struct SlaveCase {
    const char* name;
    int type;
    uint8_t channel1Mode;
    // Stored before: nullopt = missing; a text stands for a value of the wrong type.
    std::optional<uint32_t> lines0, lines1, address;
    bool textInsteadOfNumber;
    bool box;
    bool stored;
};

class SlaveDefaultsTest : public InputsBed, public ::testing::WithParamInterface<SlaveCase> {};

TEST_P(SlaveDefaultsTest, StoresTheSlaveWordsAndSaysWhenTheyChanged)
{
    const SlaveCase& sc = GetParam();
    Start({.type = sc.type, .modes = {sc.channel1Mode, 0, 15, 15}, .lines = PicLineWords{0x031E, 0xF39C}, .address = 0x2004});
    {
        CRegHelper reg;
        ASSERT_TRUE(reg.CreateKey(kSlaveDefaultsKey));
        if (sc.lines0)
            reg.WriteDword(kSlaveLines0Value, *sc.lines0);
        if (sc.textInsteadOfNumber)
            ASSERT_TRUE(reg.WriteString(kSlaveLines1Value, "abc"));
        else if (sc.lines1)
            reg.WriteDword(kSlaveLines1Value, *sc.lines1);
        if (sc.address)
            reg.WriteDword(kSlaveAddressValue, *sc.address);
    }
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    for (int c = 0; c < 4; ++c)
        model.ReadInputChannel(c);
    model.m_wLines = {0, 0};  // replaced by what the unit has
    model.SaveSlaveDefaults(nullptr);

    ASSERT_EQ(m_host.messageBoxes.asked.size(), sc.box ? 1u : 0u);
    if (sc.box) {
        EXPECT_EQ(m_host.messageBoxes.asked[0].caption, "Slave Setup");
        EXPECT_EQ(m_host.messageBoxes.asked[0].text.substr(m_host.messageBoxes.asked[0].text.size() - 10), "supply.   ");
    }
    CRegHelper reg;
    ASSERT_TRUE(reg.OpenKey(kSlaveDefaultsKey));
    uint32_t lines0 = 0, lines1 = 0, address = 0;
    const bool read = reg.ReadDword(kSlaveLines0Value, &lines0) && reg.ReadDword(kSlaveLines1Value, &lines1) &&
                      reg.ReadDword(kSlaveAddressValue, &address);
    if (sc.stored) {
        ASSERT_TRUE(read);
        EXPECT_EQ(lines0, 0x031Eu);
        EXPECT_EQ(lines1, 0xF39Cu) << "zero-extended";
        EXPECT_EQ(address, 0x2004u);
    } else {
        EXPECT_EQ(lines0, sc.lines0.value_or(0));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SlaveDefaultsTest,
    ::testing::Values(SlaveCase{"EqualIncludingBit15", kUnitSlave, 0, 0x031E, 0xFFFFF39C, 0x2004, false, false, true},
                      SlaveCase{"Changed", kUnitSlave, 0, 0x031E, 0x739C, 0x2004, false, true, true},
                      SlaveCase{"AddressChanged", kUnitSlave, 0, 0x031E, 0xF39C, 0x2000, false, true, true},
                      SlaveCase{"Missing", kUnitSlave, 0, 0x031E, std::nullopt, 0x2000, false, false, true},
                      SlaveCase{"WrongType", kUnitSlave, 0, 0x0000, std::nullopt, 0x2000, true, false, true},
                      // The rule the wizard reads them by: the address as stored, line words on
                      // their low 16 bits.
                      SlaveCase{"AddressAbove16BitsDiffers", kUnitSlave, 0, 0x031E, 0xF39C, 0x12004, false, true, true},
                      SlaveCase{"LineWordsCountOnTheirLow16Bits", kUnitSlave, 0, 0x7FFF031E, 0x1F39C, 0x2004, false, false,
                                true},
                      SlaveCase{"Channel1NotAMicrophone", kUnitSlave, 3, 0x1111, 0x2222, 0x3333, false, false, false},
                      SlaveCase{"NotASlave", kUnitStandAlone, 0, 0x1111, 0x2222, 0x3333, false, false, false}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace vk
