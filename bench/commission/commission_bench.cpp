// Cost of reading a unit's whole configuration, and of applying an unchanged
// one, against the bare transactions they need: the commands the read sends,
// replayed one by one through Transact and SendShortCommand on the same
// simulated unit in the same loop. ratio = configuration time / replay time;
// the goal is under 1.2. An unchanged configuration sends no write, so its
// apply costs the read alone.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "commission/ConfigurationApplier.h"
#include "commission/ConfigurationReader.h"
#include "platform/clock/Clock.h"
#include "platform/ipc/WindowDirectory.h"
#include "sim/hid/SimHidBus.h"
#include "sim/unit/SimUnit.h"

namespace vk {
namespace {

using Steady = std::chrono::steady_clock;

class CNoViewer final : public IWindowDirectory {
public:
    std::unique_ptr<IRemoteWindow> FindWindow(const std::string&) override { return nullptr; }
};

struct Bench {
    Bench()
    {
        SetClock(&clock);
        SetWindows(&viewer);
        unit = std::make_shared<CSimUnit>(SimUnitKind::Master);
        path = bus.Plug(unit);
        if (!protocol.OpenUnitAt(path, true))
            std::abort();
        unit->ClearLog();
        (void)commission::ReadConfiguration(protocol);
        commands = unit->Log();
    }
    ~Bench()
    {
        SetWindows(nullptr);
        SetClock(nullptr);
    }

    void Replay()
    {
        for (const SimLoggedCommand& command : commands) {
            if (command.IsLong()) {
                CommandBlock answer{};
                benchmark::DoNotOptimize(protocol.Transact(command.bytes, answer));
            } else {
                benchmark::DoNotOptimize(protocol.SendShortCommand(command.Code()));
            }
        }
    }

    CVirtualClock clock;
    CNoViewer viewer;
    CSimHidBus bus;
    CHIDProtocol protocol{bus};
    std::shared_ptr<CSimUnit> unit;
    std::string path;
    std::vector<SimLoggedCommand> commands;
};

template <class Work>
void RunAgainstReplay(benchmark::State& state, Bench& bench, Work work)
{
    Steady::duration measured{};
    Steady::duration baseline{};
    for (auto _ : state) {
        const auto t0 = Steady::now();
        work();
        const auto t1 = Steady::now();
        bench.Replay();
        const auto t2 = Steady::now();
        measured += t1 - t0;
        baseline += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["us"] = std::chrono::duration<double, std::micro>(measured).count() / n;
    state.counters["baseline_us"] = std::chrono::duration<double, std::micro>(baseline).count() / n;
    state.counters["ratio"] = std::chrono::duration<double>(measured) / std::chrono::duration<double>(baseline);
    state.counters["transactions"] = static_cast<double>(bench.commands.size());
    bench.unit->ClearLog();
}

void BM_ReadConfiguration(benchmark::State& state)
{
    Bench bench;
    RunAgainstReplay(state, bench, [&] { benchmark::DoNotOptimize(commission::ReadConfiguration(bench.protocol)); });
}
BENCHMARK(BM_ReadConfiguration);

void BM_ApplyUnchangedConfiguration(benchmark::State& state)
{
    Bench bench;
    const auto wanted = commission::ReadConfiguration(bench.protocol).configuration;
    if (!wanted)
        std::abort();
    RunAgainstReplay(state, bench, [&] {
        const auto current = commission::ReadConfiguration(bench.protocol).configuration;
        benchmark::DoNotOptimize(commission::ApplyConfiguration(bench.protocol, *current, *wanted));
    });
}
BENCHMARK(BM_ApplyUnchangedConfiguration);

}  // namespace
}  // namespace vk

BENCHMARK_MAIN();
