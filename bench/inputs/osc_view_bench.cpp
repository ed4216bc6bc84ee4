// Cost of the signal view per block in the Qt host: ShowSamples of one 4096-byte
// block (2048 samples) into the view at the inputs page's size, drawing into the
// off-screen QImage and the one copy to the control included, against a bare
// loop over the same samples (their minimum and maximum) in the same run. A
// block arrives every 128 ms; the view should take under 0.1 % of that (128 us).
// Times are the process's CPU time (Qt's helper threads included), so other
// processes on a busy machine do not count; wall times are shown too. Blocks:
// 0 a voice-like block, 1 a full-scale sine whose every column spans the whole
// height (the most pixels a block can draw).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "inputs/view/OSCView.h"
#include "platform/ui/qt/QtHost.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"

namespace vk {
namespace {

using Steady = std::chrono::steady_clock;

double CpuUs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// A voice-like block: a few partials under a slow envelope, some samples at full scale.
std::vector<int16_t> VoiceBlock()
{
    std::vector<int16_t> block(2048);
    for (size_t k = 0; k < block.size(); ++k) {
        const double t = static_cast<double>(k) / 16000.0;
        const double v = 0.6 * std::sin(2 * M_PI * 140 * t) + 0.3 * std::sin(2 * M_PI * 420 * t) +
                         0.2 * std::sin(2 * M_PI * 1130 * t);
        block[k] = static_cast<int16_t>(std::clamp(v * 0.9 * 32768.0 * std::sin(M_PI * static_cast<double>(k) / 2048), -32768.0, 32767.0));
    }
    block[100] = -32768;
    return block;
}

std::vector<int16_t> FullScaleBlock()
{
    std::vector<int16_t> block(2048);
    for (size_t k = 0; k < block.size(); ++k)
        block[k] = static_cast<int16_t>(std::lround(32767 * std::sin(2 * M_PI * static_cast<double>(k) / 16)));
    return block;
}

void Run(benchmark::State& state, bool repaint)
{
    CQtHost host;
    host.Install();
    CDialog page(kInputsTemplate);
    (void)page.Create();
    COSCView view;
    view.Create(&page, IDC_SIGNAL_VIEW);
    view.SetSweep(2048 * 136 / 2);
    QWidget* widget = host.ControlWidget(page, IDC_SIGNAL_VIEW);
    const std::vector<int16_t> source = state.range(0) == 0 ? VoiceBlock() : FullScaleBlock();
    std::vector<int16_t> block = source;
    Steady::duration viewTime{}, baseline{};
    double viewCpu = 0, baselineCpu = 0;
    long long sink = 0;
    for (auto _ : state) {
        block = source;
        const double c0 = CpuUs();
        auto t0 = Steady::now();
        view.ShowSamples(block.data(), static_cast<int>(block.size()), "Input 1 Monitored Signal");
        if (repaint)
            widget->repaint();  // the control paints the copied picture now
        auto t1 = Steady::now();
        const double c1 = CpuUs();
        int lo = 100000, hi = -100000;
        for (const int16_t s : block) {
            lo = std::min(lo, static_cast<int>(s));
            hi = std::max(hi, static_cast<int>(s));
        }
        benchmark::DoNotOptimize(lo);
        benchmark::DoNotOptimize(hi);
        auto t2 = Steady::now();
        const double c2 = CpuUs();
        sink += lo + hi;
        viewTime += t1 - t0;
        baseline += t2 - t1;
        viewCpu += c1 - c0;
        baselineCpu += c2 - c1;
    }
    benchmark::DoNotOptimize(sink);
    const double n = static_cast<double>(state.iterations());
    const double viewUs = viewCpu / n;
    const double baseUs = baselineCpu / n;
    state.counters["view_cpu_us"] = viewUs;
    state.counters["bare_loop_cpu_us"] = baseUs;
    state.counters["ratio"] = viewUs / baseUs;
    state.counters["share_of_128ms_pct"] = viewUs / 128000.0 * 100.0;
    state.counters["view_wall_us"] = std::chrono::duration<double, std::micro>(viewTime).count() / n;
    state.counters["bare_loop_wall_us"] = std::chrono::duration<double, std::micro>(baseline).count() / n;
    state.counters["W"] = view.GetClientRect().right;
    state.counters["H"] = view.GetClientRect().bottom;
    page.DestroyWindow();
}

void BM_ShowSamples(benchmark::State& state) { Run(state, false); }
void BM_ShowSamplesAndRepaint(benchmark::State& state) { Run(state, true); }
BENCHMARK(BM_ShowSamples)->Arg(0)->Arg(1);
BENCHMARK(BM_ShowSamplesAndRepaint)->Arg(0);

}  // namespace
}  // namespace vk

int main(int argc, char** argv)
{
    char runtime[] = "/tmp/vk-view-bench-XXXXXX";
    if (!mkdtemp(runtime))
        return 2;
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rmdir(runtime);
    return 0;
}
