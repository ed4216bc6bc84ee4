// A configuration load the wizard calls applied, read back and stored has left
// every unit holding what the same load leaves without a fault, live and
// stored alike: a failed step is never called stored.
#include "SweepInvariants.h"

#include <algorithm>

namespace vk::faultsweep {

namespace {

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

bool LoadCalledStored(const RunResult& run)
{
    for (const std::string& line : run.transcript)
        if (StartsWith(line, "box information \"Unit configuration file\" \"Loading ") &&
            line.find("read back and stored in the unit.") != std::string::npos)
            return true;
    return false;
}

// What a configuration covers: the parameter pages, the channel records, the
// address word and the levels (bits 0..5) of registers 1, 3, 4 and 7. The
// other registers belong to the pages' tests, which go their own way in a
// faulty run.
SimStoredSettings ConfigurationPart(const SimStoredSettings& settings)
{
    SimStoredSettings part = settings;
    part.levels.clear();
    for (const uint8_t reg : {1, 3, 4, 7})
        if (const auto it = settings.levels.find(reg); it != settings.levels.end())
            part.levels[reg] = it->second & 0x3F;
    return part;
}

}  // namespace

void CheckLoad(const RunResult& baseline, const RunResult& run, std::vector<Violation>& out)
{
    if (!LoadCalledStored(run))
        return;
    const size_t units = std::min(run.units.size(), baseline.units.size());
    for (size_t i = 0; i < units; ++i) {
        if (!run.units[i].present || !baseline.units[i].present)
            continue;
        const SimUnitState& state = run.units[i].state;
        const std::string unit = "unit " + std::to_string(i + 1);
        if (ConfigurationPart(state.LiveSettings()) != ConfigurationPart(baseline.units[i].state.LiveSettings()))
            out.push_back({"load called stored but the unit holds other settings", unit});
        else if (ConfigurationPart(state.stored) != ConfigurationPart(state.LiveSettings()))
            out.push_back({"load called stored but the unit did not store", unit});
    }
}

}  // namespace vk::faultsweep
