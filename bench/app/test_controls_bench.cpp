// The wizard's test controls, each against a baseline in the same run.
//
// BM_OnAudioBlock: the wizard's handler of one recorded block of 4096 bytes
// (peak of its first half, log, meter position) on the headless host. Counters:
// block_pct, the handler's time in % of the 128 ms the block lasts; vs_bare_peak,
// its time over that of a bare loop finding the same peak (the least any handler
// must do).
//
// BM_ListeningOnOutputPage: the output page listening for a few seconds of real
// time to a simulated unit microphone paced at real time, with the Qt host
// (offscreen) drawing the meter; CPU of the whole process in % of one core.
// Baseline: the engine alone listening for the same time into a window that
// only counts the blocks (the simulated device's own pacing thread included in
// both). Counters: wizard_cpu_pct, engine_cpu_pct and their difference
// handling_cpu_pct (the wizard's handling and the drawing), and the blocks the
// engine delivered in the baseline run.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "platform/clock/Clock.h"
#include "platform/settings/AppProfile.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/headless/HeadlessHost.h"
#include "platform/ui/qt/QtHost.h"
#include "sim/hid/SimHidBus.h"
#include "sim/sound/SimUnitSoundCards.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A settings file of its own and one simulated stand-alone unit on the bus.
class CBenchUnit {
public:
    explicit CBenchUnit(const std::string& name)
        : m_dir(fs::temp_directory_path() / (name + "-" + std::to_string(::getpid())))
    {
        fs::create_directories(m_dir);
        m_store = std::make_unique<CSettingsStore>(m_dir / "registry.reg");
        SetSettings(m_store.get());
        AppProfile().SetRegistryKey("Selvo");
        m_unit = std::make_shared<CSimUnit>(SimUnitKind::StandAlone);
        (void)m_bus.Plug(m_unit);
        SetHidBus(&m_bus);
    }
    ~CBenchUnit()
    {
        SetHidBus(nullptr);
        SetSettings(nullptr);
        fs::remove_all(m_dir);
    }
    CBenchUnit(const CBenchUnit&) = delete;
    CBenchUnit& operator=(const CBenchUnit&) = delete;

    fs::path m_dir;
    std::unique_ptr<CSettingsStore> m_store;
    CSimHidBus m_bus;
    std::shared_ptr<CSimUnit> m_unit;
};

void BM_OnAudioBlock(benchmark::State& state)
{
    CVirtualClock clock;
    SetClock(&clock);
    {
        CBenchUnit unit("vk-bench-block");
        CHeadlessHost host;
        host.Install();
        CQuorvelVK550ConfigDlg dlg;
        if (!dlg.Create())
            std::abort();
        CWizardTestSeam::PutOnPage(dlg, Page::OutputListening);
        CWizardTestSeam::Engine(dlg).m_bRecording = 1;  // as while the microphone thread runs
        for (size_t i = 0; i < 2048; ++i)
            CWizardTestSeam::Engine(dlg).m_Samples[i] =
                static_cast<int16_t>(9000 * std::sin(2 * M_PI * 997.0 * i / 16000));
        const auto block = reinterpret_cast<WPARAM>(&dlg.View().Audio().m_pSamples);

        constexpr int kRounds = 2000;
        double handler = 0, bare = 0;
        for (auto _ : state) {
            auto t0 = Steady::now();
            for (int r = 0; r < kRounds; ++r)
                benchmark::DoNotOptimize(dlg.SendMessage(WM_APP + 2, block, 4096));
            auto t1 = Steady::now();
            for (int r = 0; r < kRounds; ++r) {
                const int16_t* samples = dlg.View().Audio().m_pSamples;
                benchmark::DoNotOptimize(samples);
                int peak = 0;
                for (size_t i = 0; i < 1024; ++i)
                    peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
                benchmark::DoNotOptimize(peak);
            }
            auto t2 = Steady::now();
            handler += std::chrono::duration<double>(t1 - t0).count() / kRounds;
            bare += std::chrono::duration<double>(t2 - t1).count() / kRounds;
        }
        const auto n = static_cast<double>(state.iterations());
        state.counters["handler_us"] = handler / n * 1e6;
        state.counters["bare_peak_us"] = bare / n * 1e6;
        state.counters["block_pct"] = handler / n / 0.128 * 100.0;
        state.counters["vs_bare_peak"] = handler / bare;
        if (dlg.GetDlgItem(1000).GetPos() != 79)
            state.SkipWithError("the meter does not show the block's 79 dB");
        CWizardTestSeam::Engine(dlg).m_bRecording = 0;
        dlg.DestroyWindow();
    }
    SetClock(nullptr);
}
BENCHMARK(BM_OnAudioBlock)->Unit(benchmark::kMicrosecond)->Iterations(20);

