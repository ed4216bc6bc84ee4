// Giving a unit its type: the exact commands, the re-enumeration with its sound
// card, both failure boxes on the virtual clock, the set-up start with the
// slave defaults, and a master's channels kept aside.
#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "platform/settings/RegHelper.h"
#include "ExpectedCommands.h"
#include "WizardSoundFixture.h"

#include <optional>
#include <ostream>

namespace vk {
namespace {

using K = SimUnitKind;
using testing::Append;
using testing::ExpectedLog;
using testing::HexLog;
using testing::Shorts;
using testing::UnitOp;
using testing::UpToReset;

struct StoredSlave {
    std::optional<uint32_t> flags0, flags1, address;
};

void StoreSlaveDefaults(const StoredSlave& s)
{
    CRegHelper reg;
    ASSERT_TRUE(reg.CreateKey(kProgramKey));
    if (s.flags0)
        reg.WriteDword("Slave PIC Flags 0", *s.flags0);
    if (s.flags1)
        reg.WriteDword("Slave PIC Flags 1", *s.flags1);
    if (s.address)
        reg.WriteDword("Slave Address Flags", *s.address);
}

// What the assignment of a type sends before the reset, given the line words and
// address it writes and the live lines it writes back (none: the read failed).
std::vector<UnitOp> AssignmentCommands(int type, PicLineWords words, uint16_t address,
                                       std::optional<PicLineWords> liveAfter)
{
    const UnitTypeInfo& row = UnitTypeRow(type);
    std::vector<UnitOp> ops = {
        [row](CHIDProtocol& p) { (void)p.SetParameter(0, 10, row.flagsWord); },
        [row](CHIDProtocol& p) { (void)p.SetParameterText(0, 1, row.endpointName); },
        [row](CHIDProtocol& p) { (void)p.SetParameter(0, 2, row.productId); },
        [words](CHIDProtocol& p) { (void)p.SetPicLines(words, true); },
    };
    for (int ch = 0; ch < 4; ++ch)
        ops.push_back([ch, row](CHIDProtocol& p) { (void)p.SetChannel(ch, row.channelMode, 0x01, 24, 0x82, 24); });
    Append(ops, Shorts({0x24FF, 0x26FF, static_cast<uint16_t>(0x2500 + (address & 0xFF)),
                        static_cast<uint16_t>(0x2700 + (address >> 8))}));
    ops.push_back([](CHIDProtocol& p) {
        PicLineWords live{};
        (void)p.GetPicLines(live, false);
    });
    if (liveAfter)
        ops.push_back([w = *liveAfter](CHIDProtocol& p) { (void)p.SetPicLines(w, true); });
    Append(ops, Shorts({0x2120, 0xB100, 0xB102}));
    return ops;
}

UnitOp Reset()
{
    return [](CHIDProtocol& p) { (void)p.WriteShortCommand(0x0666); };
}

struct AssignCase {
    const char* name;
    K kind;
    int type;
    StoredSlave stored;
    bool linesUnreadable;
    PicLineWords words;
    uint16_t address;
    std::optional<PicLineWords> liveAfter;
    bool resets;
};
void PrintTo(const AssignCase& c, std::ostream* os) { *os << c.name; }

class TypeAssignmentTest : public testing::WizardSoundFixture, public ::testing::WithParamInterface<AssignCase> {};

TEST_P(TypeAssignmentTest, SendsTheTypeAndWaitsForTheUnitAndItsSoundCard)
{
    const AssignCase& c = GetParam();
    StoreSlaveDefaults(c.stored);
    auto unit = PlugWithCard(c.kind);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    const SimUnitState before = unit->State();
    SimFaults faults;
    if (c.linesUnreadable) {
        faults.onlyFor = 0xF011;  // the controller's line reads go unanswered
        faults.silent = true;
    }
    unit->SetFaults(faults);
    unit->ClearLog();

    EXPECT_TRUE(dlg.AssignUnitType(c.type));

    auto expected = AssignmentCommands(c.type, c.words, c.address, c.liveAfter);
    if (c.resets)
        expected.push_back(Reset());
    EXPECT_EQ(UpToReset(HexLog(*unit)), ExpectedLog(before, faults, expected));
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());
    const UnitTypeInfo& row = UnitTypeRow(c.type);
    EXPECT_EQ(unit->ProductId(), row.productId);
    EXPECT_EQ(unit->UsbName(), row.endpointName);
    EXPECT_EQ(dlg.View().UnitType(), c.type);
    EXPECT_EQ(dlg.View().TypeName(), row.typeName);
    EXPECT_EQ(dlg.View().Audio().m_strOutDevice, c.resets ? row.endpointName : "");
    EXPECT_FALSE(dlg.View().IgnoresDeviceChanges());
    if (c.resets) {
        EXPECT_EQ(dlg.GetDlgItemText(1009),
                  "The unit is re-enumerating.  This process may take a while.  Please wait ...");
    }
    // The wizard talks to the unit as it came back (a new device path).
    unit->SetFaults({});
    EXPECT_TRUE(CWizardTestSeam::Unit(dlg).CheckConnection());
    dlg.DestroyWindow();
}

const PicLineWords kSalWords{0x1F5E, 0x739C};
const PicLineWords kMasWords{0x1FD7, 0xBDEF};
const PicLineWords kSlvWords{0x031E, 0x739C};

INSTANTIATE_TEST_SUITE_P(
    Types, TypeAssignmentTest,
    ::testing::Values(
        AssignCase{"NewToStandAlone", K::New, 1, {}, false, kSalWords, 0x2000, kSalWords, true},
        AssignCase{"NewToMaster", K::New, 2, {}, false, kMasWords, 0x2000, kMasWords, true},
        AssignCase{"NewToSlave", K::New, 3, {}, false, kSlvWords, 0x2000, kSlvWords, true},
        // Stored defaults: their words and address; lines 4, 9, 14 and 19 set on top.
        AssignCase{"NewToSlaveWithStoredDefaults", K::New, 3, {0x10000, 0x0001, 0x2105}, false, {0x0000, 0x0001},
                   0x2105, PicLineWords{0x0008, 0x4211}, true},
        AssignCase{"TwoOfThreeStoredValuesCountForNothing", K::New, 3, {0x1111, 0x2222, std::nullopt}, false,
                   kSlvWords, 0x2000, kSlvWords, true},
        // Unreadable live lines are not written back from a failed read.
        AssignCase{"LiveLinesUnreadable", K::New, 1, {}, true, kSalWords, 0x2000, std::nullopt, true},
        AssignCase{"MasterToSlave", K::Master, 3, {}, false, kSlvWords, 0x2000, kSlvWords, true},
        // Same type and product id: everything is written, nothing re-enumerates.
        AssignCase{"StandAloneAgain", K::StandAlone, 1, {}, false, kSalWords, 0x2000, kSalWords, false}),
    [](const auto& param) { return std::string(param.param.name); });

// --- failures -----------------------------------------------------------------------------------

struct FailureCase {
    const char* name;
    bool unitReturns;
    bool cardReturns;
    int resets;
    const char* text;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class TypeAssignmentFailureTest : public testing::WizardSoundFixture,
                                  public ::testing::WithParamInterface<FailureCase> {};

// Next on page 1 with Stand Alone chosen: a unit or sound card that never comes
// back ends on page 0 after the box; the minutes of waiting are virtual.
TEST_P(TypeAssignmentFailureTest, EndsOnPage0AfterItsBox)
{
    const FailureCase& c = GetParam();
    auto unit = c.cardReturns ? PlugWithCard(K::New) : Plug(K::New);
    if (!c.unitReturns)
        unit->SetResetTiming({300, std::nullopt});
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    ASSERT_EQ(dlg.View().CurrentPage(), Page::TypeSelection);
    unit->ClearLog();
    const uint64_t start = m_env.m_clock.NowMs();
    ASSERT_TRUE(dlg.ClickControl(1022));
    ASSERT_TRUE(dlg.ClickControl(1003));

    ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
    EXPECT_EQ(m_host.messageBoxes.asked[0].text, c.text);
    EXPECT_EQ(m_host.messageBoxes.asked[0].caption, "Dravena enumeration failure");
    EXPECT_EQ(m_host.messageBoxes.asked[0].type, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(dlg.View().CurrentPage(), Page::Welcome);
    EXPECT_FALSE(dlg.View().IgnoresDeviceChanges());
    const auto codes = unit->LoggedCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x0666), c.resets);
    if (c.cardReturns == false && c.unitReturns) {
        // Both waiting rounds ran: 60 x 1 s and 60 x 0.5 s on top of the resets.
        EXPECT_GE(m_env.m_clock.NowMs() - start, 90000u);
    }
    dlg.DestroyWindow();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, TypeAssignmentFailureTest,
    ::testing::Values(
        FailureCase{"UnitNeverReturns", false, true, 1,
                    "The enumeration failed. Please disconnect the USB cable of the device and re-connect it."},
        FailureCase{"SoundCardNeverReturns", true, false, 2,
                    "The audio device is not found after enumerarion.\nPlease disconnect the USB cable of the device "
                    "and re-connect it."}),
    [](const auto& param) { return std::string(param.param.name); });

// A sound card that never comes back: the first reset, 60 rounds of 1 s, the
// second reset, 60 rounds of 0.5 s, the box. Each reset costs the simulated
// unit's 3.9 s (it leaves after 0.3 s, is back 2.5 s later, seen at the next
// 0.5 s poll and given 1 s more).
using FailureTimingTest = testing::WizardSoundFixture;

TEST_F(FailureTimingTest, TheFailedWaitForTheSoundCardTakesItsTwoRoundsAndNoMore)
{
    auto unit = Plug(K::New);
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    unit->ClearLog();
    ASSERT_TRUE(dlg.ClickControl(1022));
    ASSERT_TRUE(dlg.ClickControl(1003));
    const uint64_t boxAt = m_env.m_clock.NowMs();
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);

