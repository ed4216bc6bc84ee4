#include "platform/clock/Clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace vk {

bool IClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& /*changed*/, uint32_t ms,
                       const std::function<bool()>& ready)
{
    // Small steps of clock time; a driven virtual clock lets the test decide when they pass.
    const uint64_t start = NowMs();
    for (;;) {
        if (ready())
            return true;
        const uint64_t spent = NowMs() - start;
        if (spent >= ms)
            return false;
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
        if (ready())
            return true;
        lock.unlock();
        SleepMs(static_cast<uint32_t>(std::min<uint64_t>(ms - spent, 10)));
        lock.lock();
    }
}

bool CRealClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& changed, uint32_t ms,
                           const std::function<bool()>& ready)
{
    return changed.wait_for(lock, std::chrono::milliseconds(ms), ready);
}

uint64_t CRealClock::NowMs() const
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void CRealClock::SleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

LocalTime CRealClock::Local() const
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&secs, &tm);
    LocalTime t;
    t.wYear = static_cast<uint16_t>(tm.tm_year + 1900);
    t.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
    t.wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    t.wDay = static_cast<uint16_t>(tm.tm_mday);
    t.wHour = static_cast<uint16_t>(tm.tm_hour);
    t.wMinute = static_cast<uint16_t>(tm.tm_min);
    t.wSecond = static_cast<uint16_t>(tm.tm_sec);
    t.wMilliseconds = static_cast<uint16_t>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

CVirtualClock::CVirtualClock(uint64_t startMs) : m_nowMs(startMs) {}

uint64_t CVirtualClock::NowMs() const
{
    std::lock_guard lock(m_mutex);
    return m_nowMs;
}

bool CVirtualClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& changed, uint32_t ms,
                              const std::function<bool()>& ready)
{
    if (IsDriven())
        return IClock::WaitUntil(lock, changed, ms, ready);
    constexpr uint32_t kStepMs = 10;
    const uint64_t start = NowMs();
    for (;;) {
        if (ready())
            return true;
        const uint64_t spent = NowMs() - start;
        if (spent >= ms)
            return false;
        const auto step = static_cast<uint32_t>(std::min<uint64_t>(ms - spent, kStepMs));
        if (changed.wait_for(lock, std::chrono::milliseconds(step), ready))
            return true;
        lock.unlock();
        SleepMs(step);
        lock.lock();
    }
}

bool CVirtualClock::IsDriven() const
{
    std::lock_guard lock(m_mutex);
    return m_driven;
}

void CVirtualClock::SleepMs(uint32_t ms)
{
    std::unique_lock lock(m_mutex);
    if (!m_driven) {
        m_nowMs += ms;
        m_changed.notify_all();
        return;
    }
    const uint64_t deadline = m_nowMs + ms;
    ++m_sleepers;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_nowMs >= deadline || !m_driven; });
    --m_sleepers;
}

LocalTime CVirtualClock::Local() const
{
    std::lock_guard lock(m_mutex);
    // Good enough for records and file names: the base date plus the elapsed time of day.
    LocalTime t = m_base;
    uint64_t ms = m_nowMs + ((static_cast<uint64_t>(t.wHour) * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
    const uint64_t days = ms / 86400000;
    ms %= 86400000;
    t.wDay = static_cast<uint16_t>(t.wDay + days);  // tests never run for a month of virtual time
    t.wDayOfWeek = static_cast<uint16_t>((t.wDayOfWeek + days) % 7);
    t.wHour = static_cast<uint16_t>(ms / 3600000);
    t.wMinute = static_cast<uint16_t>(ms / 60000 % 60);
    t.wSecond = static_cast<uint16_t>(ms / 1000 % 60);
    t.wMilliseconds = static_cast<uint16_t>(ms % 1000);
    return t;
}

void CVirtualClock::Advance(uint64_t ms)
{
    std::lock_guard lock(m_mutex);
    m_nowMs += ms;
    m_changed.notify_all();
}

void CVirtualClock::AdvanceTo(uint64_t ms)
{
    std::lock_guard lock(m_mutex);
    if (ms > m_nowMs)
        m_nowMs = ms;
    m_changed.notify_all();
}

void CVirtualClock::SetDriven(bool driven)
{
    std::lock_guard lock(m_mutex);
    m_driven = driven;
    m_changed.notify_all();
}

void CVirtualClock::SetLocalBase(const LocalTime& t)
{
    std::lock_guard lock(m_mutex);
    m_base = t;
}

void CVirtualClock::WaitForSleepers(size_t n)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_sleepers >= n || !m_driven; });
}

namespace {
CRealClock g_realClock;
std::atomic<IClock*> g_clock{&g_realClock};
}  // namespace

IClock& Clock() { return *g_clock.load(std::memory_order_acquire); }

void SetClock(IClock* clock) { g_clock.store(clock ? clock : &g_realClock, std::memory_order_release); }

}  // namespace vk
