// Telling a unit to store its settings, and what a power cycle leaves of an
// apply that was stored, left unstored or whose store failed.
#include "tests/commission/CommissionBed.h"

#include "commission/ConfigurationApplier.h"
#include "device/UnitStore.h"

namespace vk::test {
namespace {

using commission::ApplyConfiguration;
using commission::StoreAfterApply;
using commission::UnitConfiguration;
using Fault = SimTransactionFault;

class Store : public CommissionBed {};

// The unit never answers this command, however often it is sent.
SimFaults SilentFor(std::optional<uint16_t> code)
{
    SimFaults faults;
    faults.onlyFor = code;
    faults.silent = true;
    return faults;
}


struct StoreCase {
    const char* name;
    bool changed;  // a level was changed before: the unit has something to store
    std::optional<Fault> fault;
    std::optional<uint16_t> silentFor;  // this command is never answered, however often it is sent
    StoreResult::Kind kind;
    const char* failedStep;
    std::vector<uint16_t> received;  // the store's commands the unit saw
    bool keptAfterPowerCycle;        // the changed level survives a power cycle
};

TEST_F(Store, EveryAnswerOfTheStoreCounts)
{
    using K = StoreResult::Kind;
    const std::vector<StoreCase> cases = {
        {"stored", true, std::nullopt, std::nullopt, K::Stored, "", {0xB7FF, 0xB100, 0xB102}, true},
        {"bit 0 clear: nothing to store", false, std::nullopt, std::nullopt, K::NothingToStore, "", {0xB7FF}, true},
        {"0xB7FF unanswered", true, std::nullopt, 0xB7FF, K::Failed, "0xB7FF", {0xB7FF, 0xB7FF}, false},
        {"0xB100 rejected", true, Fault{Fault::Kind::Error, 1, 0xB100, 0}, std::nullopt, K::Failed, "0xB100",
         {0xB7FF, 0xB100, 0xB102}, true},  // 0xB102 keeps the levels
        {"0xB102 unanswered", true, std::nullopt, 0xB102, K::Failed, "0xB102", {0xB7FF, 0xB100, 0xB102, 0xB102},
         true},  // silent, but it stored them
        {"the unit leaves after 0xB7FF", true, Fault{Fault::Kind::Unplug, 1, 0xB100, 0}, std::nullopt, K::Failed, "0xB100",
         {0xB7FF, 0xB100}, false},
    };
    for (const StoreCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto unit = Plug(SimUnitKind::StandAlone);
        ASSERT_TRUE(protocol.OpenUnitAt(paths.back(), true));
        if (c.changed) {
            ASSERT_GE(protocol.SendShortCommand(0x5114), 0);  // speaker register 1 to 20
        }
        unit->ClearLog();
        unit->FailTransaction(c.fault);
        if (c.silentFor)
            unit->SetFaults(SilentFor(c.silentFor));

        const StoreResult result = StoreSettings(protocol);

        EXPECT_EQ(result.kind, c.kind);
        EXPECT_EQ(result.failedStep, c.failedStep);
        EXPECT_EQ(unit->LoggedCodes(), c.received);
        unit->Unplug();
        unit->PowerCycle();
        EXPECT_EQ(unit->State().levels.at(1), c.changed && c.keptAfterPowerCycle ? 20 : 12);
        protocol.CloseUnit();
    }
}

// The two roads of config apply: stored, the unit keeps the file over a power
// cycle; --no-store, it comes back as it was.
TEST_F(Store, AStoredApplySurvivesAPowerCycleAndAnUnstoredOneDoesNot)
{
    for (const StoreAfterApply store : {StoreAfterApply::Store, StoreAfterApply::Skip}) {
        const bool storing = store == StoreAfterApply::Store;
        SCOPED_TRACE(storing ? "store" : "no store");
        auto unit = Plug(SimUnitKind::StandAlone);
        const UnitConfiguration before = Read(paths.back());
        UnitConfiguration wanted = before;
        wanted.channels[2] = {kModeAuxiliary, 24, false, 18, true};
        wanted.SetGainStep(1, 5);
        wanted.SetLevel(1, 20);

        const auto outcome = ApplyConfiguration(protocol, before, wanted, store);
        EXPECT_TRUE(outcome.Succeeded()) << outcome.failedStep;
        EXPECT_EQ(outcome.stored, storing);
        const auto codes = unit->LoggedCodes();
        EXPECT_EQ(std::count(codes.begin(), codes.end(), 0xB7FF), storing ? 1 : 0);

        bus.Unplug(unit);
        unit->PowerCycle();
        const std::string path = bus.Plug(unit);
        EXPECT_TRUE((storing ? wanted : before).SameSettings(Read(path)));
        protocol.CloseUnit();
    }
}

// Read back equal but not stored is a failed step: the settings would not last.
TEST_F(Store, AnApplyWhoseStoreFailsFailsAtTheStore)
{
    auto unit = Plug(SimUnitKind::Master);
    const UnitConfiguration before = Read(paths.back());
    UnitConfiguration wanted = before;
    wanted.SetLevel(3, 4);
    unit->SetFaults(SilentFor(0xB7FF));

    const auto outcome = ApplyConfiguration(protocol, before, wanted);

    EXPECT_TRUE(outcome.verified);
    EXPECT_FALSE(outcome.stored);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.failedStep, "store (0xB7FF not confirmed)");
}

// An unchanged unit is not stored again; a failed write is not stored either.
TEST_F(Store, NothingIsStoredUnlessAnApplyWroteAndWasReadBackEqual)
{
    auto unit = Plug(SimUnitKind::StandAlone);
    const UnitConfiguration before = Read(paths.back());
    EXPECT_FALSE(ApplyConfiguration(protocol, before, before).stored);

    UnitConfiguration wanted = before;
    wanted.SetLevel(1, 20);
    unit->SetFaults(SilentFor(0x5114));
    const auto outcome = ApplyConfiguration(protocol, before, wanted);
    EXPECT_FALSE(outcome.failedStep.empty());
    const auto codes = unit->LoggedCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0xB7FF), 0);
}

}  // namespace
}  // namespace vk::test
