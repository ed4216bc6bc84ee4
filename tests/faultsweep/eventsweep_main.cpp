// vk550-eventsweep: runs each road once per (step, device event) on the
// simulated stack and checks the invariants of every run.
//
//   vk550-eventsweep [--events=plug-new,...] [--stride=S] [--offset=O] [--show] ROAD.scn...
//
// After every step of the road from `start` on, one event: a unit of each kind
// plugged, the configured unit unplugged, a bystander unplugged, the configured
// unit replugged, or swapped for another kind (either order); the waits around
// it alternate between the device watch's settle time and a user's pace.
// --stride runs every S-th run from O+1 (sanitizer builds). --show prints each
// run's transcript. A failing run prints its whole script, runnable with
// `vk550-scenario --units=KIND`. Exit 0 when every run holds every invariant.
#include "DeviceEvents.h"
#include "SweepInvariants.h"
#include "SweepRun.h"

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace vk::faultsweep {
namespace {

struct Options {
    std::vector<std::string> events;
    int stride = 1;
    int offset = 0;
    bool show = false;
    std::vector<std::string> roads;
};

std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--events=", 0) == 0) {
            std::stringstream list(a.substr(9));
            for (std::string name; std::getline(list, name, ',');) {
                bool known = false;
                for (const std::string& k : EventKinds())
                    known = known || k == name;
                if (!known)
                    return std::nullopt;
                o.events.push_back(name);
            }
        } else if (a.rfind("--stride=", 0) == 0) {
            o.stride = std::max(1, std::atoi(a.c_str() + 9));
        } else if (a.rfind("--offset=", 0) == 0) {
            o.offset = std::max(0, std::atoi(a.c_str() + 9));
        } else if (a == "--show") {
            o.show = true;
        } else if (a.rfind("--", 0) == 0) {
            return std::nullopt;
        } else {
            o.roads.push_back(a);
        }
    }
    if (o.events.empty())
        o.events = EventKinds();
    return o;
}

bool Sweep(const std::string& path, const Options& o)
{
    const auto road = LoadRoad(path);
    if (!road) {
        std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
        return false;
    }
    const RunResult baseline = RunRoad(*road, std::nullopt);
    const std::vector<Violation> own = CheckWalk(baseline, baseline.virtualMs);
    const int configured = FirstPinnedUnit(baseline);
    if (baseline.exitCode != 0 || !own.empty() || configured == 0) {
        std::fprintf(stderr, "%s: the road fails without an event (%s)\n", road->name.c_str(),
                     own.empty() ? "no unit pinned" : (own.front().invariant + ": " + own.front().detail).c_str());
        return false;
    }
    const std::vector<EventRun> runs = PlanEventRuns(*road, configured, o.events);
    int done = 0;
    int clean = 0;
    double realMs = 0;
    std::set<std::string> shown;  // each invariant's first failure shows its script
    for (size_t i = static_cast<size_t>(o.offset); i < runs.size(); i += static_cast<size_t>(o.stride)) {
        const EventRun& run = runs[i];
        const RunResult result = RunRoad(run.road, std::nullopt);
        ++done;
        realMs += result.realMs;
        if (o.show) {
            std::printf("=== %s: %s\n", road->name.c_str(), run.what.c_str());
            for (const std::string& line : result.transcript)
                std::printf("%s\n", line.c_str());
        }
        const std::vector<Violation> violations = CheckWalk(result, baseline.virtualMs + run.addedMs);
        if (violations.empty()) {
            ++clean;
            continue;
        }
        for (const Violation& v : violations)
            std::printf("FAIL %s: %s: %s: %s\n", road->name.c_str(), run.what.c_str(), v.invariant.c_str(),
                        v.detail.c_str());
        if (shown.insert(violations.front().invariant + run.what.substr(0, run.what.find(' '))).second)
            std::printf("--- script (vk550-scenario --units=%s)\n%s---\n", road->units.c_str(), run.road.script.c_str());
    }
    std::printf("%s: %zu events planned, %d runs, %d clean; %.1f ms a run, %.1f ms the road without events\n",
                road->name.c_str(), runs.size(), done, clean, done ? realMs / done : 0.0, baseline.realMs);
    return clean == done;
}

}  // namespace
}  // namespace vk::faultsweep

int main(int argc, char** argv)
{
    using namespace vk::faultsweep;
    const auto options = ParseOptions(argc, argv);
    if (!options || options->roads.empty()) {
        std::fprintf(stderr, "usage: vk550-eventsweep [--events=KIND,...] [--stride=S] [--offset=O] [--show] ROAD.scn...\n");
        return 2;
    }
    bool ok = true;
    for (const std::string& road : options->roads)
        ok = Sweep(road, *options) && ok;
    return ok ? 0 : 1;
}
