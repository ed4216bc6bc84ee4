// vk550-monkey: seeded random walks of a user (tests/faultsweep/MonkeyWalk.h)
// on the simulated stack, each judged by the invariants of every run.
//
//   vk550-monkey [--seed=N | --seeds=A-B] [--steps=M] [--units=KIND] [--show]
//   vk550-monkey --script=FILE.scn [--units=KIND] [--show]
//
// Without --units each seed picks its units (seed mod 5: new, stand-alone,
// master, slave, master+slave). --show prints every walk's script and
// transcript. A failing walk prints its whole script, runnable with
// `vk550-scenario --units=KIND`. --script judges a script of one's own (a
// reduced failure) the same way. Exit 0 when every walk holds every invariant.
#include "DeviceEvents.h"
#include "MonkeyWalk.h"
#include "SweepInvariants.h"
#include "SweepRun.h"

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace vk::faultsweep {
namespace {

struct Options {
    uint64_t first = 1;
    uint64_t last = 1;
    int steps = 60;
    std::string units;
    std::string script;  // a script to judge instead of walks
    bool show = false;
};

std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        static char none[] = "";
        char* end = none;
        if (a.rfind("--seed=", 0) == 0) {
            o.first = o.last = std::strtoull(a.c_str() + 7, &end, 10);
        } else if (a.rfind("--seeds=", 0) == 0) {
            o.first = std::strtoull(a.c_str() + 8, &end, 10);
            if (*end != '-')
                return std::nullopt;
            o.last = std::strtoull(end + 1, &end, 10);
        } else if (a.rfind("--steps=", 0) == 0) {
            o.steps = static_cast<int>(std::strtol(a.c_str() + 8, &end, 10));
        } else if (a.rfind("--units=", 0) == 0) {
            o.units = a.substr(8);
        } else if (a.rfind("--script=", 0) == 0) {
            o.script = a.substr(9);
        } else if (a == "--show") {
            o.show = true;
            continue;
        } else {
            return std::nullopt;
        }
        if (*end != '\0' || o.steps < 1 || o.steps > 10000 || o.last < o.first)
            return std::nullopt;
    }
    return o;
}

// The virtual time the walk means to take: its waits and its delayed answers.
uint64_t PlannedMs(const std::string& script)
{
    uint64_t ms = 0;
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("wait ", 0) == 0)
            ms += std::stoull(line.substr(5));
        else if (line.find(" delay ") != std::string::npos)
            ms += std::stoull(line.substr(line.rfind(' ') + 1));
    }
    return ms;
}

// The script up to the step that came after the wizard had ended, ended there.
std::string Reproduction(const std::string& script, const RunResult& run)
{
    if (!EndedByWizard(run))
        return script;
    const int stop = std::atoi(run.scriptError->c_str());  // "LINE: reason"
    std::istringstream in(script);
    std::string out;
    int number = 0;
    for (std::string line; std::getline(in, line) && ++number < stop;)
        out += line + "\n";
    return out + "end\n";
}

// Runs a script (a walk's or one given) and judges it; true when it holds.
bool Judge(const std::string& name, const std::string& units, const std::string& script, const Options& o)
{
    const RunResult run = RunRoad(Road{name, units, script}, std::nullopt);
    if (o.show) {
        std::printf("=== %s\n%s---\n", name.c_str(), script.c_str());
        for (const std::string& line : run.transcript)
            std::printf("%s\n", line.c_str());
    }
    const std::vector<Violation> violations = CheckWalk(run, PlannedMs(script));
    for (const Violation& v : violations)
        std::printf("FAIL %s (--units=%s): %s: %s\n", name.c_str(), units.c_str(), v.invariant.c_str(),
                    v.detail.c_str());
    if (!violations.empty())
        std::printf("--- script (vk550-scenario --units=%s)\n%s---\n", units.c_str(), Reproduction(script, run).c_str());
    std::printf("%s (--units=%s): %s, %.1f ms, %llu ms virtual\n", name.c_str(), units.c_str(),
                violations.empty() ? "clean" : "FAILED", run.realMs, static_cast<unsigned long long>(run.virtualMs));
    return violations.empty();
}

bool Walk(uint64_t seed, const Options& o)
{
    const std::string units = o.units.empty() ? MonkeyUnitsFor(seed) : o.units;
    return Judge("seed " + std::to_string(seed), units, MonkeyScript(seed, o.steps, units), o);
}

// A script file judged as a walk: its units from --units, else its "# options:" line.
bool JudgeFile(const Options& o)
{
    const auto road = LoadRoad(o.script);
    if (!road) {
        std::fprintf(stderr, "%s: cannot be read\n", o.script.c_str());
        return false;
    }
    return Judge(road->name, o.units.empty() ? road->units : o.units, road->script, o);
}

}  // namespace
}  // namespace vk::faultsweep

int main(int argc, char** argv)
{
    using namespace vk::faultsweep;
    const auto options = ParseOptions(argc, argv);
    const std::string kinds = " new stand-alone master slave master+slave ";
    if (!options || (!options->units.empty() && kinds.find(" " + options->units + " ") == std::string::npos)) {
        std::fprintf(stderr, "usage: vk550-monkey [--seed=N | --seeds=A-B] [--steps=M] [--units=KIND] [--show]\n"
                             "       vk550-monkey --script=FILE.scn [--units=KIND] [--show]\n");
        return 2;
    }
    if (!options->script.empty())
        return JudgeFile(*options) ? 0 : 1;
    bool ok = true;
    for (uint64_t seed = options->first; seed <= options->last; ++seed) {
        ok = Walk(seed, *options) && ok;
        if (seed == UINT64_MAX)
            break;
    }
    return ok ? 0 : 1;
}
