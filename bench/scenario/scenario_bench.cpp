// A whole wizard session replayed by the scenario runner on the virtual clock
// (resets, waits and time-outs cost no real time), against the same number of
// bare round trips through the simulated bus, timed in the same loop. The ratio
// says what the wizard, the dialog framework and the runner add on top of the
// unit traffic; the session itself must stay well under 1 s of real time.
#include "ScenarioRunner.h"
#include "Script.h"
#include "sim/hid/SimHidBus.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace vk::scenario {
namespace {

using Steady = std::chrono::steady_clock;

// A new unit made a Stand Alone unit (type written, reset, re-enumeration, its
// sound card back), then the speaker page, the inputs page, the output page
// with the engine listening for two seconds, the finished page and "Exit >".
constexpr const char* kStandAloneSession = R"(
start
click 1022
click 1003
click 1003
click 1003
wait 2000
click 1003
click 1003
)";

struct Session {
    std::vector<Step> steps;
    size_t transactions = 0;
};

Session Prepare()
{
    Session session;
    size_t commands = 0;
    {
        CScenarioRunner runner({}, [&commands](const std::string& line) {
            if (line.size() > 2 && line[1] == '>')
                ++commands;
        });
        const ParsedScript parsed = ParseScript(kStandAloneSession, runner.InitialUnits());
        session.steps = parsed.steps;
        std::optional<ScriptError> error;
        (void)runner.Run(session.steps, error);
    }
    session.transactions = commands;
    return session;
}

struct RawLink {
    CSimHidBus bus;
    std::string path = bus.Plug(std::make_shared<CSimUnit>(SimUnitKind::StandAlone));
    std::unique_ptr<IHidInterface> write = bus.Open(path, {false, true, false, false});
    std::unique_ptr<IHidInterface> read = bus.Open(path, {true, false, true, false});
    std::vector<uint8_t> report = std::vector<uint8_t>(9);

    void RoundTrips(size_t n)
    {
        for (size_t i = 0; i < n; ++i) {
            std::fill(report.begin(), report.end(), 0);
            report[1] = 0xF0;
            report[2] = 0x0D;
            report[5] = 10;
            (void)write->WriteReport(report);
            (void)read->ReadReport(report, 1000);
        }
    }
};

// Arg 0: the runner's private folder in the system's temporary folder (as the
// tool runs); arg 1: in /dev/shm, which leaves out the disk's latency for the
// settings file's synchronous writes.
void BM_StandAloneSession(benchmark::State& state)
{
    const Session session = Prepare();
    RunnerOptions options;
    const std::filesystem::path shm = "/dev/shm/vk550-scenario-bench";
    if (state.range(0) == 1)
        options.configDir = shm;
    Steady::duration scenario{}, baseline{};
    for (auto _ : state) {
        const auto t0 = Steady::now();
        {
            CScenarioRunner runner(options, [](const std::string&) {});
            std::optional<ScriptError> error;
            benchmark::DoNotOptimize(runner.Run(session.steps, error));
        }
        if (options.configDir) {
            // Each session starts without settings, as in a private folder.
            std::error_code ec;
            std::filesystem::remove_all(*options.configDir, ec);
        }
        const auto t1 = Steady::now();
        {
            RawLink link;
            link.RoundTrips(session.transactions);
        }
        const auto t2 = Steady::now();
        scenario += t1 - t0;
        baseline += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    const double scenarioMs = std::chrono::duration<double, std::milli>(scenario).count() / n;
    const double baselineMs = std::chrono::duration<double, std::milli>(baseline).count() / n;
    state.counters["transactions"] = static_cast<double>(session.transactions);
    state.counters["session_ms"] = scenarioMs;
    state.counters["bare_transactions_ms"] = baselineMs;
    state.counters["ratio"] = baselineMs > 0 ? scenarioMs / baselineMs : 0;
    state.counters["share_of_1s_pct"] = scenarioMs / 1000.0 * 100.0;
    std::error_code ec;
    std::filesystem::remove_all(shm, ec);
}
BENCHMARK(BM_StandAloneSession)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vk::scenario

BENCHMARK_MAIN();
