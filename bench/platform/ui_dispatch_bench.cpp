// Cost of the dialog framework's message path: a burst of posted messages
// delivered to a dialog's handler, against the same burst through a bare
// thread-safe mailbox (post and take, no dispatch) in the same loop. The ratio
// is what the window registry, the handle check and the virtual handler add.
#include <benchmark/benchmark.h>

#include <chrono>

#include "platform/clock/Clock.h"
#include "platform/post/MessageTarget.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/headless/HeadlessHost.h"

namespace vk {
namespace {

using Steady = std::chrono::steady_clock;

const DialogTemplate kTemplate{.id = 1, .caption = "bench", .width = 100, .height = 50, .font = {"MS Shell Dlg", 8}, .style = 0, .controls = {}};

class CCountingDialog final : public CDialog {
public:
    CCountingDialog() : CDialog(kTemplate) {}
    int64_t sum = 0;

protected:
    intptr_t OnMessage(uint32_t, WPARAM, LPARAM lParam) override
    {
        sum += lParam;
        return 0;
    }
};

void BM_PostAndDispatch(benchmark::State& state)
{
    const int burst = static_cast<int>(state.range(0));
    CVirtualClock clock;
    SetClock(&clock);
    CHeadlessHost host;
    host.Install();
    CCountingDialog dlg;
    (void)dlg.Create();
    // Timers waiting in the loop make each dispatch look at them too.
    for (unsigned id = 1; id <= 3; ++id)
        dlg.SetTimer(id, 180000);
    CMessageQueue mailbox;
    int64_t baselineSum = 0;
    Steady::duration framework{}, baseline{};
    for (auto _ : state) {
        auto t0 = Steady::now();
        for (int i = 0; i < burst; ++i)
            (void)dlg.Post(WM_APP + 2, 0, i);
        host.RunUntilIdle();
        auto t1 = Steady::now();
        for (int i = 0; i < burst; ++i)
            (void)mailbox.Post(WM_APP + 2, 0, i);
        while (auto m = mailbox.Take())
            baselineSum += m->lParam;
        auto t2 = Steady::now();
        framework += t1 - t0;
        baseline += t2 - t1;
    }
    benchmark::DoNotOptimize(dlg.sum);
    benchmark::DoNotOptimize(baselineSum);
    const double messages = static_cast<double>(state.iterations()) * burst;
    const double frameworkNs = std::chrono::duration<double, std::nano>(framework).count() / messages;
    const double baselineNs = std::chrono::duration<double, std::nano>(baseline).count() / messages;
    state.counters["framework_ns_per_msg"] = frameworkNs;
    state.counters["baseline_ns_per_msg"] = baselineNs;
    state.counters["ratio"] = frameworkNs / baselineNs;
    dlg.DestroyWindow();
    SetClock(nullptr);
}
BENCHMARK(BM_PostAndDispatch)->Arg(1)->Arg(100)->Arg(2048);

}  // namespace
}  // namespace vk

BENCHMARK_MAIN();
