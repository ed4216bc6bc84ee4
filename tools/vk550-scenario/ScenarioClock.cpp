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

CScenarioClock::Worker& CScenarioClock::Register(std::unique_lock<std::mutex>& lock)
{
    if (t_token.clock != this)
        t_token.clock = this;
    const auto [it, added] = m_workers.try_emplace(std::this_thread::get_id());
    if (!added)
        return it->second;
    Worker& self = it->second;
    if (const auto expected = m_expected.find(it->first); expected != m_expected.end()) {
        self.order = expected->second.order;
        self.released = expected->second.released;
        m_expected.erase(expected);
    } else {
        self.order = ++m_started;  // started by nobody the clock was told of
    }
    // What a new worker does before its first sleep happens while the window
    // thread settles, not beside what the window thread goes on doing.
    WaitTurn(self, lock);
    return self;
}

void CScenarioClock::WaitTurn(Worker& self, std::unique_lock<std::mutex>& lock)
{
    if (m_release || self.released)
        return;
    self.waitsTurn = true;
    self.turnGiven = false;
    m_changed.notify_all();
    // A window thread that waits for this worker in real time (joining it)
    // settles no more: after a long real wait the worker goes on by itself.
    (void)m_changed.wait_for(lock, std::chrono::milliseconds(kStuckLimitMs),
                             [&] { return self.turnGiven || m_release || self.released; });
    self.waitsTurn = false;
    self.turnGiven = false;
    m_changed.notify_all();
}

void CScenarioClock::AwaitTurn()
{
    if (OnWindowThread())
        return;
    std::unique_lock lock(m_mutex);
    Worker& self = Register(lock);
    WaitTurn(self, lock);
}

bool CScenarioClock::AwaitWorkersWaitingForTurn(size_t n)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(kStuckLimitMs), [&] {
        return static_cast<size_t>(std::count_if(m_workers.begin(), m_workers.end(), [](const auto& w) {
                   return w.second.waitsTurn && !w.second.turnGiven;
               })) >= n;
    });
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
    std::unique_lock lock(m_mutex);
    if (OnWindowThread())
        return m_nowMs;
    // A worker shows up with its first look at the clock.
    const Worker& self = const_cast<CScenarioClock*>(this)->Register(lock);
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
    Worker& self = Register(lock);
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
    if (!m_expected.empty())
        return true;
    return std::any_of(m_workers.begin(), m_workers.end(), [](const auto& w) { return !w.second.released; });
}

void CScenarioClock::AdvanceTo(uint64_t ms)
{
    (void)Settle();
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
        (void)Settle();
    }
    (void)Settle();
}

bool CScenarioClock::Quiet() const
{
    if (!m_expected.empty())
        return false;
    // A released worker is on its way out: what it does before it ends is
    // done before the next step too.
    for (const auto& [id, w] : m_workers) {
        if (w.waitsTurn && !w.turnGiven && !w.released)
            continue;
        if (w.released || !w.asleep || m_nowMs + w.ownOffset >= w.deadline)
            return false;
    }
    return true;
}

CScenarioClock::Worker* CScenarioClock::NextTurn()
{
    Worker* next = nullptr;
    for (auto& [id, w] : m_workers)
        if (w.waitsTurn && !w.turnGiven && (!next || w.order < next->order))
            next = &w;
    return next;
}

bool CScenarioClock::Settle()
{
    std::unique_lock lock(m_mutex);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSettleLimitMs);
    for (;;) {
        if (!m_changed.wait_until(lock, limit, [&] { return Quiet(); })) {
            m_expected.clear();  // a worker that never showed up is not waited for again
            return false;
        }
        Worker* next = NextTurn();
        if (!next)
            return true;
        next->turnGiven = true;
        m_changed.notify_all();
    }
}

void CScenarioClock::ExpectThread(std::thread::id id)
{
    std::lock_guard lock(m_mutex);
    const uint64_t order = ++m_started;
    if (const auto it = m_workers.find(id); it != m_workers.end())
        it->second.order = order;  // it showed up before the window thread heard of it
    else
        m_expected[id].order = order;
}

void CScenarioClock::ReleaseWorkers(bool release)
{
    {
        std::lock_guard lock(m_mutex);
        m_release = release;
        if (release)
            m_expected.clear();
    }
    m_changed.notify_all();
}

void CScenarioClock::ReleaseThreads(const std::vector<std::thread::id>& ids)
{
    {
        std::lock_guard lock(m_mutex);
        // An id that is neither a worker nor expected belongs to a thread that
        // has ended already (a new thread may get its id once it is joined).
        for (const std::thread::id id : ids) {
            if (const auto it = m_workers.find(id); it != m_workers.end())
                it->second.released = true;
            else if (const auto expected = m_expected.find(id); expected != m_expected.end())
                expected->second.released = true;
        }
    }
    m_changed.notify_all();
}

}  // namespace vk::scenario
