// vk550-faultsweep: runs each road once per (transaction K, fault kind) on the
// simulated stack and checks the invariants of every run.
//
//   vk550-faultsweep [--kinds=silent,error,echo,delay,unplug] [--stride=S] [--offset=O] [--table]
//                    [--real=VK550_SCENARIO] ROAD.scn...
//
// --real runs every run with the given vk550-scenario on the real stack (one
// process a run, only the transcript's invariants).
//
// K runs over every command each unit of the road receives when the road runs
// without faults (with --stride, every S-th from O+1). Exit 0 when every run
// holds every invariant or breaks only known ones; 1 otherwise.
#include "KnownFaults.h"
#include "SweepInvariants.h"
#include "SweepRun.h"

#include "sim/unit/SimCommands.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace vk::faultsweep {
namespace {

struct Options {
    std::vector<SimTransactionFault::Kind> kinds;
    int stride = 1;
    int offset = 0;
    bool table = false;
    std::string realStack;  // the scenario program, to run on the real stack
    std::vector<std::string> roads;
};

constexpr uint32_t kErrorNumber = 0xFD;  // "no such index"
constexpr uint32_t kDelayMs = 1500;      // past the host's 1000 ms time-out

std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--kinds=", 0) == 0) {
            std::stringstream list(a.substr(8));
            std::string name;
            while (std::getline(list, name, ',')) {
                const auto kind = FaultKindNamed(name);
                if (!kind)
                    return std::nullopt;
                o.kinds.push_back(*kind);
            }
        } else if (a.rfind("--stride=", 0) == 0) {
            o.stride = std::max(1, std::atoi(a.c_str() + 9));
        } else if (a.rfind("--offset=", 0) == 0) {
            o.offset = std::max(0, std::atoi(a.c_str() + 9));
        } else if (a.rfind("--real=", 0) == 0) {
            o.realStack = a.substr(7);
        } else if (a == "--table") {
            o.table = true;
        } else if (a.rfind("--", 0) == 0) {
            return std::nullopt;
        } else {
            o.roads.push_back(a);
        }
    }
    if (o.kinds.empty())
        for (const char* name : {"silent", "error", "echo", "delay", "unplug"})
            o.kinds.push_back(*FaultKindNamed(name));
    return o;
}

// Per road, what the runs showed.
struct RoadSummary {
    std::string name;
    std::string transactions;  // per unit
    int runs = 0;
    int clean = 0;
    std::set<std::string> kinds;
    std::map<std::string, int> known;  // "why: invariant" -> runs
    std::map<std::string, int> found;  // "invariant (kind, command)" -> runs
    double realMs = 0;
    double baselineMs = 0;
};

std::string CommandClass(const std::string& command) { return command.substr(0, 5); }

bool RepeatsBytes(const std::string& command)
{
    if (command.rfind("F0 ", 0) != 0 || command.size() < 5)
        return false;
    return !SimEchoedBytes(static_cast<uint8_t>(std::stoi(command.substr(3, 2), nullptr, 16))).empty();
}

