// The dry run is the apply itself, run against a simulated unit that holds
// what the real unit was read to hold: its commands are the real apply's, byte
// for byte, for every pair of types and for edited configurations.
#include "tests/commission/CommissionBed.h"

#include <cstdio>
#include <functional>

#include "commission/ConfigurationApplier.h"
#include "device/UnitTypes.h"
#include "tools/vk550ctl/ConfigDryRun.h"

namespace vk::test {
namespace {

using commission::UnitConfiguration;

// "F0 0C 00 00 0A 00 C0 0B" for every command the unit received.
std::vector<std::string> ReceivedBytes(const CSimUnit& unit)
{
    std::vector<std::string> lines;
    for (const auto& command : unit.Log()) {
        const auto& b = command.bytes;
        char text[32];
        std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X %02X %02X", b[0], b[1], b[2], b[3], b[4], b[5],
                      b[6], b[7]);
        lines.emplace_back(text);
    }
    return lines;
}

// The bytes of the dry run's "sent" lines. The reset goes out without a
// transaction: the viewer shows it as its "Reset Device" text line.
std::vector<std::string> SentBytes(const std::vector<std::string>& commands)
{
    const std::string reset = "Reset Device";
    std::vector<std::string> lines;
    for (const std::string& line : commands)
        if (line.find("  sent  ") != std::string::npos)
            lines.push_back(line.substr(line.size() - 23));
        else if (line.ends_with(reset))
            lines.emplace_back("06 66 00 00 00 00 00 00");
    return lines;
}

// Where two command lists part, with the commands there; empty when equal.
std::string FirstDifference(const std::vector<std::string>& dry, const std::vector<std::string>& real)
{
    size_t i = 0;
    while (i < dry.size() && i < real.size() && dry[i] == real[i])
        ++i;
    if (i == dry.size() && i == real.size())
        return {};
    const auto at = [&](const std::vector<std::string>& v) { return i < v.size() ? v[i] : std::string("(end)"); };
    return "command " + std::to_string(i + 1) + ": dry run " + at(dry) + ", apply " + at(real);
}

struct Edit {
    const char* name;
    std::function<void(UnitConfiguration&)> apply;
};

const Edit kEdits[] = {
    {"as saved", [](UnitConfiguration&) {}},
    {"input types", [](UnitConfiguration& u) {
         u.channels[0].mode = kModeAuxiliary;
         u.channels[1].mode = kModeNotUsed;
         u.channels[2].mode = kModeReinforcement;
     }},
    {"gain and phantom", [](UnitConfiguration& u) {
         u.SetGainStep(0, 6);
         u.SetPhantom(0, kPhantom24V);
         u.SetGainStep(3, 1);
     }},
    {"levels", [](UnitConfiguration& u) {
         u.SetLevel(1, 20);
         for (const int reg : {3, 4, 7})
             u.SetLevel(reg, 9);
     }},
    {"levels apart", [](UnitConfiguration& u) { u.SetLevel(7, 2); }},
    {"items", [](UnitConfiguration& u) {
         u.channels[3].localLevel = 7;
         u.channels[3].localMute = false;
         u.channels[2].mute = true;
     }},
};

class DryRun : public CommissionBed {};

TEST_F(DryRun, SendsWhatTheApplySendsForEveryPairOfTypesAndEdit)
{
    const SimUnitKind kinds[] = {SimUnitKind::New, SimUnitKind::StandAlone, SimUnitKind::Master, SimUnitKind::Slave};
    for (const SimUnitKind target : kinds) {
        Plug(target);
        const UnitConfiguration targetConfig = Read(paths.back());
        for (const SimUnitKind source : kinds) {
            for (const Edit& edit : kEdits) {
                UnitConfiguration wanted = targetConfig;
                edit.apply(wanted);
                auto unit = Plug(source);
                const UnitConfiguration current = Read(paths.back());
                if (commission::WhyUnitCannotTake(current, wanted))
                    continue;  // a typed unit cannot be made new again: nothing is sent either way
                SCOPED_TRACE(std::string(UnitTypeRow(static_cast<int>(source)).typeName) + " -> " +
                             UnitTypeRow(static_cast<int>(target)).typeName + ", " + edit.name);

                const ctl::DryRunResult dry =
                    ctl::DryRunApply(current, wanted, commission::StoreAfterApply::Store);
                unit->ClearLog();
                const auto real = commission::ApplyConfiguration(protocol, current, wanted);

                EXPECT_EQ(FirstDifference(SentBytes(dry.commands), ReceivedBytes(*unit)), "");
                EXPECT_EQ(dry.outcome.Succeeded(), real.Succeeded()) << real.failedStep;
                EXPECT_EQ(dry.outcome.written, real.written);
                protocol.CloseUnit();
            }
        }
    }
}

}  // namespace
}  // namespace vk::test
