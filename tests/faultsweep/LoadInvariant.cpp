// A configuration load the wizard calls applied, read back and stored has left
// every unit holding what the same load leaves without a fault, live and
// stored alike: a failed step is never called stored. An input's gain and
// supply are judged by what the lines say, not by their bits: a file's field
// equal to what the unit holds leaves the unit's own coding of it alone, and a
// fault on the pages before the load can leave another coding of the same value.
#include "SweepInvariants.h"

#include <algorithm>

#include "commission/UnitConfiguration.h"
#include "inputs/InputChannelCoding.h"

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
// The kept line words are left out: they are judged against the live lines.
SimStoredSettings ConfigurationPart(const SimUnitState& state, const SimStoredSettings& settings)
{
    SimStoredSettings part = settings;
    part.parameters.erase(state.StoredLinesPlace());
    part.levels.clear();
    for (const uint8_t reg : {1, 3, 4, 7})
        if (const auto it = settings.levels.find(reg); it != settings.levels.end())
            part.levels[reg] = it->second & 0x3F;
    return part;
}

PicLineWords LiveLines(const SimUnitState& state)
{
    return {static_cast<uint16_t>(state.picLines >> 16), static_cast<uint16_t>(state.picLines & 0xFFFF)};
}

PicLineWords KeptLines(const SimUnitState& state)
{
    const auto it = state.parameters.find(state.StoredLinesPlace());
    if (it == state.parameters.end() || it->second.size() < 2)
        return {};
    return {it->second[0], it->second[1]};
}

uint16_t AddressWord(const SimUnitState& state) { return static_cast<uint16_t>(state.ports[3] << 8 | state.ports[2]); }

// The same lines apart from the inputs' bits, and every input's gain and supply alike.
bool SameLines(const SimUnitState& a, const SimUnitState& b)
{
    const PicLineWords mask = commission::InputLineMask();
    const PicLineWords la = LiveLines(a);
    const PicLineWords lb = LiveLines(b);
    for (size_t w = 0; w < la.size(); ++w)
        if ((la[w] & ~mask[w]) != (lb[w] & ~mask[w]))
            return false;
    for (int c = 0; c < kInputChannels; ++c)
        if (DecodeGainStep(la, AddressWord(a), c) != DecodeGainStep(lb, AddressWord(b), c) ||
            DecodePhantom(la, c) != DecodePhantom(lb, c))
            return false;
    return true;
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
        const SimUnitState& faultless = baseline.units[i].state;
        if (ConfigurationPart(state, state.LiveSettings()) != ConfigurationPart(faultless, faultless.LiveSettings()) ||
            !SameLines(state, faultless))
            out.push_back({"load called stored but the unit holds other settings", unit});
        else if (ConfigurationPart(state, state.stored) != ConfigurationPart(state, state.LiveSettings()) ||
                 KeptLines(state) != LiveLines(state))
            out.push_back({"load called stored but the unit did not store", unit});
    }
}

}  // namespace vk::faultsweep
