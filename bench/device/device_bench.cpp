// Cost of the unit link itself, against the simulated unit answering at once.
// Each benchmark times the protocol call and, in the same loop, the bare round
// trip (the baseline): one output report written and its answer read, through
// handles opened as the protocol opens its own, on a bus of their own with a
// unit of their own (so neither side finds the other's answers queued), with
// nothing on top. The protocol does at least that per call, so the baseline is
// a floor; the difference is the protocol's overhead, shown also as a share of
// one 1 ms USB frame, and ratio compares the two in thread CPU time. The
// transaction benchmarks run without a viewer (/0), with the socket folder but
// no viewer (/1) and with a viewer listening in it (/2); for /1 and /2,
// viewer_us and vs_no_viewer compare with /0 of the same run (wall clock; between
// two transactions the viewer takes its records, as in a user's run, so a slow
// viewer's backlog is not counted), viewer_cpu_us the CPU time of the
// transaction's own thread.
#include "device/HIDProtocol.h"
#include "platform/ipc/ViewerRecord.h"
#include "platform/ipc/WindowDirectory.h"
#include "platform/ipc/WindowSocket.h"
#include "sim/hid/SimHidBus.h"

#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

namespace vk {
namespace {

using Steady = std::chrono::steady_clock;

class CNoViewer final : public IWindowDirectory {
public:
    std::unique_ptr<IRemoteWindow> FindWindow(const std::string&) override { return nullptr; }
};

// A traffic viewer that takes every record, on a thread of its own.
class CListeningViewer {
public:
    CListeningViewer() : m_receiver(CWindowReceiver::Bind(kViewerWindowTitle))
    {
        if (!m_receiver)
            std::abort();
        // Takes each datagram as it comes (the decoding is the viewer's own business).
        timeval wake{0, 50000};
        (void)::setsockopt(m_receiver->Fd(), SOL_SOCKET, SO_RCVTIMEO, &wake, sizeof wake);
        m_thread = std::thread([this] {
            uint8_t datagram[512];
            while (!m_stop.load())
                if (::recv(m_receiver->Fd(), datagram, sizeof datagram, 0) > 0)
                    m_taken.fetch_add(1);
        });
    }
    ~CListeningViewer()
    {
        m_stop.store(true);
        m_thread.join();
    }
    CListeningViewer(const CListeningViewer&) = delete;
    CListeningViewer& operator=(const CListeningViewer&) = delete;