    std::vector<uint64_t> resets;
    for (const SimLoggedCommand& c : unit->Log())
        if (!c.IsLong() && c.Code() == 0x0666)
            resets.push_back(c.atMs);
    ASSERT_EQ(resets.size(), 2u);
    constexpr uint64_t kResetMs = 3900;
    const uint64_t firstRound = resets[1] - resets[0];
    const uint64_t secondRound = boxAt - resets[1];
    EXPECT_GE(firstRound, kResetMs + 60 * 1000);
    EXPECT_LE(firstRound, kResetMs + 60 * 1000 + 100) << "the second reset falls right after the 1 s rounds";
    EXPECT_GE(secondRound, kResetMs + 60 * 500);
    EXPECT_LE(secondRound, kResetMs + 60 * 500 + 100);
    dlg.DestroyWindow();
}

// --- set-up start -------------------------------------------------------------------------------

struct SetupCase {
    const char* name;
    K kind;
    uint8_t channel1Mode;
    StoredSlave stored;
    PicLineWords live;
    uint16_t unitAddress;
    bool updates;  // the stored defaults are written and the box shown
};
void PrintTo(const SetupCase& c, std::ostream* os) { *os << c.name; }

class SetupStartTest : public testing::WizardSoundFixture, public ::testing::WithParamInterface<SetupCase> {};

