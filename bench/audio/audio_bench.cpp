// Test-audio throughput and timing.
//
// BM_WaveReaderRead: reading a 100 MB WAV file in 4096-byte pieces through
// CWaveReader, against plain read() of the same file and libsndfile's raw read,
// all in the same loop over a file in the page cache. Counters: vs_raw and
// vs_sndfile are throughput ratios (> 1: the reader is faster).
//
// BM_PulseRecording: 20 s of recording at 16 kHz mono through the PulseAudio
// backend (needs a server: PULSE_SERVER, e.g. the test server of
// tests/platform/sound/pulse-test-server.sh). Counters: block period mean and
// standard deviation in ms, CPU time of this process per second of audio in %.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <vector>

#include "audio/WaveFormat.h"
#include "audio/WaveInQueue.h"
#include "audio/WaveReader.h"
#include "audio/WaveWriter.h"
#include "audio/DeviceLookup.h"
#include "platform/sound/pulse/PulseSoundSystem.h"

namespace vk {
namespace {

using Steady = std::chrono::steady_clock;
constexpr uint32_t kPiece = 4096;

const std::string& BigFile()
{
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "vk-bench-100mb.wav";
        CWaveWriter writer;
        if (!writer.Open(file.string(), CWaveFormat(2, 48000, 16)))
            std::abort();
        std::vector<uint8_t> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<uint8_t>(i * 31);
        for (int i = 0; i < 100; ++i)
            writer.Write(block.data(), static_cast<uint32_t>(block.size()));
        writer.Close();
        return file.string();
    }();
    return path;
}

uint64_t RawRead(const std::string& path, std::vector<uint8_t>& buffer)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    uint64_t total = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), kPiece)) > 0)
        total += static_cast<uint64_t>(n);
    ::close(fd);
    return total;
}

uint64_t ReaderRead(const std::string& path, std::vector<uint8_t>& buffer)
{
    CWaveReader reader;
    if (!reader.Open(path))
        std::abort();
    uint64_t total = 0;
    while (uint32_t n = reader.Read(buffer.data(), kPiece))
        total += n;
    return total;
}

uint64_t SndfileRead(const std::string& path, std::vector<uint8_t>& buffer)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        std::abort();
    uint64_t total = 0;
    sf_count_t n;
    while ((n = sf_read_raw(file, buffer.data(), kPiece)) > 0)
        total += static_cast<uint64_t>(n);
    sf_close(file);
    return total;
}

void BM_WaveReaderRead(benchmark::State& state)
{
    const std::string& path = BigFile();
    std::vector<uint8_t> buffer(kPiece);
    (void)RawRead(path, buffer);  // into the page cache
    Steady::duration raw{}, ours{}, sndfile{};
    uint64_t bytes = 0;
    for (auto _ : state) {
        const auto t0 = Steady::now();
        benchmark::DoNotOptimize(RawRead(path, buffer));
        const auto t1 = Steady::now();
        bytes += ReaderRead(path, buffer);
        const auto t2 = Steady::now();
        benchmark::DoNotOptimize(SndfileRead(path, buffer));
        const auto t3 = Steady::now();
        raw += t1 - t0;
        ours += t2 - t1;
        sndfile += t3 - t2;
    }
    const auto ms = [](Steady::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    state.counters["vs_raw"] = ms(raw) / ms(ours);
    state.counters["vs_sndfile"] = ms(sndfile) / ms(ours);
    state.counters["reader_MBps"] = static_cast<double>(bytes) / 1e6 / (ms(ours) / 1000.0);
}
BENCHMARK(BM_WaveReaderRead)->Unit(benchmark::kMillisecond)->Iterations(5);

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_PulseRecording(benchmark::State& state)
{
    CPulseSoundSystem sound;
    if (!sound.Connect()) {
        state.SkipWithError("no PulseAudio server");
        return;
    }
    SetSoundSystem(&sound);
    const CWaveFormat format(1, 16000, 16);
    std::vector<double> periods;
    double cpu = 0;
    for (auto _ : state) {
        CWaveInQueue in;
        in.SetCount(6);
        in.SetFormat(format, WaveBufferBytes(16000));
        in.SetDeviceId(static_cast<unsigned>(FindInDeviceIndex("Qrvl")));
        if (!in.Open(format) || !in.PrepareAndAddAll()) {
            state.SkipWithError("cannot record");
            break;
        }
        in.ResetEvent();
        in.Start();
        const double cpu0 = CpuSeconds();
        auto last = Steady::now();
        for (int block = 0, i = 0; block < 157; ++block, i = (i + 1) % in.Count()) {  // 157 x 128 ms = 20 s
            CWaveBuffer* b = in.GetBuffer(i);
            while (!in.IsDone(b))
                (void)in.Wait(1000);
            const auto now = Steady::now();
            if (block > 0)
                periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
            in.Unprepare(b);
            in.Prepare(b);
            in.AddBuffer(b);
        }
        cpu = (CpuSeconds() - cpu0) / 20.0;
        in.Stop();
        in.Reset();
        in.Close();
    }
    SetSoundSystem(nullptr);
    if (periods.empty())
        return;
    double mean = 0;
    for (double p : periods)
        mean += p;
    mean /= static_cast<double>(periods.size());
    double var = 0;
    for (double p : periods)
        var += (p - mean) * (p - mean);
    state.counters["period_mean_ms"] = mean;
    state.counters["period_sd_ms"] = std::sqrt(var / static_cast<double>(periods.size()));
    state.counters["cpu_pct_of_core"] = cpu * 100.0;
}
BENCHMARK(BM_PulseRecording)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace vk

BENCHMARK_MAIN();