    // Waits (outside the timed part) until the viewer has taken this many records
    // in all, as it has between two transactions of a user's run.
    void WaitUntilTaken(uint64_t records) const
    {
        while (m_taken.load() < records)
            std::this_thread::yield();
    }

private:
    std::unique_ptr<CWindowReceiver> m_receiver;
    std::atomic<uint64_t> m_taken{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Arg 0: no viewer can be found at all; arg 1: the socket directory looks for
// one in an empty folder; arg 2: a viewer listens there and takes every record.
std::unique_ptr<CListeningViewer> ChooseViewerDirectory(benchmark::State& state, CNoViewer& none)
{
    if (state.range(0) == 0) {
        SetWindows(&none);
        return nullptr;
    }
    const auto dir = std::filesystem::temp_directory_path() / ("vk-bench-windows-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    setenv("QUORVEL_WINDOWS_DIR", dir.c_str(), 1);
    SetWindows(nullptr);
    return state.range(0) == 2 ? std::make_unique<CListeningViewer>() : nullptr;
}

// The protocol on a bus of its own.
struct Link {
    CSimHidBus bus;
    std::string path = bus.Plug(std::make_shared<CSimUnit>(SimUnitKind::StandAlone));
    CHIDProtocol protocol{bus};
};

// The same transport with nothing on top: a second bus and unit, one handle
// opened for reading and one for writing in the protocol's modes, reports of the
// lengths the interface gives.
struct BareLink {
    CSimHidBus bus;
    std::string path = bus.Plug(std::make_shared<CSimUnit>(SimUnitKind::StandAlone));
    std::unique_ptr<IHidInterface> read = bus.Open(path, {true, false, true, false});
    std::unique_ptr<IHidInterface> write = bus.Open(path, {false, true, false, false});
    std::vector<uint8_t> output = std::vector<uint8_t>(write->Caps().outputReportByteLength);
    std::vector<uint8_t> input = std::vector<uint8_t>(read->Caps().inputReportByteLength);

    void RoundTrip(std::initializer_list<uint8_t> bytes)
    {
        std::fill(output.begin(), output.end(), 0);
        std::copy(bytes.begin(), bytes.end(), output.begin() + 1);
        if (!write->WriteReport(output) || read->ReadReport(input, 1000) != HidReadStatus::Ok)
            std::abort();  // no floor without an answer
    }
};

// The protocol's time without any viewer (arg 0) per benchmark, kept for the
// viewer runs of the same program run.
std::map<std::string, double>& NoViewerUs()
{
    static std::map<std::string, double> times;
    return times;
}

void Report(benchmark::State& state, const std::string& name, Steady::duration protocol, Steady::duration baseline)
{
    const double n = static_cast<double>(state.iterations());
    const double protocolUs = std::chrono::duration<double, std::micro>(protocol).count() / n;
    const double baselineUs = std::chrono::duration<double, std::micro>(baseline).count() / n;
    state.counters["protocol_us"] = protocolUs;
    state.counters["baseline_us"] = baselineUs;
    state.counters["overhead_us"] = protocolUs - baselineUs;
    state.counters["overhead_pct_of_1ms"] = (protocolUs - baselineUs) / 1000.0 * 100.0;
    if (state.range(0) == 0) {
        NoViewerUs()[name] = protocolUs;
    } else if (const auto it = NoViewerUs().find(name); it != NoViewerUs().end()) {
        // What looking for (arg 1) or copying to (arg 2) the viewer adds to one transaction.
        state.counters["viewer_us"] = protocolUs - it->second;
        state.counters["vs_no_viewer"] = protocolUs / it->second;
    }
}

// CPU time of the calling thread: what the program itself pays, without the
// waits for a viewer that has not yet taken the records sent before.
double ThreadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// ratio: the protocol's thread CPU time over the bare round trip's, each with one
// reading of the CPU clock; CPU time, as a busy machine that takes the processor
// away between the two would make a wall-clock ratio say nothing.
void ReportCpu(benchmark::State& state, const std::string& name, double cpuUs, double baselineCpuUs)
{
    static std::map<std::string, double> noViewer;
    state.counters["protocol_cpu_us"] = cpuUs;
    state.counters["baseline_cpu_us"] = baselineCpuUs;
    state.counters["ratio"] = baselineCpuUs > 0 ? cpuUs / baselineCpuUs : 0.0;
    if (state.range(0) == 0)
        noViewer[name] = cpuUs;
    else if (const auto it = noViewer.find(name); it != noViewer.end())
        state.counters["viewer_cpu_us"] = cpuUs - it->second;
}

// Times op against the bare round trip of the same bytes, in one loop.
template <class Op>
void RunAgainstBaseline(benchmark::State& state, const std::string& name, Op op, std::initializer_list<uint8_t> bytes)
{
    CNoViewer none;
    const auto listening = ChooseViewerDirectory(state, none);
    Link link;
    link.protocol.OpenUnit(kFamilyFilter, false);
    BareLink bare;
    Steady::duration protocol{}, baseline{};
    double protocolCpuNs = 0, baselineCpuNs = 0;
    uint64_t records = 0;
    for (auto _ : state) {
        const double c0 = ThreadCpuNs();
        const auto t0 = Steady::now();
        benchmark::DoNotOptimize(op(link.protocol));
        const auto t1 = Steady::now();
        const double c1 = ThreadCpuNs();
        const auto t2 = Steady::now();
        bare.RoundTrip(bytes);
        const auto t3 = Steady::now();
        const double c2 = ThreadCpuNs();
        protocolCpuNs += c1 - c0;
        baselineCpuNs += c2 - c1;
        protocol += t1 - t0;
        baseline += t3 - t2;
        if (listening)
            listening->WaitUntilTaken(records += 2);  // the command and its answer
    }
    Report(state, name, protocol, baseline);
    const double n = static_cast<double>(state.iterations());
    ReportCpu(state, name, protocolCpuNs / 1000.0 / n, baselineCpuNs / 1000.0 / n);
    SetWindows(nullptr);
}

void BM_SendShortCommand(benchmark::State& state)
{
    RunAgainstBaseline(state, "short", [](CHIDProtocol& p) { return p.SendShortCommand(0x0555); }, {0x05, 0x55});
}
BENCHMARK(BM_SendShortCommand)->Arg(0)->Arg(1)->Arg(2);

void BM_Transact(benchmark::State& state)
{
    const CommandBlock command{0xF0, 0x0D, 0, 0, 10, 0, 0, 0};
    CommandBlock answer{};
    RunAgainstBaseline(state, "long", [&](CHIDProtocol& p) { return p.Transact(command, answer); }, {0xF0, 0x0D, 0, 0, 10, 0, 0, 0});
}
BENCHMARK(BM_Transact)->Arg(0)->Arg(1)->Arg(2);

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
