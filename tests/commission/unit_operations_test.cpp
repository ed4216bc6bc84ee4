// The applier and the wizard change a unit through the same operations: the
// same change sends the same bytes. And an apply that failed never says the
// unit holds what was wanted.
#include "tests/commission/CommissionBed.h"
#include "tests/inputs/InputsTestBed.h"
#include "tests/sim/unit/UnitWrites.h"

#include <algorithm>
#include <functional>

#include "commission/ConfigurationApplier.h"
#include "commission/ConfigurationReader.h"
#include "commission/ReadBack.h"
#include "device/UnitTypes.h"
#include "inputs/InputChannelModel.h"

namespace vk::test {
namespace {

using commission::ApplyConfiguration;
using commission::StoreAfterApply;
using commission::UnitConfiguration;
using vk::testing::Transcript;
using vk::testing::UnitSetup;

// What changes the unit: channel records, line writes, address and level
// writes. Reads and the routes the page sets for its monitor are left out.
std::vector<std::string> Writes(const CSimUnit& unit)
{
    std::vector<std::string> writes;
    for (std::string& line : Transcript(unit))
        if (line.starts_with("CH") || line.starts_with("LINES") || line.starts_with("S2") || line.starts_with("S5"))
            writes.push_back(std::move(line));
    return writes;
}

struct TypeChangeCase {
    const char* name;
    UnitSetup setup;
    std::function<void(CInputChannelModel&)> change;
};

class InputTypeChange : public vk::testing::InputsBed, public ::testing::WithParamInterface<TypeChangeCase> {};

// The page makes the change on one unit; the applier is given what that unit
// then holds and brings an identical twin there.
TEST_P(InputTypeChange, TheApplierSendsTheInputsPagesBytes)
{
    const TypeChangeCase& tc = GetParam();
    Start(tc.setup);
    CInputChannelModel model(*m_owner, 0);
    model.ReadControllerState();
    for (int c = 0; c < kInputChannels; ++c)
        model.ReadInputChannel(c);
    CSimHidBus twinBus;
    auto twin = std::make_shared<CSimUnit>(m_unit->State());
    const std::string twinPath = twinBus.Plug(twin);
    m_unit->ClearLog();

    tc.change(model);
    const auto wanted = commission::ReadConfiguration(m_owner->protocol).configuration;
    ASSERT_TRUE(wanted);

    CHIDProtocol applier(twinBus);
    ASSERT_TRUE(applier.OpenUnitAt(twinPath, true));
    const auto current = commission::ReadConfiguration(applier).configuration;
    ASSERT_TRUE(current);
    twin->ClearLog();
    const auto outcome = ApplyConfiguration(applier, *current, *wanted, StoreAfterApply::Skip);

    EXPECT_TRUE(outcome.Succeeded()) << outcome.failedStep;
    EXPECT_EQ(outcome.written.size(), 1u) << "the type change alone brings the twin there";
    EXPECT_EQ(Writes(*twin), Writes(*m_unit));
    EXPECT_EQ(twin->State().LiveSettings(), m_unit->State().LiveSettings());
}

INSTANTIATE_TEST_SUITE_P(
    Table, InputTypeChange,
    ::testing::Values(
        TypeChangeCase{"Auxiliary", {.type = kUnitStandAlone, .modes = {0, 0, 0, 0}}, [](auto& m) { m.ChooseThird(1); }},
        TypeChangeCase{"SoundReinforcement", {.type = kUnitStandAlone, .modes = {0, 0, 2, 0}},
                       [](auto& m) { m.ChooseSecond(0); }},
        TypeChangeCase{"SwitchedOff", {.type = kUnitStandAlone, .modes = {0, 0, 0, 0}},
                       [](auto& m) { m.UseInput(3, false); }},
        TypeChangeCase{"SlaveLinkOnAMaster", {.type = kUnitMaster, .modes = {1, 1, 2, 1}},
                       [](auto& m) { m.ChooseFirst(2); }},
        TypeChangeCase{"MicrophoneWithNoneToCopy", {.type = kUnitStandAlone, .modes = {2, 2, 2, 2}},
                       [](auto& m) { m.ChooseFirst(1); }}),
    [](const auto& p) { return std::string(p.param.name); });

class UnitOperations : public CommissionBed {};

std::vector<uint16_t> LevelCommands(const CSimUnit& unit)
{
    std::vector<uint16_t> codes;
    for (const auto& command : unit.Log())
        if (!command.IsLong() && ((command.Code() >> 12) == 0x5 || (command.Code() >> 12) == 0x6))
            codes.push_back(command.Code());
    return codes;
}

// The wizard writes the output's three registers together and the speaker's,
// none read first. A unit whose file holds them apart gets each alone.
TEST_F(UnitOperations, LevelsAreWrittenAsTheWizardWritesThem)
{
    struct Case {
        const char* name;
        std::array<int, 4> levels;  // registers 1, 3, 4, 7
        std::vector<uint16_t> writes;
    };
    const Case cases[] = {
        {"output only", {12, 18, 18, 18}, {0x5312, 0x5712, 0x5412}},
        {"speaker only", {15, 12, 12, 12}, {0x510F}},
        {"both", {20, 3, 3, 3}, {0x5303, 0x5703, 0x5403, 0x5114}},
        {"registers apart", {12, 5, 12, 9}, {0x5305, 0x5709}},
    };
    const std::vector<uint16_t> readBack{0x6100, 0x6300, 0x6400, 0x6700};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto unit = Plug(SimUnitKind::StandAlone);
        const UnitConfiguration current = Read(paths.back());
        ASSERT_EQ(current.Level(1), 12);
        UnitConfiguration wanted = current;
        for (size_t i = 0; i < commission::kLevelRegisters.size(); ++i)
            wanted.SetLevel(commission::kLevelRegisters[i], c.levels[i]);
        unit->ClearLog();

        const auto outcome = ApplyConfiguration(protocol, current, wanted, StoreAfterApply::Skip);

        EXPECT_TRUE(outcome.Succeeded()) << outcome.failedStep;
        std::vector<uint16_t> expected = c.writes;
        expected.insert(expected.end(), readBack.begin(), readBack.end());
        EXPECT_EQ(LevelCommands(*unit), expected);
    }
}

// A unit that takes its new flags word but refuses its name or product id keeps
// the type it had: the old flags word goes back, nothing else is written, the
// unit is not reset, stored or called verified, and what it holds is listed.
TEST_F(UnitOperations, ARefusedIdentityPutsTheOldFlagsBackAndIsNeverVerified)
{
    struct Case {
        const char* name;
        uint16_t refused;
        uint32_t at;
        const char* failedStep;
        long valueWrites;  // new flags word, product id, old flags word: as far as each goes
    };
    const Case cases[] = {
        {"flags word", 0xF00C, 1, "type STAND ALONE (flags word)", 1},
        {"device name", 0xF00E, 1, "type STAND ALONE (device name); the old flags word was put back", 2},
        {"product id", 0xF00C, 2, "type STAND ALONE (product id); the old flags word was put back", 3},
    };
    Plug(SimUnitKind::StandAlone);
    const UnitConfiguration standAlone = Read(paths.back());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto unit = Plug(SimUnitKind::Master);
        const UnitConfiguration current = Read(paths.back());
        unit->ClearLog();
        unit->FailTransaction(SimTransactionFault{SimTransactionFault::Kind::Error, c.at, c.refused, 0xFB});

        const auto outcome = ApplyConfiguration(protocol, current, standAlone);

        EXPECT_EQ(outcome.failedStep, c.failedStep);
        EXPECT_FALSE(outcome.verified);
        EXPECT_FALSE(outcome.Succeeded());
        EXPECT_FALSE(outcome.stored);
        EXPECT_EQ(unit->ProductId(), 0x217) << "not reset";
        EXPECT_EQ(unit->State().Value(0, 10), current.flags) << "the old flags word";
        const auto writes = vk::testing::WritesIn(unit->Log());
        EXPECT_EQ(std::count(writes.begin(), writes.end(), 0xF00C), c.valueWrites);
        for (const uint16_t code : writes)
            EXPECT_TRUE(code == 0xF00C || code == 0xF00E) << std::hex << code << " after a refused identity";
        ASSERT_TRUE(outcome.holds);
        const std::string holds = commission::WhatTheUnitHolds(outcome.holds, standAlone, outcome.typeAssigned);
        EXPECT_NE(holds.find("the unit now holds:"), std::string::npos) << holds;
        EXPECT_NE(holds.find("product id: 0x0217 (wanted 0x0117)"), std::string::npos) << holds;
    }
}

