// Reading a unit's whole configuration and bringing another unit to it: what is
// written, in which order, and what a unit that fails halfway is left holding.
#include "tests/commission/CommissionBed.h"
#include "tests/sim/unit/UnitWrites.h"

#include "commission/ConfigurationApplier.h"
#include "commission/ConfigurationDiff.h"
#include "commission/ConfigurationFile.h"
#include "device/UnitTypes.h"

namespace vk::test {
namespace {

using commission::ApplyConfiguration;
using commission::UnitConfiguration;

class Apply : public CommissionBed {};

using vk::testing::WritesIn;

TEST_F(Apply, AnUnchangedConfigurationSendsNoWrite)
{
    for (const SimUnitKind kind : {SimUnitKind::New, SimUnitKind::StandAlone, SimUnitKind::Master, SimUnitKind::Slave}) {
        auto unit = Plug(kind);
        const UnitConfiguration current = Read(paths.back());
        unit->ClearLog();
        const auto outcome = ApplyConfiguration(protocol, current, current);
        EXPECT_TRUE(outcome.Succeeded()) << static_cast<int>(kind);
        EXPECT_TRUE(outcome.written.empty());
        EXPECT_TRUE(unit->Log().empty()) << "kind " << static_cast<int>(kind) << " got " << unit->Log().size();
    }
}

TEST_F(Apply, OnlyTheChangedPartsAreWrittenInTheWizardsOrder)
{
    auto unit = Plug(SimUnitKind::StandAlone);
    const UnitConfiguration current = Read(paths.back());
    UnitConfiguration wanted = current;
    wanted.channels[2] = {kModeAuxiliary, 24, false, 18, true};
    wanted.SetGainStep(1, 5);  // a line and the address bit
    wanted.SetLevel(1, 20);
    wanted.SetLevel(4, 3);
    unit->ClearLog();

    const auto outcome = ApplyConfiguration(protocol, current, wanted);

    EXPECT_TRUE(outcome.Succeeded()) << outcome.failedStep;
    EXPECT_EQ(outcome.written, (std::vector<std::string>{"channel 3 input type", "channel 3", "controller lines",
                                                         "address word", "level register 4", "speaker level"}));
    // The inputs page's change to auxiliary (its record, then its lines: all
    // set, the inverse cleared, both stored words), the wanted record, the
    // wanted lines, the address (set and clear, low then high), then register 4
    // alone (the output's registers stay apart) and the speaker's, unread.
    EXPECT_EQ(WritesIn(unit->Log()),
              (std::vector<uint16_t>{0xF000, 0xF010, 0xF010, 0xF00E, 0xF00E, 0xF00E, 0xF000, 0xF010, 0xF010, 0xF00E,
                                     0xF00E, 0xF00E, 0x2520, 0x24DF, 0x2720, 0x26DF, 0x5403, 0x5114}));
    unit->WithState([](SimUnitState& s) {
        EXPECT_EQ(s.channels[2].mode, kModeAuxiliary);
        EXPECT_EQ(s.channels[2].values[1], 18);
        EXPECT_TRUE(s.channels[2].flags[1]);
        EXPECT_EQ(s.levels[1], 20);
    });
}

TEST_F(Apply, AMasterConfigurationTurnsANewAndAStandAloneUnitIntoThatMaster)
{
    Plug(SimUnitKind::Master);
    UnitConfiguration master = Read(paths.back());
    master.channels[0] = {kModeSlaveLink, 24, false, 24, true};
    master.channels[1] = {kModeReinforcement, 24, false, 10, false};
    master.SetPhantom(1, kPhantom24V);
    master.SetGainStep(1, 6);
    master.flags |= commission::kSavedInputsFlag;

    for (const SimUnitKind kind : {SimUnitKind::New, SimUnitKind::StandAlone}) {
        auto unit = Plug(kind);
        const UnitConfiguration current = Read(paths.back());
        const std::string serial = current.identity.serialNumber;
        unit->ClearLog();

        const auto outcome = ApplyConfiguration(protocol, current, master);

        ASSERT_TRUE(outcome.Succeeded()) << outcome.failedStep;
        EXPECT_EQ(outcome.written.front(), "type MASTER");
        EXPECT_EQ(unit->ProductId(), 0x217);
        EXPECT_EQ(protocol.GetSerialNumber(), serial) << "the same unit is open again after its reset";
        EXPECT_EQ(outcome.holds->identity.productName, "Dravena-Master");
        EXPECT_EQ(outcome.holds->Phantom(1), kPhantom24V);
        EXPECT_EQ(outcome.holds->GainStep(1), 6);
        EXPECT_EQ(outcome.holds->flags, 0xC01B);
    }
}

// A file saved from one unit brings another to the same fields (the bits no
// field tells apart, both supply lines low, stay each unit's own).
TEST_F(Apply, AFileSavedFromOneUnitAndAppliedToAnotherSavesTheSameSettings)
{
    for (const SimUnitKind from : {SimUnitKind::StandAlone, SimUnitKind::Master, SimUnitKind::Slave}) {
        Plug(from);
        const std::string saved = commission::WriteConfigurationFile(Read(paths.back()));
        const auto loaded = commission::ParseConfigurationFile(saved, "unit.toml");
        ASSERT_TRUE(loaded.loaded);
        for (const SimUnitKind to : {SimUnitKind::New, SimUnitKind::StandAlone, SimUnitKind::Master}) {
            Plug(to);
            const UnitConfiguration current = Read(paths.back());
            const auto wanted = commission::WantedConfiguration(*loaded.loaded, current);
            ASSERT_TRUE(wanted.refusals.empty()) << wanted.refusals.front().message;
            const auto outcome = ApplyConfiguration(protocol, current, wanted.wanted);
            ASSERT_TRUE(outcome.Succeeded()) << outcome.failedStep;
            const auto back = commission::ParseConfigurationFile(commission::WriteConfigurationFile(*outcome.holds), "b");
            ASSERT_TRUE(back.loaded);
            EXPECT_EQ(back.loaded->edit, loaded.loaded->edit) << static_cast<int>(from) << " onto " << static_cast<int>(to);
        }
    }
}

// Replaces the line that begins with `from` (after `after`) by `to`; an empty `to` removes it.
std::string Edited(std::string text, const std::string& after, const std::string& from, const std::string& to)
{
    const size_t begin = text.find(from, text.find(after));
    EXPECT_NE(begin, std::string::npos) << from;
    return text.replace(begin, text.find('\n', begin) - begin + (to.empty() ? 1 : 0), to);
}

// A technician's road: save, edit, apply, save again gives back the edited
// file; a file of only some fields changes only those.
TEST_F(Apply, SavedEditedAppliedAndSavedAgainGivesTheEditedFile)
{
    Plug(SimUnitKind::StandAlone);
    const std::string saved = commission::WriteConfigurationFile(Read(paths.back()));
    struct Case {
        std::string file;    // what is applied
        std::string expect;  // the file saved afterwards
    };
    const std::string louder = Edited(Edited(saved, "[channel.2]", "gain_db = ", "gain_db = 42.0"), "[channel.2]",
                                      "phantom = ", "phantom = \"24V\"");
    const std::string levelsOnly = "format_version = 2\n[levels]\nspeaker = 20\n";
    const Case cases[] = {
        {louder, louder},
        {levelsOnly, Edited(louder, "[levels]", "speaker = ", "speaker = 20")},
        // Out of use, its supply off as the wizard leaves it.
        {"{\"format_version\": 2, \"channel\": {\"4\": {\"in_use\": false, \"phantom\": \"off\"}}}",
         Edited(Edited(Edited(Edited(louder, "[levels]", "speaker = ", "speaker = 20"), "[channel.4]", "in_use = ",
                              "in_use = false"),
                       "[channel.4]", "input = ", ""),
                "[channel.4]", "phantom = ", "phantom = \"off\"")},
    };
    ASSERT_NE(louder, saved);
    for (const Case& c : cases) {
        const auto loaded = commission::ParseConfigurationFile(c.file, "unit.toml");
        ASSERT_TRUE(loaded.loaded) << loaded.errors.front();
        const UnitConfiguration current = Read(paths.back());
        const auto wanted = commission::WantedConfiguration(*loaded.loaded, current);
        ASSERT_TRUE(wanted.refusals.empty()) << wanted.refusals.front().message;
        const auto outcome = ApplyConfiguration(protocol, current, wanted.wanted);
        ASSERT_TRUE(outcome.Succeeded()) << outcome.failedStep;
        EXPECT_EQ(commission::WriteConfigurationFile(Read(paths.back())), c.expect) << c.file;
    }
}

TEST_F(Apply, PhantomRaisedIsFoundPerInput)
{
    UnitConfiguration from;
    from.lines = {0xFFFF, 0xFFFF};  // every supply off
    from.SetPhantom(1, kPhantom24V);
    from.SetPhantom(2, kPhantom3V);
    UnitConfiguration to = from;
    to.SetPhantom(0, kPhantom24V);  // off -> 24 V
    to.SetPhantom(2, kPhantom24V);  // 3 V -> 24 V
    to.SetPhantom(3, kPhantom3V);   // off -> 3 V
    EXPECT_EQ(commission::InputsGettingPhantom(from, to), (std::vector<int>{1, 3, 4}));
    EXPECT_TRUE(commission::InputsGettingPhantom(to, from).empty());
}

TEST_F(Apply, AUnitThatFallsSilentHalfwayNamesTheStepAndIsNotVerified)
{
    auto unit = Plug(SimUnitKind::StandAlone);
    const UnitConfiguration current = Read(paths.back());
    UnitConfiguration wanted = current;
    for (auto& channel : wanted.channels)
        channel = {kModeMicrophone, 24, false, 24, true};
    SimFaults faults;
    faults.silent = true;
    faults.passFirst = 2;  // the first two channel records are accepted
    unit->SetFaults(faults);

    const auto outcome = ApplyConfiguration(protocol, current, wanted);

    EXPECT_EQ(outcome.failedStep, "channel 3");
    EXPECT_EQ(outcome.written, (std::vector<std::string>{"channel 1", "channel 2"}));
    EXPECT_FALSE(outcome.holds) << "a silent unit cannot be read back";
    EXPECT_FALSE(outcome.Succeeded());
}

TEST_F(Apply, AUnitWhoseChannelCannotBeReadGivesNoConfiguration)
{
    auto unit = Plug(SimUnitKind::Slave);
    ASSERT_TRUE(protocol.OpenUnitAt(paths.back(), true));
    SimFaults faults;
    faults.onlyFor = 0xF001;
    faults.silent = true;
    faults.passFirst = 1;
    unit->SetFaults(faults);
    unit->ClearLog();

    const auto outcome = commission::ReadConfiguration(protocol);

    EXPECT_FALSE(outcome.configuration);
    EXPECT_EQ(outcome.failedPart, "channel 2");
    EXPECT_TRUE(WritesIn(unit->Log()).empty());
}

TEST_F(Apply, TypesAUnitCannotTakeAreRefusedBeforeAnythingIsSent)
{
    UnitConfiguration standAlone;
    standAlone.type = kUnitStandAlone;
    standAlone.identity.protocolVersion = 22;
    UnitConfiguration fresh;
    fresh.type = kUnitNew;
    fresh.identity.protocolVersion = 12;
    UnitConfiguration master;
    master.type = kUnitMaster;

    EXPECT_TRUE(commission::WhyUnitCannotTake(standAlone, fresh).has_value()) << "a typed unit is never made new";
    EXPECT_TRUE(commission::WhyUnitCannotTake(fresh, master).has_value()) << "protocol 12 has no parameter pages";
    EXPECT_FALSE(commission::WhyUnitCannotTake(standAlone, master).has_value());
    EXPECT_FALSE(commission::WhyUnitCannotTake(fresh, fresh).has_value());
}

}  // namespace
}  // namespace vk::test
