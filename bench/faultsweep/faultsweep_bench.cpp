// The fault sweep's pace: runs of a road with one transaction fault against
// runs of the same road without one, timed in the same loop. The ratio says
// what arming a fault and judging the run's invariants add to replaying the
// road; runs per second say how long a whole sweep takes.
#include "SweepInvariants.h"
#include "SweepRun.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace vk::faultsweep {
namespace {

using Steady = std::chrono::steady_clock;

void SweepAgainstReplay(benchmark::State& state, const char* roadName, SimTransactionFault::Kind kind)
{
    const auto road = LoadRoad(std::string(VK_SWEEP_ROADS) + "/" + roadName + ".scn");
    if (!road) {
        state.SkipWithError("road not found");
        return;
    }
    const RunResult baseline = RunRoad(*road, std::nullopt);
    const size_t transactions = CommandsOf(baseline, 1).size();
    double replayS = 0;
    double sweepS = 0;
    size_t k = 0;
    for (auto _ : state) {
        const auto t0 = Steady::now();
        benchmark::DoNotOptimize(RunRoad(*road, std::nullopt));
        const auto t1 = Steady::now();
        // K walks the road's transactions, as the sweep does.
        k = k % transactions + 1;
        const SweepFault fault{1, {kind, static_cast<uint32_t>(k), {}, 0}};
        const RunResult run = RunRoad(*road, fault);
        benchmark::DoNotOptimize(CheckRun(baseline, run, fault));
        const auto t2 = Steady::now();
        replayS += std::chrono::duration<double>(t1 - t0).count();
        sweepS += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["sweep_runs_per_s"] = static_cast<double>(state.iterations()) / sweepS;
    state.counters["replay_runs_per_s"] = static_cast<double>(state.iterations()) / replayS;
    state.counters["ratio_to_replay"] = sweepS / replayS;
}

void BM_TypedMasterSilent(benchmark::State& s) { SweepAgainstReplay(s, "typed-master", SimTransactionFault::Kind::Silent); }
void BM_TypedMasterUnplug(benchmark::State& s) { SweepAgainstReplay(s, "typed-master", SimTransactionFault::Kind::Unplug); }
void BM_InputsSilent(benchmark::State& s)
{
    SweepAgainstReplay(s, "inputs-stand-alone-changes", SimTransactionFault::Kind::Silent);
}
BENCHMARK(BM_TypedMasterSilent)->Unit(benchmark::kMillisecond)->Iterations(88);
BENCHMARK(BM_TypedMasterUnplug)->Unit(benchmark::kMillisecond)->Iterations(88);
BENCHMARK(BM_InputsSilent)->Unit(benchmark::kMillisecond)->Iterations(158);

}  // namespace
}  // namespace vk::faultsweep

BENCHMARK_MAIN();
