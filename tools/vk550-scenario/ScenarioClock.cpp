#include "ScenarioClock.h"

#include <algorithm>
#include <chrono>

namespace vk::scenario {

// Tells the clock when a worker thread that slept on it ends.
struct WorkerToken {
    CScenarioClock* clock = nullptr;
    ~WorkerToken()
    {
        if (clock)
            clock->Gone(std::this_thread::get_id());
    }
};

namespace {
thread_local WorkerToken t_token;
}  // namespace

CScenarioClock::CScenarioClock() : m_window(std::this_thread::get_id()) {}

CScenarioClock::~CScenarioClock()
{
    // Threads that outlive the clock must not report to it.
    if (t_token.clock == this)
        t_token.clock = nullptr;
}

void CScenarioClock::SetWindowThread(std::thread::id id)
{
    std::lock_guard lock(m_mutex);
    m_window = id;
}

bool CScenarioClock::OnWindowThread() const { return std::this_thread::get_id() == m_window; }

CScenarioClock::Worker& CScenarioClock::Register()
{
    if (t_token.clock != this)
        t_token.clock = this;
    const auto [it, added] = m_workers.try_emplace(std::this_thread::get_id());
    if (added && m_expected > 0)
        --m_expected;
    if (added && m_pendingReleases.erase(it->first) > 0)
        it->second.released = true;
    return it->second;
}

void CScenarioClock::Gone(std::thread::id id)
{
    {
        std::lock_guard lock(m_mutex);
        m_workers.erase(id);
    }
    m_changed.notify_all();
}

uint64_t CScenarioClock::NowMs() const
{
    std::lock_guard lock(m_mutex);
    if (OnWindowThread())
        return m_nowMs;
    // A worker shows up with its first look at the clock.
    const Worker& self = const_cast<CScenarioClock*>(this)->Register();
    return m_nowMs + self.ownOffset;
}

void CScenarioClock::SleepMs(uint32_t ms)
{
    if (OnWindowThread()) {
        uint64_t to = 0;
        {
            std::lock_guard lock(m_mutex);
            to = m_nowMs + ms;
        }
        AdvanceTo(to);
        return;
    }
    std::unique_lock lock(m_mutex);
    Worker& self = Register();
    if (m_release || self.released) {
        self.ownOffset += ms;
        lock.unlock();
        std::this_thread::yield();
        return;
    }
    self.deadline = m_nowMs + self.ownOffset + ms;
    self.asleep = true;
    m_changed.notify_all();
    const auto due = [&] { return m_release || self.released || m_nowMs + self.ownOffset >= self.deadline; };
    // A window thread that waits for this worker in real time (joining it) moves
    // no time: after a long real wait the worker's sleep passes on its own time.
    if (!m_changed.wait_for(lock, std::chrono::milliseconds(kStuckLimitMs), due))
        self.ownOffset = self.deadline - m_nowMs;
    self.asleep = false;
    m_changed.notify_all();
}

void CScenarioClock::SetTick(uint64_t tickMs, std::function<void(uint64_t ticks)> onTick)
{
    std::lock_guard lock(m_mutex);
    m_tickMs = tickMs;
    m_onTick = std::move(onTick);
}

bool CScenarioClock::WorkersRun() const
{
    if (m_expected > 0)
        return true;
    return std::any_of(m_workers.begin(), m_workers.end(), [](const auto& w) { return !w.second.released; });
}

void CScenarioClock::AdvanceTo(uint64_t ms)
{
    for (;;) {
        uint64_t from = 0;
        uint64_t to = 0;
        {
            std::lock_guard lock(m_mutex);
            from = m_nowMs;
            if (ms <= from)
                break;
            to = ms;
            // A worker waits for its blocks as the time passes: each tick comes at its time.
            if (m_tickMs > 0 && WorkersRun())
                to = std::min(ms, (from / m_tickMs + 1) * m_tickMs);
        }
        const uint64_t ticks = m_tickMs > 0 ? to / m_tickMs - from / m_tickMs : 0;
        if (ticks > 0 && m_onTick)
            m_onTick(ticks);
        {
            std::lock_guard lock(m_mutex);
            m_nowMs = to;
        }
        m_changed.notify_all();
        Settle();
    }
    Settle();
}

void CScenarioClock::Settle()
{
    std::unique_lock lock(m_mutex);
    const auto settled = [&] {
        if (m_expected > 0)
            return false;
        // A released worker is on its way out: what it does before it ends is
        // done before the next step too.
        for (const auto& [id, w] : m_workers)
            if (w.released || !w.asleep || m_nowMs + w.ownOffset >= w.deadline)
                return false;
        return true;
    };
    if (!m_changed.wait_for(lock, std::chrono::milliseconds(kSettleLimitMs), settled))
        m_expected = 0;  // a worker that never showed up (it ended at once) is not waited for again
}

void CScenarioClock::ExpectWorkers(int n)
{
    std::lock_guard lock(m_mutex);
    m_expected += n;
}

void CScenarioClock::ReleaseWorkers(bool release)
{
    {
        std::lock_guard lock(m_mutex);
        m_release = release;
        if (release)
            m_expected = 0;
    }
    m_changed.notify_all();
}

}  // namespace vk::scenario

namespace vk::scenario {

void CScenarioClock::ReleaseThreads(const std::vector<std::thread::id>& ids)
{
    {
        std::lock_guard lock(m_mutex);
        for (const std::thread::id id : ids) {
            if (const auto it = m_workers.find(id); it != m_workers.end())
                it->second.released = true;
            else
                m_pendingReleases.insert(id);
        }
    }
    m_changed.notify_all();
}

void CScenarioClock::ForgetPendingReleases()
{
    std::lock_guard lock(m_mutex);
    m_pendingReleases.clear();
}

}  // namespace vk::scenario