RoadSummary Sweep(const std::string& path, const Options& o, bool& failed)
{
    RoadSummary summary;
    const auto road = LoadRoad(path);
    if (!road) {
        std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
        failed = true;
        return summary;
    }
    summary.name = road->name;
    const auto run = [&](const std::optional<SweepFault>& fault) {
        return o.realStack.empty() ? RunRoad(*road, fault) : RunRoadOnRealStack(o.realStack, *road, fault);
    };
    const RunResult baseline = run(std::nullopt);
    summary.baselineMs = baseline.realMs;
    const std::vector<Violation> own = CheckRun(baseline, baseline, {});
    if (baseline.exitCode == 2 || !own.empty()) {
        std::fprintf(stderr, "%s: the road fails without a fault (%s)\n", road->name.c_str(),
                     baseline.scriptError.value_or(own.empty() ? "" : own.front().invariant + ": " + own.front().detail).c_str());
        failed = true;
        return summary;
    }
    for (int unit = 1; unit <= UnitsOf(baseline); ++unit) {
        const std::vector<std::string> commands = CommandsOf(baseline, unit);
        summary.transactions += (summary.transactions.empty() ? "" : " + ") + std::to_string(commands.size());
        for (const SimTransactionFault::Kind kind : o.kinds) {
            for (size_t k = static_cast<size_t>(o.offset) + 1; k <= commands.size(); k += static_cast<size_t>(o.stride)) {
                const std::string& command = commands[k - 1];
                // A short answer repeats nothing, nor do some long ones: a wrong
                // echo leaves them as they are.
                if (kind == SimTransactionFault::Kind::Echo && !RepeatsBytes(command))
                    continue;
                SweepFault fault{unit, {kind, static_cast<uint32_t>(k), {}, 0}};
                if (kind == SimTransactionFault::Kind::Error)
                    fault.fault.value = kErrorNumber;
                if (kind == SimTransactionFault::Kind::Delay)
                    fault.fault.value = kDelayMs;
                const RunResult result = run(fault);
                ++summary.runs;
                summary.realMs += result.realMs;
                summary.kinds.insert(FaultKindName(kind));
                const std::vector<Violation> violations = CheckRun(baseline, result, fault);
                bool fresh = false;
                for (const Violation& v : violations) {
                    const std::string kindName = FaultKindName(kind);
                    if (const KnownFault* known = FindKnown(road->name, kindName, command, v.invariant)) {
                        ++summary.known[std::string(known->why) + ": " + v.invariant];
                        continue;
                    }
                    fresh = true;
                    ++summary.found[v.invariant + " (" + kindName + " at " + CommandClass(command) + ")"];
                    if (!o.table)
                        std::printf("FAIL %s: %s at %zu (%s): %s: %s\n  repro: (echo '%s'; grep -v '^expect' %s) | "
                                    "vk550-scenario%s --units=%s\n",
                                    road->name.c_str(), kindName.c_str(), k, command.c_str(), v.invariant.c_str(),
                                    v.detail.c_str(), FaultStep(fault).c_str(), path.c_str(),
                                    o.realStack.empty() ? "" : " --stack=real", road->units.c_str());
                }
                if (violations.empty())
                    ++summary.clean;
                failed = failed || fresh;
            }
        }
    }
    return summary;
}

std::string Join(const std::set<std::string>& items)
{
    std::string out;
    for (const std::string& s : items)
        out += (out.empty() ? "" : ", ") + s;
    return out;
}

std::string Shown(const std::map<std::string, int>& counts)
{
    std::string out;
    for (const auto& [what, runs] : counts)
        out += (out.empty() ? "" : "; ") + what + " (" + std::to_string(runs) + " runs)";
    return out;
}

}  // namespace
}  // namespace vk::faultsweep

int main(int argc, char** argv)
{
    using namespace vk::faultsweep;
    const auto options = ParseOptions(argc, argv);
    if (!options || options->roads.empty()) {
        std::fprintf(stderr, "usage: vk550-faultsweep [--kinds=silent,error,echo,delay,unplug] [--stride=S] [--offset=O] "
                             "[--table] [--real=VK550_SCENARIO] ROAD.scn...\n");
        return 2;
    }
    bool failed = false;
    std::vector<RoadSummary> summaries;
    for (const std::string& road : options->roads)
        summaries.push_back(Sweep(road, *options, failed));
    if (options->table) {
        std::printf("| Road | Transactions | Runs | Fault kinds | Clean runs | Known faults | New faults |\n");
        std::printf("|---|---|---|---|---|---|---|\n");
        for (const RoadSummary& s : summaries)
            std::printf("| %s | %s | %d | %s | %d | %s | %s |\n", s.name.c_str(), s.transactions.c_str(), s.runs,
                        Join(s.kinds).c_str(), s.clean, Shown(s.known).c_str(), Shown(s.found).c_str());
    } else {
        for (const RoadSummary& s : summaries) {
            std::printf("%s: %s transactions, %d runs, %d clean", s.name.c_str(), s.transactions.c_str(), s.runs, s.clean);
            if (!s.known.empty())
                std::printf("; known: %s", Shown(s.known).c_str());
            if (s.runs > 0)
                std::printf("; %.1f ms a run, %.1f ms the road without faults", s.realMs / s.runs, s.baselineMs);
            std::printf("\n");
        }
    }
    return failed ? 1 : 0;
}
