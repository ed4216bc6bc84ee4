// The test-audio engine and its echo figures, each against a baseline in the same run.
//
// BM_CalcRMSWholeFile: the level of the whole left channel of a 10-minute
// 48 kHz stereo file (one pass) against `sox FILE -n stats` on the same file,
// both from the page cache. Counters vs_sox and vs_sox_cpu: sox's wall-clock and
// CPU time over ours (> 1: we are faster).
//
// BM_EngineMonitor/0 and /1: the engine in mode 8 recording a simulated unit
// microphone paced at real time, alone (0) and with every other core kept busy
// by spinning processes (1). The baseline is the bare recording cycle of the
// queue on the same device for the same time. Counters: CPU of this process per
// second of audio in % of one core for the engine run and for the baseline,
// the block period (mean, standard deviation, largest) seen by the window, and
// lost blocks (expected minus delivered, plus any missing-block messages).

#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/WaveInQueue.h"
#include "audio/WaveWriter.h"
#include "audio/WizardAudio.h"
#include "sim/sound/SimSoundSystem.h"

namespace vk {
namespace {

using Steady = std::chrono::steady_clock;

double Ms(Steady::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Ten minutes of a tone with a little hiss on the left, another tone on the right.
const std::string& TenMinuteFile()
{
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "vk-bench-10min-48k-stereo.wav";
        CWaveWriter writer;
        if (!writer.Open(file.string(), CWaveFormat(2, 48000, 16)))
            std::abort();
        std::vector<int16_t> second(2 * 48000);
        uint32_t noise = 1;
        for (int s = 0; s < 600; ++s) {
            for (size_t i = 0; i < 48000; ++i) {
                noise = noise * 1103515245u + 12345u;
                const double t = (s * 48000.0 + i) / 48000.0;
                second[2 * i] = static_cast<int16_t>(6000 * std::sin(2 * M_PI * 997 * t) + (noise >> 24) - 128);
                second[2 * i + 1] = static_cast<int16_t>(9000 * std::sin(2 * M_PI * 300 * t));
            }
            writer.Write(second.data(), static_cast<uint32_t>(second.size() * 2));
        }
        writer.Close();
        return file.string();
    }();
    return path;
}

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_CalcRMSWholeFile(benchmark::State& state)
{
    if (std::system("command -v sox >/dev/null 2>&1") != 0) {
        state.SkipWithError("sox is not installed");
        return;
    }
    const std::string& path = TenMinuteFile();
    const std::string sox = "sox " + path + " -n stats 2>/dev/null";
    (void)std::system(sox.c_str());  // into the page cache
    CWizardAudio audio;
    Steady::duration ours{}, theirs{};
    double oursCpu = 0, theirsCpu = 0;
    for (auto _ : state) {
        CWaveReader reader;
        if (!reader.Open(path))
            std::abort();
        const double cpu0 = CpuSeconds(RUSAGE_SELF);
        const auto t0 = Steady::now();
        benchmark::DoNotOptimize(audio.CalcRMS(reader, 1, 0, reader.m_dwDataSize / 2));
        const auto t1 = Steady::now();
        const double cpu1 = CpuSeconds(RUSAGE_SELF);
        const double children0 = CpuSeconds(RUSAGE_CHILDREN);
        if (std::system(sox.c_str()) != 0)
            state.SkipWithError("sox failed");
        const auto t2 = Steady::now();
        ours += t1 - t0;
        theirs += t2 - t1;
        oursCpu += cpu1 - cpu0;
        theirsCpu += CpuSeconds(RUSAGE_CHILDREN) - children0;
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["calcrms_ms"] = Ms(ours) / n;
    state.counters["sox_ms"] = Ms(theirs) / n;
    state.counters["vs_sox"] = Ms(theirs) / Ms(ours);
    state.counters["vs_sox_cpu"] = theirsCpu / oursCpu;
}
BENCHMARK(BM_CalcRMSWholeFile)->Unit(benchmark::kMillisecond)->Iterations(3);

// Processes that keep the other cores busy; outside this process, so its CPU
// figures stay its own.
class CBusyCores {
public:
    explicit CBusyCores(unsigned count)
    {
        for (unsigned i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                for (uint64_t spin = 0;; ++spin)
                    benchmark::DoNotOptimize(spin);
            }
            if (pid > 0)
                m_children.push_back(pid);
        }
    }
    ~CBusyCores()
    {
        for (pid_t pid : m_children) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    CBusyCores(const CBusyCores&) = delete;
    CBusyCores& operator=(const CBusyCores&) = delete;

private:
    std::vector<pid_t> m_children;
};

// The owner's window: notes when each block arrives.
class CStampingWindow final : public IMessageTarget {
public:
    bool Post(uint32_t message, WPARAM, LPARAM lParam) override
    {
        std::lock_guard lock(m_mutex);
        if (message == WM_AUDIO_BLOCK && lParam >= 0)
            m_arrivals.push_back(Steady::now());
        if (message == WM_AUDIO_BLOCK && lParam == kBlockMissing)
            ++m_missing;
        return true;
    }
    std::vector<Steady::time_point> m_arrivals;
    int m_missing = 0;
    std::mutex m_mutex;
};

constexpr double kSeconds = 8.0;
constexpr double kBlockMs = 128.0;  // 2048 samples at 16000 per second

// The bare recording cycle of the queue for the same time: the baseline.
double BaselineCpuPercent()
{
    const CWaveFormat format(1, 16000, 16);
    CWaveInQueue in;
    in.SetCount(6);
    in.SetFormat(format, WaveBufferBytes(16000));
    in.SetDeviceId(0);
    if (!in.Open(format) || !in.PrepareAndAddAll())
        return -1;
    in.ResetEvent();
    in.Start();
    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    const int blocks = static_cast<int>(kSeconds * 1000 / kBlockMs);
    for (int block = 0, i = 0; block < blocks; ++block, i = (i + 1) % in.Count()) {
        CWaveBuffer* b = in.GetBuffer(i);
        while (!in.IsDone(b))
            (void)in.Wait(1000);
        in.Unprepare(b);
        in.Prepare(b);
        in.AddBuffer(b);
    }
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpu0;
    in.Stop();
    in.Reset();
    in.Close();
    return cpu / kSeconds * 100.0;
}

void BM_EngineMonitor(benchmark::State& state)
{
    CSimSoundSystem sound;
    sound.SetPacing(SimPacing::RealTime);
    const auto card = sound.AddCard("Qrvl VK550_SAL");
    sound.SetSignal(card.in, std::make_shared<CSineSignal>(997.0, 8000.0));
    SetSoundSystem(&sound);
    const unsigned others = std::max(1u, std::thread::hardware_concurrency()) - 1;
    CBusyCores busy(state.range(0) == 1 ? std::max(others, 1u) : 0);

    CStampingWindow window;
    double engineCpu = 0;
    double baselineCpu = 0;
    for (auto _ : state) {
        CWizardAudio audio;
        audio.m_strInDevice = "Qrvl VK550_SAL";
        audio.m_nMode = kModeMonitor;
        audio.m_dTimeLimit = 1e9;
        const double cpu0 = CpuSeconds(RUSAGE_SELF);
        if (!audio.Start(&window))
            std::abort();
        std::this_thread::sleep_for(std::chrono::duration<double>(kSeconds));
        audio.Stop();
        engineCpu = (CpuSeconds(RUSAGE_SELF) - cpu0) / kSeconds * 100.0;
        baselineCpu = BaselineCpuPercent();
    }
    SetSoundSystem(nullptr);

    std::lock_guard lock(window.m_mutex);
    std::vector<double> periods;
    for (size_t i = 1; i < window.m_arrivals.size(); ++i)
        periods.push_back(Ms(window.m_arrivals[i] - window.m_arrivals[i - 1]));
    double mean = 0, largest = 0;
    for (double p : periods) {
        mean += p;
        largest = std::max(largest, p);
    }
    mean /= std::max<size_t>(periods.size(), 1);
    double var = 0;
    for (double p : periods)
        var += (p - mean) * (p - mean);
    const double expected = std::floor(kSeconds * 1000 / kBlockMs);
    state.counters["engine_cpu_pct"] = engineCpu;
    state.counters["baseline_cpu_pct"] = baselineCpu;
    state.counters["period_mean_ms"] = mean;
    state.counters["period_sd_ms"] = std::sqrt(var / std::max<size_t>(periods.size(), 1));
    state.counters["period_max_ms"] = largest;
    state.counters["lost_blocks"] =
        std::max(0.0, expected - static_cast<double>(window.m_arrivals.size())) + window.m_missing;
}
BENCHMARK(BM_EngineMonitor)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace vk

BENCHMARK_MAIN();
