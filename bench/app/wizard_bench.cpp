// Cost of a page transition of the wizard beyond its unit transactions: Next
// from page 2 ("Configure and test the unit") to page 5 of a Stand Alone unit,
// on the headless host and the simulated unit answering at once. In the same
// loop the exact commands that one transition sent are replayed as bare round
// trips through the simulated bus (the baseline); the ratio and the difference
// are what the wizard's own logic costs.
#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "platform/clock/Clock.h"
#include "platform/hid/HidBus.h"
#include "platform/ipc/WindowDirectory.h"
#include "platform/settings/AppProfile.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/headless/HeadlessHost.h"
#include "resources/ControlIds.h"
#include "sim/hid/SimHidBus.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <unistd.h>

namespace vk {
namespace {

using Steady = std::chrono::steady_clock;

class CNoWindows final : public IWindowDirectory {
public:
    std::unique_ptr<IRemoteWindow> FindWindow(const std::string&) override { return nullptr; }
};

void BM_NextFromPage2ToPage5(benchmark::State& state)
{
    CVirtualClock clock;
    SetClock(&clock);
    const auto dir = std::filesystem::temp_directory_path() / ("vk_bench_wizard_" + std::to_string(::getpid()));
    CSettingsStore store(dir / "registry.reg");
    SetSettings(&store);
    AppProfile().SetRegistryKey("Selvo");
    CNoWindows windows;
    SetWindows(&windows);
    CHeadlessHost host;
    host.Install();
    CSimHidBus bus;
    auto unit = std::make_shared<CSimUnit>(SimUnitKind::StandAlone);
    const std::string path = bus.Plug(unit);
    SetHidBus(&bus);
    {
        CQuorvelVK550ConfigDlg dlg;
        (void)dlg.Create();
        auto rawWrite = bus.Open(path, {false, true, false, false});
        auto rawRead = bus.Open(path, {true, false, true, false});
        std::vector<uint8_t> report(9);

        Steady::duration transition{}, baseline{};
        size_t commands = 0;
        for (auto _ : state) {
            CWizardTestSeam::PutOnPage(dlg, Page::ConfigurationType);
            dlg.ShowPage();  // "Configure and test the unit" checked
            unit->ClearLog();
            const auto t0 = Steady::now();
            (void)dlg.ClickControl(IDC_NEXT);
            const auto t1 = Steady::now();
            const auto sent = unit->Log();
            const auto t2 = Steady::now();
            for (const SimLoggedCommand& c : sent) {
                report[0] = 0;
                std::copy(c.bytes.begin(), c.bytes.end(), report.begin() + 1);
                (void)rawWrite->WriteReport(report);
                (void)rawRead->ReadReport(report, 1000);
            }
            const auto t3 = Steady::now();
            if (dlg.View().CurrentPage() != Page::Speaker)
                state.SkipWithError("Next did not lead to page 5");
            transition += t1 - t0;
            baseline += t3 - t2;
            commands = sent.size();
        }
        const double n = static_cast<double>(state.iterations());
        const double transitionUs = std::chrono::duration<double, std::micro>(transition).count() / n;
        const double baselineUs = std::chrono::duration<double, std::micro>(baseline).count() / n;
        state.counters["transition_us"] = transitionUs;
        state.counters["transactions_us"] = baselineUs;
        state.counters["ratio"] = transitionUs / baselineUs;
        state.counters["beyond_transactions_us"] = transitionUs - baselineUs;
        state.counters["commands"] = static_cast<double>(commands);
        dlg.DestroyWindow();
    }
    SetHidBus(nullptr);
    SetWindows(nullptr);
    SetSettings(nullptr);
    SetClock(nullptr);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_NextFromPage2ToPage5)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vk

BENCHMARK_MAIN();
