#include "SweepInvariants.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace vk::faultsweep {

namespace {

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// The identity a unit is typed by: product id, configuration word, USB name.
std::string TypeOf(const SimUnitState& s)
{
    std::ostringstream out;
    out << std::hex << "pid 0x" << s.Value(0, 2) << " config 0x" << s.Value(0, 10) << " name \"" << s.Text(0, 1) << '"';
    return out.str();
}

// What the wizard writes from what it read: stored line words, the slave address
// registers, the channel records.
std::string MemoryOf(const SimUnitState& s)
{
    std::ostringstream out;
    const auto [page, index] = s.StoredLinesPlace();
    out << std::hex << "lines";
    for (size_t e = 0; e < 2; ++e)
        out << " 0x" << s.Value(page, index, e);
    out << " address 0x" << (s.ports[3] << 8 | s.ports[2]);
    for (const SimChannel& c : s.channels)
        out << " [mode " << int(c.mode) << ' ' << int(c.values[0]) << (c.flags[0] ? "*" : "") << ' ' << int(c.values[1])
            << (c.flags[1] ? "*" : "") << ']';
    return out.str();
}

// A store the unit received and never answered, followed by the success page.
void CheckStore(const RunResult& run, std::vector<Violation>& out)
{
    std::map<std::string, bool> storePending;  // unit number -> a store still unanswered
    for (const std::string& line : run.transcript) {
        if (line.size() > 3 && line.substr(1, 2) == "> " && line.substr(3, 5) == "B7 FF")
            storePending[line.substr(0, 1)] = true;
        else if (line.size() > 3 && line.substr(1, 2) == "< " && line.substr(3, 2) == "B7")
            storePending[line.substr(0, 1)] = false;
        else if (line == "page 13")
            for (const auto& [unit, pending] : storePending)
                if (pending)
                    out.push_back({"success after a failed store", "unit " + unit + " never answered its store"});
    }
}

void CheckSettings(const RunResult& baseline, const RunResult& run, std::vector<Violation>& out)
{
    std::set<std::string> designed;
    for (const std::string& line : baseline.transcript)
        if (StartsWith(line, "setting \""))
            designed.insert(line);
    std::map<std::string, std::string> last;
    for (const std::string& line : run.transcript) {
        if (!StartsWith(line, "setting \""))
            continue;
        if (!designed.contains(line))
            out.push_back({"setting the road does not write", line});
        const size_t eq = line.find("\" = ");
        if (eq != std::string::npos)
            last[line.substr(9, eq - 9)] = line.substr(eq + 4);
    }
    for (const auto& [name, value] : run.settingsAfter)
        if (!value || *value != last[name])
            out.push_back({"settings file does not hold what was written", name});
}

}  // namespace

std::vector<Violation> CheckRun(const RunResult& baseline, const RunResult& run, const SweepFault& fault)
{
    std::vector<Violation> out;
    for (const std::string& line : run.transcript) {
        if (line == "stalled")
            out.push_back({"stalled", ""});
        if (StartsWith(line, "unknown command"))
            out.push_back({"unknown command", line});
    }
    const uint64_t delay = fault.fault.kind == SimTransactionFault::Kind::Delay ? fault.fault.value : 0;
    if (run.virtualMs > baseline.virtualMs + kLongestDesignedWaitMs + kVirtualMarginMs + delay)
        out.push_back({"virtual time", std::to_string(run.virtualMs) + " ms"});
    if (run.realMs > kRealBoundMs)
        out.push_back({"real time", std::to_string(static_cast<long>(run.realMs)) + " ms"});

    const size_t units = std::min({run.units.size(), run.unitsAtStart.size(), baseline.units.size()});
    for (size_t i = 0; i < units; ++i) {
        const SimUnitState& start = run.unitsAtStart[i];
        const SimUnitState& designed = baseline.units[i].state;
        const SimUnitState& end = run.units[i].state;
        const std::string n = "unit " + std::to_string(i + 1) + ": ";
        if (TypeOf(end) != TypeOf(start) && TypeOf(end) != TypeOf(designed))
            out.push_back({"unit type neither kept nor asked", n + TypeOf(end)});
        if (MemoryOf(end) != MemoryOf(start) && MemoryOf(end) != MemoryOf(designed))
            out.push_back({"unit memory neither kept nor asked", n + MemoryOf(end) + " (road: " + MemoryOf(designed) + ")"});
    }
    CheckStore(run, out);
    CheckSettings(baseline, run, out);
    return out;
}

}  // namespace vk::faultsweep
