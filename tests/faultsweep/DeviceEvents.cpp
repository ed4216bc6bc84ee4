#include "DeviceEvents.h"

#include <sstream>

namespace vk::faultsweep {

namespace {

// (wait inside the event, wait after it before the road's next step): waits
// inside the device watch's 200 ms settle time and at a user's pace, in turn.
struct Waits {
    uint64_t inside;
    uint64_t after;
};
constexpr Waits kWaits[] = {{50, 150}, {150, 1000}, {1000, 50}, {4000, 12000}, {12000, 150}, {150, 0}, {6000, 2000}};

const char* const kUnitKinds[] = {"new", "stand-alone", "master", "slave"};

std::string Trimmed(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : line.substr(first);
}

bool IsStep(const std::string& line)
{
    const std::string t = Trimmed(line);
    return !t.empty() && t[0] != '#';
}

// The kind of the unit the road configures.
std::string KindOf(const Road& road, int unit)
{
    if (road.units == "master+slave")
        return unit == 1 ? "master" : "slave";
    return road.units;
}

int UnitsAtStart(const Road& road) { return road.units == "master+slave" ? 2 : 1; }

// Another kind than `kind`, chosen by `turn`.
std::string OtherKind(const std::string& kind, size_t turn)
{
    std::vector<std::string> others;
    for (const char* k : kUnitKinds)
        if (kind != k)
            others.emplace_back(k);
    return others[turn % others.size()];
}

std::string Wait(uint64_t ms) { return ms ? "wait " + std::to_string(ms) + "\n" : std::string(); }

// The event's steps, or empty when it does not apply.
std::string EventSteps(const std::string& kind, const Road& road, int configured, const Waits& w, size_t turn)
{
    const std::string c = std::to_string(configured);
    const int plugged = UnitsAtStart(road) + 1;  // the number a plugged unit gets
    if (kind.rfind("plug-", 0) == 0)
        return "plug " + kind.substr(5) + "\n";
    if (kind == "unplug")
        return "unplug " + c + "\n";
    if (kind == "unplug-bystander") {
        for (int unit = 1; unit <= UnitsAtStart(road); ++unit)
            if (unit != configured)
                return "unplug " + std::to_string(unit) + "\n";
        return "plug " + OtherKind(KindOf(road, configured), turn) + "\n" + Wait(w.inside) + "unplug " +
               std::to_string(plugged) + "\n";
    }
    if (kind == "replug")
        return "unplug " + c + "\n" + Wait(w.inside) + "replug " + c + "\n";
    if (kind == "swap")
        return "unplug " + c + "\n" + Wait(w.inside) + "plug " + OtherKind(KindOf(road, configured), turn) + "\n";
    if (kind == "swap-plug-first")
        return "plug " + OtherKind(KindOf(road, configured), turn) + "\n" + Wait(w.inside) + "unplug " + c + "\n";
    return {};
}

bool UsesInsideWait(const std::string& kind) { return kind.rfind("plug-", 0) != 0 && kind != "unplug"; }

}  // namespace

const std::vector<std::string>& EventKinds()
{
    static const std::vector<std::string> kinds = {"plug-new", "plug-stand-alone", "plug-master", "plug-slave",
                                                   "unplug",   "unplug-bystander", "replug",      "swap",
                                                   "swap-plug-first"};
    return kinds;
}

std::vector<EventRun> PlanEventRuns(const Road& road, int configuredUnit, const std::vector<std::string>& kinds)
{
    std::vector<std::string> lines;
    std::istringstream in(road.script);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    // The steps an event may follow: `start` and every step after it but `end`.
    std::vector<size_t> after;
    bool started = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string t = Trimmed(lines[i]);
        if (t == "end")
            break;
        started = started || t == "start";
        if (started && IsStep(lines[i]))
            after.push_back(i);
    }
    std::vector<EventRun> runs;
    for (size_t p = 0; p < after.size(); ++p) {
        for (size_t e = 0; e < kinds.size(); ++e) {
            const size_t turn = p + e;
            const Waits& w = kWaits[turn % std::size(kWaits)];
            const std::string event = EventSteps(kinds[e], road, configuredUnit, w, turn);
            if (event.empty())
                continue;
            std::string script;
            for (size_t i = 0; i <= after[p]; ++i)
                script += lines[i] + "\n";
            script += event + Wait(w.after);
            for (size_t i = after[p] + 1; i < lines.size(); ++i)
                if (Trimmed(lines[i]) != "end")
                    script += lines[i] + "\n";
            script += Wait(kSettleTailMs) + "end\n";
            EventRun run;
            run.what = kinds[e] + " after line " + std::to_string(after[p] + 1) + " (" + Trimmed(lines[after[p]]) + ")";
            run.road = Road{road.name, road.units, script};
            run.addedMs = (UsesInsideWait(kinds[e]) ? w.inside : 0) + w.after + kSettleTailMs;
            runs.push_back(std::move(run));
        }
    }
    return runs;
}

}  // namespace vk::faultsweep
