#pragma once
// One run of a road on the simulated stack, in this process, with at most one
// transaction fault armed before the wizard starts; what the run left behind,
// for the invariants to look at.

#include "Script.h"
#include "sim/unit/SimUnit.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vk::faultsweep {

struct Road {
    std::string name;    // the script's file name without .scn
    std::string units;   // --units of its "# options:" line, "new" without one
    std::string script;  // the script without its expect steps (a faulty run goes its own way)
};

// A road read from its file; nullopt when it cannot be read.
[[nodiscard]] std::optional<Road> LoadRoad(const std::string& path);

struct SweepFault {
    int unit = 1;
    SimTransactionFault fault;
};

// The scenario step that arms the fault, as a developer would write it.
[[nodiscard]] std::string FaultStep(const SweepFault& fault);
// The kinds of fault the sweep tries, by name: silent, error, echo, delay, unplug.
[[nodiscard]] std::optional<SimTransactionFault::Kind> FaultKindNamed(const std::string& name);
[[nodiscard]] std::string FaultKindName(SimTransactionFault::Kind kind);

struct UnitEnd {
    SimUnitState state;
    bool present = false;
};

struct RunResult {
    int exitCode = 0;
    std::optional<std::string> scriptError;
    std::vector<std::string> transcript;
    std::vector<UnitEnd> units;  // unit 1 first
    std::vector<SimUnitState> unitsAtStart;
    uint64_t virtualMs = 0;      // the virtual time the run took
    double realMs = 0;
    // The program key's values as a fresh look at the settings file finds them,
    // for every name the run wrote; nullopt where the file does not hold it.
    std::vector<std::pair<std::string, std::optional<std::string>>> settingsAfter;
    bool faultFired = true;
};

// On the simulated stack, in this process.
[[nodiscard]] RunResult RunRoad(const Road& road, const std::optional<SweepFault>& fault);
// On the real stack: the scenario program (`vk550-scenario`) is run with
// --stack=real, one process a run; only its transcript is known (no unit
// states, no settings file), and its time is real time.
[[nodiscard]] RunResult RunRoadOnRealStack(const std::string& program, const Road& road,
                                           const std::optional<SweepFault>& fault);

// The units of a run: those whose states it has, or else those its transcript
// shows commands for (a run on the real stack).
[[nodiscard]] int UnitsOf(const RunResult& run);
// The commands unit `unit` received in a run (its "N> " lines), in order.
[[nodiscard]] std::vector<std::string> CommandsOf(const RunResult& run, int unit);

}  // namespace vk::faultsweep
