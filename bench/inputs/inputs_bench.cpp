// What the inputs page costs beyond its unit transactions, against a simulated
// unit that answers at once. Each benchmark times the page's handler and, in the
// same loop, the bare transactions that handler sends (the baseline), both in
// thread CPU time; the difference is the page's own work and must stay far
// below 1 ms. The bed runs on a virtual clock: opening the page looks for the
// unit's sound card in an empty sound system and pauses between its looks, and
// those pauses cost no waiting.
#include <benchmark/benchmark.h>
#include <time.h>

#include <filesystem>
#include <memory>

#include "device/HIDProtocol.h"
#include "inputs/InputsSetup.h"
#include "platform/clock/Clock.h"
#include "platform/settings/AppProfile.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/headless/HeadlessHost.h"
#include "resources/ControlIds.h"
#include "sim/hid/SimHidBus.h"

namespace vk {
namespace {

double ThreadCpuUs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

const DialogTemplate kOwnerTemplate{.id = 1, .caption = "owner", .width = 100, .height = 50, .font = {}, .style = 0, .controls = {}};

class COwner final : public IInputsOwner {
public:
    explicit COwner(CSimHidBus& bus) : protocol(bus) {}
    CDialog& OwnerWindow() override { return window; }
    CHIDProtocol& UnitProtocol() override { return protocol; }
    int UnitType() const override { return 1; }
    std::string WaveDir() const override { return dir; }
    std::array<ChannelRecord, 4>& MasterInputs() override { return master; }
    const DialogFont& TitleFont() const override { return font; }
    const DialogFont& TextFont() const override { return font; }
    const DialogFont& ButtonFont() const override { return font; }
    bool ReopenUnit() override { return protocol.OpenUnit(kFamilyFilter, true); }
    void SetSpeakerPlayFlag(bool) override {}

    class CWindow final : public CDialog {
    public:
        CWindow() : CDialog(kOwnerTemplate) {}
    } window;
    CHIDProtocol protocol;
    std::string dir = (std::filesystem::temp_directory_path() / "vk-bench-inputs/").string();
    std::array<ChannelRecord, 4> master{};
    DialogFont font{"Tahoma", 8};
};

// A stand-alone unit with two microphones, the page open on channel 1.
struct Bed {
    Bed()
    {
        SetClock(&clock);
        std::filesystem::create_directories(owner.dir);
        SetSettings(&store);
        AppProfile().SetRegistryKey("Selvo");
        host.Install();
        auto unit = std::make_shared<CSimUnit>(SimUnitKind::StandAlone);
        unit->WithState([](SimUnitState& s) {
            s.picLines = 0x1F5E739C;
            s.channels[2].mode = 15;
            s.channels[3].mode = 15;
        });
        (void)bus.Plug(unit);
        (void)owner.protocol.OpenUnit(kFamilyFilter, true);
        page = std::make_unique<CInputsSetup>(owner, 0);
        (void)page->Create();
    }
    ~Bed()
    {
        page.reset();
        SetSettings(nullptr);
        SetClock(nullptr);
    }
    CVirtualClock clock;
    CSettingsStore store{std::filesystem::temp_directory_path() / "vk-bench-inputs" / "registry.reg"};
    CHeadlessHost host;
    CSimHidBus bus;
    COwner owner{bus};
    std::unique_ptr<CInputsSetup> page;
};

void Report(benchmark::State& state, double pageUs, double unitUs)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["page_cpu_us"] = pageUs / n;
    state.counters["transactions_cpu_us"] = unitUs / n;
    state.counters["beyond_us"] = (pageUs - unitUs) / n;
    state.counters["ratio"] = unitUs > 0 ? pageUs / unitUs : 0.0;
}

// A click into panel 2, then panel 1: two selections; the baseline sends their
// presence checks and routes.
void BM_SelectChannel(benchmark::State& state)
{
    Bed bed;
    CHIDProtocol& p = bed.owner.protocol;
    const auto click = [&](int c) {
        const Rect r = bed.page->GetDlgItem(kChannelPanels[static_cast<size_t>(c)].frame).GetClientRectInDialog();
        bed.page->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MakePointLParam({r.left + 4, r.top + 4}));
    };
    double pageUs = 0, unitUs = 0;
    for (auto _ : state) {
        const double t0 = ThreadCpuUs();
        click(1);
        click(0);
        const double t1 = ThreadCpuUs();
        for (uint8_t route : {4, 3}) {
            benchmark::DoNotOptimize(p.CheckConnection());
            benchmark::DoNotOptimize(p.SetRoute(route, 9));
            benchmark::DoNotOptimize(p.SetRoute(route, 13));
        }
        const double t2 = ThreadCpuUs();
        pageUs += t1 - t0;
        unitUs += t2 - t1;
    }
    Report(state, pageUs, unitUs);
}
BENCHMARK(BM_SelectChannel);

// A gain step on microphone 1 (reaching microphone 2): the baseline sends the
// same line and address writes.
void BM_ChangeGain(benchmark::State& state)
{
    Bed bed;
    CHIDProtocol& p = bed.owner.protocol;
    const int spin = kChannelPanels[0].gainSpin;
    int step = 0;
    double pageUs = 0, unitUs = 0;
    for (auto _ : state) {
        step = step == 3 ? 4 : 3;
        const double t0 = ThreadCpuUs();
        bed.page->ScrollControl(spin, step);
        const double t1 = ThreadCpuUs();
        const PicLineWords lines = bed.page->Model().m_wLines;
        benchmark::DoNotOptimize(p.CheckConnection());
        benchmark::DoNotOptimize(p.SetRoute(1, 13));
        benchmark::DoNotOptimize(p.SetPicLines(lines, true));
        benchmark::DoNotOptimize(p.SetRoute(3, 13));
        for (uint16_t code : {0x2500, 0x24FF, 0x2720, 0x26DF})
            benchmark::DoNotOptimize(p.SendShortCommand(code));
        const double t2 = ThreadCpuUs();
        pageUs += t1 - t0;
        unitUs += t2 - t1;
    }
    Report(state, pageUs, unitUs);
}
BENCHMARK(BM_ChangeGain);

// Ticking the Phantom box of microphone 1 and clearing it again.
void BM_TogglePhantom(benchmark::State& state)
{
    Bed bed;
    CHIDProtocol& p = bed.owner.protocol;
    const int box = kChannelPanels[0].phantom;
    double pageUs = 0, unitUs = 0;
    for (auto _ : state) {
        const double t0 = ThreadCpuUs();
        bed.page->ClickControl(box);
        const double t1 = ThreadCpuUs();
        const PicLineWords lines = bed.page->Model().m_wLines;
        benchmark::DoNotOptimize(p.CheckConnection());
        benchmark::DoNotOptimize(p.SetRoute(1, 13));
        benchmark::DoNotOptimize(p.SetPicLines(lines, true));
        benchmark::DoNotOptimize(p.SetRoute(3, 13));
        const double t2 = ThreadCpuUs();
        pageUs += t1 - t0;
        unitUs += t2 - t1;
    }
    Report(state, pageUs, unitUs);
}
BENCHMARK(BM_TogglePhantom);

}  // namespace
}  // namespace vk

BENCHMARK_MAIN();
