// The commissioning apply swept: for pairs of source and target types, every
// transaction the apply makes meets each kind of fault once. Whatever happens,
// an apply that says it succeeded left the unit holding, live and stored, what
// the faultless apply leaves; a store follows only a read-back compared equal;
// a refused identity leaves the old flags word and no reset; and nothing is
// written from a read that failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "commission/ConfigurationApplier.h"
#include "commission/ConfigurationReader.h"
#include "device/HIDProtocol.h"
#include "device/UnitTypes.h"
#include "platform/clock/Clock.h"
#include "sim/hid/SimHidBus.h"
#include "sim/unit/SimUnit.h"

namespace vk::faultsweep {
namespace {

using commission::UnitConfiguration;
using Kind = SimTransactionFault::Kind;

// What a configuration covers: parameters, channel records, address word and
// the levels (bits 0..5) of registers 1, 3, 4 and 7.
SimStoredSettings ConfigurationPart(const SimStoredSettings& settings)
{
    SimStoredSettings part = settings;
    part.levels.clear();
    for (const uint8_t reg : {1, 3, 4, 7})
        if (const auto it = settings.levels.find(reg); it != settings.levels.end())
            part.levels[reg] = it->second & 0x3F;
    return part;
}

bool IsLineOrChannelRead(const SimLoggedCommand& c)
{
    return (c.IsLong() && (c.bytes[1] == 0x11 || c.bytes[1] == 0x01)) || c.Code() == 0x34FF || c.Code() == 0x36FF;
}

bool IsLineOrChannelWrite(const SimLoggedCommand& c)
{
    return (c.IsLong() && (c.bytes[1] == 0x10 || c.bytes[1] == 0x00)) || (c.Code() >> 8) == 0x25;
}

struct Pair {
    SimUnitKind source;
    SimUnitKind target;
};

class ApplySweep : public ::testing::Test {
protected:
    void SetUp() override { SetClock(&m_clock); }
    void TearDown() override { SetClock(nullptr); }

    struct Run {
        commission::ApplyOutcome outcome;
        std::shared_ptr<CSimUnit> unit;
        SimUnitState start;
    };

    // The target type's configuration with edits a technician makes.
    UnitConfiguration Wanted(SimUnitKind target)
    {
        CSimHidBus bus;
        const std::string path = bus.Plug(std::make_shared<CSimUnit>(DefaultSimUnitState(target, 7)));
        CHIDProtocol protocol(bus);
        EXPECT_TRUE(protocol.OpenUnitAt(path, true));
        UnitConfiguration wanted = commission::ReadConfiguration(protocol).configuration.value_or(UnitConfiguration{});
        wanted.channels[2].mode = kModeAuxiliary;
        wanted.SetGainStep(0, 5);
        wanted.SetLevel(1, 20);
        for (const int reg : {3, 4, 7})
            wanted.SetLevel(reg, 9);
        return wanted;
    }

    Run Apply(SimUnitKind source, const UnitConfiguration& wanted, std::optional<SimTransactionFault> fault)
    {
        CSimHidBus bus;
        Run run;
        run.unit = std::make_shared<CSimUnit>(DefaultSimUnitState(source));
        const std::string path = bus.Plug(run.unit);
        CHIDProtocol protocol(bus);
        EXPECT_TRUE(protocol.OpenUnitAt(path, true));
        const auto current = commission::ReadConfiguration(protocol).configuration;
        EXPECT_TRUE(current);
        run.start = run.unit->State();
        run.unit->ClearLog();
        run.unit->FailTransaction(fault);
        run.outcome = commission::ApplyConfiguration(protocol, *current, wanted);
        return run;
    }

    CVirtualClock m_clock;
};

TEST_F(ApplySweep, EveryTransactionMeetsEveryKindOfFault)
{
    const Pair pairs[] = {
        {SimUnitKind::New, SimUnitKind::StandAlone},       {SimUnitKind::Master, SimUnitKind::StandAlone},
        {SimUnitKind::StandAlone, SimUnitKind::Master},    {SimUnitKind::Slave, SimUnitKind::Master},
        {SimUnitKind::StandAlone, SimUnitKind::StandAlone}, {SimUnitKind::Master, SimUnitKind::Slave},
    };
    const Kind kinds[] = {Kind::Silent, Kind::Error, Kind::Echo, Kind::Delay, Kind::Unplug};
    for (const Pair& pair : pairs) {
        const UnitConfiguration wanted = Wanted(pair.target);
        const Run clean = Apply(pair.source, wanted, std::nullopt);
        ASSERT_TRUE(clean.outcome.Succeeded()) << clean.outcome.failedStep;
        const SimStoredSettings end = ConfigurationPart(clean.unit->State().LiveSettings());
        const size_t transactions = clean.unit->Log().size();
        for (const Kind kind : kinds) {
            for (size_t k = 1; k <= transactions; ++k) {
                const uint32_t value = kind == Kind::Error ? 0xFB : kind == Kind::Delay ? 3000 : 0;
                const Run run = Apply(pair.source, wanted, SimTransactionFault{kind, static_cast<uint32_t>(k), {}, value});
                const SimUnitState state = run.unit->State();
                const auto& log = run.unit->Log();
                SCOPED_TRACE(std::string(UnitTypeRow(static_cast<int>(pair.source)).typeName) + " -> " +
                             UnitTypeRow(static_cast<int>(pair.target)).typeName + ", kind " +
                             std::to_string(static_cast<int>(kind)) + " at " + std::to_string(k) + ", failed: " +
                             run.outcome.failedStep);

                if (run.outcome.Succeeded()) {
                    EXPECT_EQ(ConfigurationPart(state.LiveSettings()), end) << "called verified, holds other settings";
                    EXPECT_EQ(ConfigurationPart(state.stored), ConfigurationPart(state.LiveSettings()))
                        << "called verified, not stored";
                }
                const auto store = std::find_if(log.begin(), log.end(), [](const auto& c) { return c.Code() == 0xB7FF; });
                if (store != log.end()) {
                    EXPECT_TRUE(run.outcome.verified) << "a store without a read-back compared equal";
                }
                const std::string& failed = run.outcome.failedStep;
                const bool identityRefused =
                    failed.find("(device name") != std::string::npos || failed.find("(product id") != std::string::npos;
                if (identityRefused && kind != Kind::Unplug) {
                    EXPECT_EQ(state.Value(0, 10), run.start.Value(0, 10)) << "the old flags word is not back";
                    EXPECT_EQ(state.productId, run.start.productId) << "reset after a refused identity";
                }
                // A silent or rejected read certainly failed (an echo fault has no
                // bytes to spoil in some answers, and the protocol waits out a delay).
                const bool readFailed = kind == Kind::Silent || kind == Kind::Error;
                if (readFailed && k <= log.size() && IsLineOrChannelRead(log[k - 1])) {
                    for (size_t i = k; i < log.size() && log[i].Code() != log[k - 1].Code(); ++i) {
                        EXPECT_FALSE(IsLineOrChannelWrite(log[i])) << "a write after its read failed, at " << i + 1 << ": " << std::hex << log[k - 1].Code() << " then "
                            << log[i].Code();
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace vk::faultsweep
