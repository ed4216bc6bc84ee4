// Cost of the unit link itself, against the simulated unit answering at once.
// Each benchmark times the protocol call and, in the same loop, the bare round
// trip through the simulated bus (the baseline); the difference is the
// protocol's overhead, shown also as a share of one 1 ms USB frame.
#include "device/HIDProtocol.h"
#include "platform/ipc/WindowDirectory.h"
#include "sim/hid/SimHidBus.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace vk {
namespace {

using Steady = std::chrono::steady_clock;

class CNoViewer final : public IWindowDirectory {
public:
    std::unique_ptr<IRemoteWindow> FindWindow(const std::string&) override { return nullptr; }
};

// Arg 0: no viewer can be found at all; arg 1: the socket directory looks for one in an empty folder.
void ChooseViewerDirectory(benchmark::State& state, CNoViewer& none)
{
    if (state.range(0) == 0) {
        SetWindows(&none);
        return;
    }
    const auto dir = std::filesystem::temp_directory_path() / "vk-bench-windows";
    std::filesystem::create_directories(dir);
    setenv("QUORVEL_WINDOWS_DIR", dir.c_str(), 1);
    SetWindows(nullptr);
}

struct Link {
    CSimHidBus bus;
    std::string path = bus.Plug(std::make_shared<CSimUnit>(SimUnitKind::StandAlone));
    CHIDProtocol protocol{bus};
    std::unique_ptr<IHidInterface> rawWrite = bus.Open(path, {false, true, false, false});
    std::unique_ptr<IHidInterface> rawRead = bus.Open(path, {true, false, true, false});
    std::vector<uint8_t> report = std::vector<uint8_t>(9);

    void RawRoundTrip(std::initializer_list<uint8_t> bytes)
    {
        std::fill(report.begin(), report.end(), 0);
        std::copy(bytes.begin(), bytes.end(), report.begin() + 1);
        (void)rawWrite->WriteReport(report);
        // Both handles see the answer: the protocol's copy is taken with it.
        (void)rawRead->ReadReport(report, 1000);
    }
};

void Report(benchmark::State& state, Steady::duration protocol, Steady::duration baseline)
{
    const double n = static_cast<double>(state.iterations());
    const double protocolUs = std::chrono::duration<double, std::micro>(protocol).count() / n;
    const double baselineUs = std::chrono::duration<double, std::micro>(baseline).count() / n;
    state.counters["protocol_us"] = protocolUs;
    state.counters["baseline_us"] = baselineUs;
    state.counters["overhead_us"] = protocolUs - baselineUs;
    state.counters["overhead_pct_of_1ms"] = (protocolUs - baselineUs) / 1000.0 * 100.0;
}

// Times op against the bare round trip of the same bytes, in one loop.
template <class Op>
void RunAgainstBaseline(benchmark::State& state, Op op, std::initializer_list<uint8_t> bytes)
{
    CNoViewer none;
    ChooseViewerDirectory(state, none);
    Link link;
    link.protocol.OpenUnit(kFamilyFilter, false);
    Steady::duration protocol{}, baseline{};
    for (auto _ : state) {
        const auto t0 = Steady::now();
        benchmark::DoNotOptimize(op(link.protocol));
        const auto t1 = Steady::now();
        link.RawRoundTrip(bytes);
        const auto t2 = Steady::now();
        protocol += t1 - t0;
        baseline += t2 - t1;
    }
    Report(state, protocol, baseline);
    SetWindows(nullptr);
}

void BM_SendShortCommand(benchmark::State& state)
{
    RunAgainstBaseline(state, [](CHIDProtocol& p) { return p.SendShortCommand(0x0555); }, {0x05, 0x55});
}
BENCHMARK(BM_SendShortCommand)->Arg(0)->Arg(1);

void BM_Transact(benchmark::State& state)
{
    const CommandBlock command{0xF0, 0x0D, 0, 0, 10, 0, 0, 0};
    CommandBlock answer{};
    RunAgainstBaseline(state, [&](CHIDProtocol& p) { return p.Transact(command, answer); }, {0xF0, 0x0D, 0, 0, 10, 0, 0, 0});
}
BENCHMARK(BM_Transact)->Arg(0)->Arg(1);

// CountUnits(-6) over 64 interfaces; the baseline lists the bus and opens each
// interface once, which any enumeration must do.
void BM_CountUnits64(benchmark::State& state)
{
    CSimHidBus bus;
    const SimUnitKind kinds[] = {SimUnitKind::New, SimUnitKind::StandAlone, SimUnitKind::Master, SimUnitKind::Slave};
    for (int i = 0; i < 56; ++i)
        (void)bus.Plug(std::make_shared<CSimUnit>(kinds[i % 4]));
    for (int i = 0; i < 8; ++i)
        (void)bus.AddForeignInterface(0x1234, static_cast<uint16_t>(i));
    CHIDProtocol protocol(bus);
    Steady::duration counting{}, baseline{};
    for (auto _ : state) {
        const auto t0 = Steady::now();
        benchmark::DoNotOptimize(protocol.CountUnits(kFamilyFilter));
        const auto t1 = Steady::now();
        for (const auto& path : bus.PresentInterfaces())
            benchmark::DoNotOptimize(bus.Open(path, {}));
        const auto t2 = Steady::now();
        counting += t1 - t0;
        baseline += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    const double us = std::chrono::duration<double, std::micro>(counting).count() / n;
    state.counters["count_us"] = us;
    state.counters["baseline_us"] = std::chrono::duration<double, std::micro>(baseline).count() / n;
    state.counters["pct_of_1ms"] = us / 1000.0 * 100.0;
}
BENCHMARK(BM_CountUnits64);

}  // namespace
}  // namespace vk

BENCHMARK_MAIN();
