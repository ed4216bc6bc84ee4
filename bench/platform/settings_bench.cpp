// Reading a large settings file (20,000 keys of one value each, about 1 MB)
// against the baseline of reading the file's bytes, both measured in the same
// loop. Counters: op_ms, baseline_ms, ratio (op / baseline).
//   BM_FirstQuery:    a fresh store answers one query (read + parse + lookup).
//   BM_RepeatedQuery: a store that has read the file before answers again.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/settings/SettingsStore.h"

namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

constexpr int kKeys = 20000;

struct LargeFile {
    LargeFile()
    {
        char tmpl[] = "/tmp/vk-bench-settings-XXXXXX";
        dir = ::mkdtemp(tmpl);
        file = dir / "registry.reg";
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < kKeys; ++i)
            out << "[HKEY_CURRENT_USER\\Software\\Selvo\\Bench\\Key" << i << "]\n\"Value\"=\"text " << i
                << " of a settings value\"\n";
    }
    ~LargeFile()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    fs::path file;
};

std::string ReadBytes(const fs::path& file)
{
    std::string data;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return data;
    char buf[64 * 1024];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        data.append(buf, static_cast<size_t>(n));
    ::close(fd);
    return data;
}

template <class Op>
void MeasureAgainstReading(benchmark::State& state, const LargeFile& large, Op op)
{
    Steady::duration measured{}, baseline{};
    for (auto _ : state) {
        const auto t0 = Steady::now();
        op();
        const auto t1 = Steady::now();
        benchmark::DoNotOptimize(ReadBytes(large.file));
        const auto t2 = Steady::now();
        measured += t1 - t0;
        baseline += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    const double opMs = std::chrono::duration<double, std::milli>(measured).count() / n;
    const double baseMs = std::chrono::duration<double, std::milli>(baseline).count() / n;
    state.counters["op_ms"] = opMs;
    state.counters["baseline_ms"] = baseMs;
    state.counters["ratio"] = baseMs > 0 ? opMs / baseMs : 0;
}

const std::string kLastKey = "HKEY_CURRENT_USER\\Software\\Selvo\\Bench\\Key" + std::to_string(kKeys - 1);

void BM_FirstQuery(benchmark::State& state)
{
    LargeFile large;
    MeasureAgainstReading(state, large, [&] {
        vk::CSettingsStore store(large.file);
        benchmark::DoNotOptimize(store.Query(kLastKey, "Value"));
    });
}
BENCHMARK(BM_FirstQuery)->Unit(benchmark::kMillisecond);

void BM_RepeatedQuery(benchmark::State& state)
{
    LargeFile large;
    vk::CSettingsStore store(large.file);
    (void)store.Query(kLastKey, "Value");
    MeasureAgainstReading(state, large, [&] { benchmark::DoNotOptimize(store.Query(kLastKey, "Value")); });
}
BENCHMARK(BM_RepeatedQuery)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