TEST_P(SetupStartTest, ASlaveTakesOverTheLastSlavesDefaults)
{
    const SetupCase& c = GetParam();
    StoreSlaveDefaults(c.stored);
    auto unit = Plug(c.kind);
    unit->WithState([&](SimUnitState& s) {
        s.channels[0].mode = c.channel1Mode;
        s.picLines = static_cast<uint32_t>(c.live[0]) << 16 | c.live[1];
        s.ports[2] = static_cast<uint8_t>(c.unitAddress);
        s.ports[3] = static_cast<uint8_t>(c.unitAddress >> 8);
    });
    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    const SimUnitState before = unit->State();
    unit->ClearLog();

    dlg.PrepareUnitForSetup();

    std::vector<UnitOp> expected = Shorts({0x8415, 0x860E, 0xB101, 0x2120, 0x245A, 0x2606, 0x2720});
    if (c.kind == K::Slave) {
        expected.push_back([](CHIDProtocol& p) { (void)p.GetChannelMode(0); });
        if (c.channel1Mode == 0) {
            expected.push_back([](CHIDProtocol& p) {
                PicLineWords w{};
                (void)p.GetPicLines(w, false);
            });
            Append(expected, Shorts({0x34FF, 0x36FF}));
        }
    }
    if (c.updates) {
        const uint32_t address = *c.stored.address | 0x2000;
        expected.push_back([&c](CHIDProtocol& p) {
            (void)p.SetPicLines({static_cast<uint16_t>(*c.stored.flags0), static_cast<uint16_t>(*c.stored.flags1)},
                                true);
        });
        Append(expected, Shorts({0x24FF, static_cast<uint16_t>(0x2500 + (address & 0xFF)), 0x26FF,
                                 static_cast<uint16_t>(0x2700 + ((address >> 8) & 0xFF))}));
    }
    EXPECT_EQ(HexLog(*unit), ExpectedLog(before, {}, expected));
    ASSERT_EQ(m_host.messageBoxes.asked.size(), c.updates ? 1u : 0u);
    if (c.updates) {
        EXPECT_EQ(m_host.messageBoxes.asked[0].text,
                  "Parameters of this slave unit were updated according to the last configured slave.   ");
        EXPECT_EQ(m_host.messageBoxes.asked[0].caption, "Slave Parameters");
        EXPECT_EQ(m_host.messageBoxes.asked[0].type, MB_ICONINFORMATION | MB_OK);
    }
    dlg.DestroyWindow();
}