// Counts the blocks the engine posts, and nothing more.
class CCountingWindow final : public IMessageTarget {
public:
    bool Post(uint32_t message, WPARAM, LPARAM lParam) override
    {
        blocks += message == WM_APP + 2 && lParam >= 0;
        return true;
    }
    std::atomic<int> blocks{0};
};

constexpr double kListenSeconds = 6.0;

void BM_ListeningOnOutputPage(benchmark::State& state)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "test_controls_bench";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    CBenchUnit unit("vk-bench-listen");
    CSimSoundSystem sound;
    sound.SetPacing(SimPacing::RealTime);
    CSimUnitSoundCards cards(sound);
    cards.Follow(unit.m_unit);
    sound.SetSignal(cards.CardOf(unit.m_unit).in, std::make_shared<CSineSignal>(997.0, 8000.0));
    SetSoundSystem(&sound);
    CQtHost host;
    host.Install();

    double wizardCpu = 0, engineCpu = 0;
    int engineBlocks = 0;
    for (auto _ : state) {
        {
            CQuorvelVK550ConfigDlg dlg;
            if (!dlg.Create())
                std::abort();
            CWizardTestSeam::PutOnPage(dlg, Page::OutputListening);
            dlg.ShowPage();
            CWizardTestSeam::Engine(dlg).m_nMode = kModeMonitor;
            CWizardTestSeam::Engine(dlg).m_strInDevice = dlg.View().AudioDeviceName();
            const double cpu0 = CpuSeconds();
            if (!CWizardTestSeam::Engine(dlg).Start(&dlg))
                std::abort();
            // A loop of its own: quitting the application would close the wizard.
            QEventLoop loop;
            QTimer::singleShot(static_cast<int>(kListenSeconds * 1000), &loop, &QEventLoop::quit);
            loop.exec();
            CWizardTestSeam::Engine(dlg).Stop();
            wizardCpu = (CpuSeconds() - cpu0) / kListenSeconds * 100.0;
            const int lastPos = dlg.GetDlgItem(1000).GetPos();
            if (lastPos < 75 || lastPos > 80)
                state.SkipWithError("the meter does not show the tone's 78 dB");
            dlg.DestroyWindow();
        }
        {
            CCountingWindow window;
            CWizardAudio audio;
            audio.m_strInDevice = "Qrvl VK550_SAL";
            audio.m_nMode = kModeMonitor;
            const double cpu0 = CpuSeconds();
            if (!audio.Start(&window))
                std::abort();
            std::this_thread::sleep_for(std::chrono::duration<double>(kListenSeconds));
            audio.Stop();
            engineCpu = (CpuSeconds() - cpu0) / kListenSeconds * 100.0;
            engineBlocks = window.blocks;
        }
    }
    SetSoundSystem(nullptr);
    state.counters["wizard_cpu_pct"] = wizardCpu;
    state.counters["engine_cpu_pct"] = engineCpu;
    state.counters["handling_cpu_pct"] = wizardCpu - engineCpu;
    state.counters["engine_blocks"] = engineBlocks;
}
BENCHMARK(BM_ListeningOnOutputPage)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace vk

BENCHMARK_MAIN();
