// What the viewer lookup adds to every unit transaction. Each benchmark times
// its operation and, in the same loop, the baseline: one stat() of a missing
// file, the cheapest system call a lookup can make. Counters: op_us,
// baseline_us, ratio (op / baseline) and the op as a share of 1 ms (one USB
// full-speed frame).
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/ipc/ViewerRecord.h"
#include "platform/ipc/WindowSocket.h"

namespace {

using Steady = std::chrono::steady_clock;

struct Folder {
    Folder()
    {
        char tmpl[] = "/tmp/vk-bench-windows-XXXXXX";
        path = ::mkdtemp(tmpl);
        ::setenv("QUORVEL_WINDOWS_DIR", path.c_str(), 1);
    }
    ~Folder()
    {
        ::unsetenv("QUORVEL_WINDOWS_DIR");
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

template <class Op>
void MeasureAgainstStat(benchmark::State& state, const Folder& folder, Op op)
{
    const std::string missing = folder.path + "/missing";
    struct stat st{};
    Steady::duration measured{}, baseline{};
    for (auto _ : state) {
        const auto t0 = Steady::now();
        op();
        const auto t1 = Steady::now();
        benchmark::DoNotOptimize(::stat(missing.c_str(), &st));
        const auto t2 = Steady::now();
        measured += t1 - t0;
        baseline += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    const double opUs = std::chrono::duration<double, std::micro>(measured).count() / n;
    const double baseUs = std::chrono::duration<double, std::micro>(baseline).count() / n;
    state.counters["op_us"] = opUs;
    state.counters["baseline_us"] = baseUs;
    state.counters["ratio"] = baseUs > 0 ? opUs / baseUs : 0;
    state.counters["pct_of_1ms"] = opUs / 10.0;
}

void BM_FindViewerNoFolder(benchmark::State& state)
{
    Folder folder;
    ::setenv("QUORVEL_WINDOWS_DIR", (folder.path + "/none").c_str(), 1);
    vk::CSocketWindowDirectory windows;
    MeasureAgainstStat(state, folder, [&] { benchmark::DoNotOptimize(windows.FindWindow(vk::kViewerWindowTitle)); });
}
BENCHMARK(BM_FindViewerNoFolder);

void BM_FindViewerNotRunning(benchmark::State& state)
{
    Folder folder;
    vk::CSocketWindowDirectory windows;
    MeasureAgainstStat(state, folder, [&] { benchmark::DoNotOptimize(windows.FindWindow(vk::kViewerWindowTitle)); });
}
BENCHMARK(BM_FindViewerNotRunning);

// A running viewer: the lookup, one 188-byte record, and the viewer taking it.
void BM_FindViewerAndSendARecord(benchmark::State& state)
{
    Folder folder;
    auto viewer = vk::CWindowReceiver::Bind(vk::kViewerWindowTitle);
    vk::CSocketWindowDirectory windows;
    const vk::ViewerRecordBytes record = vk::EncodeViewerRecord({});
    MeasureAgainstStat(state, folder, [&] {
        auto window = windows.FindWindow(vk::kViewerWindowTitle);
        benchmark::DoNotOptimize(window && window->SendCopyData(vk::kViewerWParam, vk::kViewerDwData, record));
        benchmark::DoNotOptimize(viewer->Receive(0));
    });
}
BENCHMARK(BM_FindViewerAndSendARecord);

}  // namespace

BENCHMARK_MAIN();
