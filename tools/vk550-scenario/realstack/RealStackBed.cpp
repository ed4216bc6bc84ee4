#include "tools/vk550-scenario/realstack/RealStackBed.h"

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/clock/Clock.h"

namespace vk::test {

namespace fs = std::filesystem;

namespace {
// The bed follows the units this often: udev events and cards come this late at most.
constexpr auto kStepPeriod = std::chrono::milliseconds(10);

// A run that was killed leaves its folder and its sound server behind (the
// server runs in a session of its own). Old ones go: the server only when its
// command line names the folder, so a recycled process id is never hit.
void RemoveLeftovers()
{
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (auto it = fs::directory_iterator("/tmp", ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path folder = it->path();
        if (folder.filename().string().rfind("vk-rs-", 0) != 0 || !it->is_directory(ec))
            continue;
        const auto written = fs::last_write_time(folder, ec);
        if (ec || now - written < std::chrono::minutes(10))
            continue;
        std::ifstream pidFile(folder / "pa" / "pid");
        long pid = 0;
        if (pidFile >> pid && pid > 1) {
            std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
            const std::string command((std::istreambuf_iterator<char>(cmdline)), {});
            if (command.find(folder.string() + "/") != std::string::npos)
                ::kill(static_cast<pid_t>(pid), SIGTERM);
        }
        fs::remove_all(folder, ec);
    }
}
}  // namespace

CRealStackBed::CRealStackBed() = default;

CRealStackBed::~CRealStackBed()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    if (m_sound)
        m_sound->Stop();
    m_bed.reset();
    if (m_store)
        SetSettings(nullptr);
    std::error_code ec;
    if (!m_folder.empty())
        fs::remove_all(m_folder, ec);
}

bool CRealStackBed::Start(std::string* error)
{
    auto fail = [error](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!CUmockdevBed::PreloadActive())
        return fail("umockdev's preload library is not active in this process");
    RemoveLeftovers();
    CUmockdevBed::RemoveLeftovers();
    // Short: the sound server's socket lives below it.
    char pattern[] = "/tmp/vk-rs-XXXXXX";
    if (!::mkdtemp(pattern))
        return fail("cannot make a private folder in /tmp");
    m_folder = pattern;
    for (const char* sub : {"config", "home", "data", "cache", "state", "runtime", "runtime/quorvel-windows"})
        fs::create_directories(m_folder / sub);
    ::chmod((m_folder / "runtime").c_str(), 0700);
    m_sound = std::make_unique<CPrivateSoundServer>(m_folder / "pa");
    // Everything the program writes (settings, recordings, caches) stays in the
    // bed's folder and goes with it: never in the home of whoever runs the bed.
    ::setenv("HOME", (m_folder / "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (m_folder / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (m_folder / "cache").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (m_folder / "state").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", ConfigFolder().c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (m_folder / "runtime").c_str(), 1);
    ::setenv("QUORVEL_WINDOWS_DIR", (m_folder / "runtime/quorvel-windows").c_str(), 1);
    ::setenv("PULSE_SERVER", m_sound->Address().c_str(), 1);
    ::setenv("PULSE_COOKIE", m_sound->Cookie().c_str(), 1);
    m_store = std::make_unique<CSettingsStore>(ConfigFolder() / "Selvo" / "registry.reg");
    SetSettings(m_store.get());
    if (!m_sound->Start(error, m_folder))
        return false;
    try {
        m_bed = std::make_unique<CUmockdevBed>();
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

int CRealStackBed::Attach(std::shared_ptr<CSimUnit> unit, bool cardListedNow)
{
    int number = 0;
    {
        std::lock_guard lock(m_mutex);
        Followed f;
        f.unit = unit;
        if (cardListedNow) {
            f.generation = unit->Generation();
            f.listAtMs = 0;
            f.pendingName = unit->UsbName();
            f.announce = false;
        }
        m_units.push_back(std::move(f));
        number = static_cast<int>(m_units.size());
    }
    m_bed->Attach(std::move(unit));
    m_wake.notify_all();
    return number;
}

void CRealStackBed::Unplug(int number)
{
    if (auto unit = Unit(number))
        m_bed->Unplug(unit);
    m_wake.notify_all();
}

void CRealStackBed::Replug(int number)
{
    if (auto unit = Unit(number)) {
        unit->Plug();
        m_bed->Sync();
    }
    m_wake.notify_all();
}

void CRealStackBed::SetTone(std::optional<CPrivateSoundServer::Tone> tone)
{
    {
        std::lock_guard lock(m_mutex);
        m_tone = tone;
        m_toneChanged = true;
    }
    m_wake.notify_all();
}

std::shared_ptr<CSimUnit> CRealStackBed::Unit(int number) const
{
    std::lock_guard lock(m_mutex);
    if (number < 1 || static_cast<size_t>(number) > m_units.size())
        return nullptr;
    return m_units[static_cast<size_t>(number - 1)].unit;
}

std::string CRealStackBed::CardName(int number) const
{
    std::lock_guard lock(m_mutex);
    if (number < 1 || static_cast<size_t>(number) > m_units.size())
        return {};
    return m_units[static_cast<size_t>(number - 1)].listedName;
}

std::string CRealStackBed::DevNode(int number)
{
    auto unit = Unit(number);
    return unit ? m_bed->DevNode(unit) : std::string();
}

void CRealStackBed::Run()
{
    std::unique_lock lock(m_mutex);
    auto touched = std::chrono::steady_clock::now();
    while (!m_stop) {
        lock.unlock();
        Step();
        // A live bed's folder stays young: other runs leave it alone.
        if (std::chrono::steady_clock::now() - touched > std::chrono::minutes(1)) {
            touched = std::chrono::steady_clock::now();
            std::error_code ec;
            fs::last_write_time(m_folder, fs::file_time_type::clock::now(), ec);
        }
        lock.lock();
        m_wake.wait_for(lock, kStepPeriod, [this] { return m_stop; });
    }
}

void CRealStackBed::Step()
{
    // The hidraw nodes first (units leaving and returning, answers coming due),
    // then the cards, which follow what the bus shows.
    m_bed->Sync();
    const uint64_t now = Clock().NowMs();
    struct Change {
        int number;
        std::string name;  // "" unlists
        bool announce = true;
    };
    std::vector<Change> changes;
    std::optional<std::optional<CPrivateSoundServer::Tone>> tone;  // set: changed
    {
        std::lock_guard lock(m_mutex);
        if (m_toneChanged) {
            m_toneChanged = false;
            tone = m_tone;
        }
        for (size_t i = 0; i < m_units.size(); ++i) {
            Followed& f = m_units[i];
            const int number = static_cast<int>(i + 1);
            const bool present = f.unit->Present();
            const uint64_t generation = f.unit->Generation();
            // A card is named as listed until the server has dropped it.
            if (!f.listedName.empty() && (!present || generation != f.generation))
                changes.push_back({number, ""});
            if (!present) {
                f.listAtMs.reset();
                continue;
            }
            if (generation != f.generation) {
                f.generation = generation;
                f.announce = true;
                const auto after = f.unit->ResetTiming().cardAfterMs;
                f.listAtMs.reset();
                if (after)
                    f.listAtMs = f.unit->AppearedAtMs() + *after;
                f.pendingName = f.unit->UsbName();
            }
            if (f.listAtMs && now >= *f.listAtMs) {
                f.listAtMs.reset();
                changes.push_back({number, f.pendingName, f.announce});
            }
        }
    }
    for (const Change& c : changes) {
        bool listed = false;
        if (c.name.empty())
            m_sound->UnlistCard(c.number);
        else
            listed = m_sound->ListCard(c.number, c.name);
        if (listed || c.name.empty()) {
            std::lock_guard lock(m_mutex);
            m_units[static_cast<size_t>(c.number - 1)].listedName = c.name;
        }
        if (onCard && c.announce && (listed || c.name.empty()))
            onCard(c.number, c.name);
    }
    if (tone)
        m_sound->SetTone(*tone);
}

}  // namespace vk::test