INSTANTIATE_TEST_SUITE_P(
    Units, SetupStartTest,
    ::testing::Values(
        SetupCase{"StandAloneGetsOnlyTheFixedCommands", K::StandAlone, 0, {0x1, 0x2, 0x3}, {0, 0}, 0x2000, false},
        SetupCase{"SlaveWithoutStoredDefaults", K::Slave, 0, {}, {0x031E, 0x739C}, 0x2000, false},
        SetupCase{"SlaveWhoseFirstChannelIsInUse", K::Slave, 1, {0x1, 0x2, 0x3}, {0, 0}, 0x2000, false},
        // The stored address counts with bit 13 set, as the unit reports it.
        SetupCase{"SlaveThatHasTheDefaults", K::Slave, 0, {0x1031E, 0x739C, 0x0105}, {0x031E, 0x739C}, 0x2105, false},
        SetupCase{"SlaveWithOtherLines", K::Slave, 0, {0x031F, 0x739C, 0x2105}, {0x031E, 0x739C}, 0x2105, true},
        SetupCase{"SlaveWithAnotherAddress", K::Slave, 0, {0x031E, 0x739C, 0x2106}, {0x031E, 0x739C}, 0x2105, true}),
    [](const auto& param) { return std::string(param.param.name); });

// --- a master's Sound Reinforcement channels ------------------------------------------------------

// Channel 2 is a Sound Reinforcement input (mode 1) whose local mute is off; the
// others are not. The saved records drive the flag writes and the restore.
using MasterInputsTest = testing::WizardSoundFixture;

TEST_F(MasterInputsTest, AMastersReinforcementChannelsAreKeptAsideAndRestored)
{
    for (bool withReinforcement : {true, false}) {
        SCOPED_TRACE(withReinforcement ? "one reinforcement channel" : "none");
        auto unit = Plug(K::Master);
        unit->WithState([&](SimUnitState& s) {
            s.channels[1].mode = withReinforcement ? 1 : 2;
            s.channels[1].values = {24, 17};
            s.channels[1].flags = {false, false};
            s.picLines = 1u << 21;
        });
        CQuorvelVK550ConfigDlg dlg;
        ASSERT_TRUE(dlg.Create());
        ASSERT_EQ(dlg.View().UnitType(), 2);
        CWizardTestSeam::SetUnitFlags(dlg, 0xC01B);
        const SimUnitState before = unit->State();
        unit->ClearLog();

        dlg.SaveMasterInputs();
        dlg.SetMasterInputsFlag(true);
        dlg.RestoreMasterInputs();

        std::vector<UnitOp> expected = Shorts({0xB000});
        for (int ch = 0; ch < 4; ++ch)
            expected.push_back([ch](CHIDProtocol& p) {
                ChannelRecord r;
                (void)p.GetChannel(ch, r);
            });
        expected.push_back([](CHIDProtocol& p) { (void)p.SetParameter(0, 10, 0xC00B); });
        expected.push_back([](CHIDProtocol& p) { (void)p.SetPicLine(21, 0, false, 1); });
        if (withReinforcement) {
            expected.push_back([](CHIDProtocol& p) { (void)p.SetChannel(1, 1, 0x82, 17, 0x00, 24); });
            expected.push_back([](CHIDProtocol& p) { (void)p.SetChannel(1, 1, 0x02, 17, 0x00, 24); });
        }
        const uint16_t flags = withReinforcement ? 0xC01B : 0xC00B;
        expected.push_back([flags](CHIDProtocol& p) { (void)p.SetParameter(0, 10, flags); });
        expected.push_back([withReinforcement](CHIDProtocol& p) { (void)p.SetPicLine(21, withReinforcement, false, 1); });
        EXPECT_EQ(HexLog(*unit), ExpectedLog(before, {}, expected));
        EXPECT_EQ(dlg.View().UnitFlags(), flags);
        dlg.DestroyWindow();
        m_bus.Unplug(unit);
    }
}

}  // namespace
}  // namespace vk