// A line write reaches the live lines and the words the unit keeps; only the
// live ones answer for it. Kept words the unit refused are a failed step: the
// unit is neither called verified nor stored, as it would lose the lines at
// its next power cycle.
TEST_F(UnitOperations, LinesTheUnitWillNotKeepAreAFailedStep)
{
    auto unit = Plug(SimUnitKind::StandAlone);
    const UnitConfiguration current = Read(paths.back());
    UnitConfiguration wanted = current;
    wanted.SetGainStep(1, (current.GainStep(1) + 3) % kGainSteps);
    unit->ClearLog();
    unit->FailTransaction(SimTransactionFault{SimTransactionFault::Kind::Error, 1, 0xF00E, 0xFB});

    const auto outcome = ApplyConfiguration(protocol, current, wanted);

    EXPECT_EQ(outcome.failedStep, "controller lines (the words kept over a power cycle)");
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_FALSE(outcome.stored);
    const auto codes = unit->LoggedCodes();
    EXPECT_EQ(std::find(codes.begin(), codes.end(), 0xB7FF), codes.end()) << "no store";
}

// After a type assignment the unit must also enumerate as its new type: a unit
// that holds every setting under another product id or name does not hold the
// configuration.
TEST_F(UnitOperations, TheReadBackComparesTheIdentityOfAnAssignedType)
{
    Plug(SimUnitKind::StandAlone);
    const UnitConfiguration wanted = Read(paths.back());
    UnitConfiguration holds = wanted;
    holds.identity.productId = 0x217;
    holds.identity.deviceName = "Qrvl VK550_MAS";

    EXPECT_EQ(commission::WhatTheUnitHolds(holds, wanted, false), "the unit holds the whole configuration");
    EXPECT_EQ(commission::WhatTheUnitHolds(holds, wanted, true),
              "the unit now holds:\n    product id: 0x0217 (wanted 0x0117)\n    USB device name: Qrvl VK550_MAS "
              "(wanted Qrvl VK550_SAL)");
    EXPECT_EQ(commission::WhatTheUnitHolds(std::nullopt, wanted, true), "the unit cannot be read back");
}

// A channel answer with 0xFB..0xFF in its last byte is the unit's refusal, so
// such a level could never be read back: nothing is sent.
TEST_F(UnitOperations, AChannelLevelThatWouldReadAsARefusalIsRefusedBeforeSending)
{
    auto unit = Plug(SimUnitKind::StandAlone);
    const UnitConfiguration current = Read(paths.back());
    for (const bool local : {false, true}) {
        for (const int level : {250, 251, 255}) {
            UnitConfiguration wanted = current;
            (local ? wanted.channels[1].localLevel : wanted.channels[1].level) = static_cast<uint8_t>(level);
            EXPECT_EQ(commission::WhyUnitCannotTake(current, wanted).has_value(), level >= 251)
                << (local ? "local " : "") << level;
        }
    }
}

}  // namespace
}  // namespace vk::test
