#pragma once
// One clock for sleeps, waits and local time. The logic never asks the system
// for time directly, so tests can run minutes of unit time in microseconds.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

namespace vk {

// Broken-down local time with the field order and widths of the Windows SYSTEMTIME,
// which is what the traffic-viewer record carries on the wire.
struct LocalTime {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds on a monotonic time line; only differences mean anything.
    [[nodiscard]] virtual uint64_t NowMs() const = 0;
    virtual void SleepMs(uint32_t ms) = 0;
    [[nodiscard]] virtual LocalTime Local() const = 0;
    // Waits up to ms of this clock's time until ready() holds, and says whether
    // it does. `lock` holds the mutex that guards what ready() reads (held again
    // on return); whoever changes that notifies `changed`. This default polls
    // in sleeps of this clock, so on a virtual clock the time passes as the
    // waiter sleeps; the real clock waits on `changed`.
    [[nodiscard]] virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                                         uint32_t ms, const std::function<bool()>& ready);
};

class CRealClock final : public IClock {
public:
    [[nodiscard]] uint64_t NowMs() const override;
    void SleepMs(uint32_t ms) override;
    [[nodiscard]] LocalTime Local() const override;
    [[nodiscard]] bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& changed, uint32_t ms,
                                 const std::function<bool()>& ready) override;
};

// Time moves only when somebody sleeps or advances it. Thread-safe: a worker
// thread may sleep while the test thread advances.
//
// Two modes: a free-running virtual clock (default) where SleepMs simply adds
// to the time, so a 120 s wait returns at once; and a driven clock
// (SetDriven(true)) where SleepMs blocks until another thread advances time
// past the sleeper's deadline.
class CVirtualClock final : public IClock {
public:
    explicit CVirtualClock(uint64_t startMs = 0);

    [[nodiscard]] uint64_t NowMs() const override;
    void SleepMs(uint32_t ms) override;
    [[nodiscard]] LocalTime Local() const override;

    // Free-running: each step of the wait gives the thread that would make it
    // ready as much real time as the step's clock time, so a device paced at
    // real time is not judged silent before it could deliver. Driven: as IClock.
    [[nodiscard]] bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& changed, uint32_t ms,
                                 const std::function<bool()>& ready) override;
    void Advance(uint64_t ms);
    void AdvanceTo(uint64_t ms);  // never goes back
    void SetDriven(bool driven);
    void SetLocalBase(const LocalTime& t);  // local time at NowMs() == 0
    // Driven mode: blocks until at least n threads are asleep on this clock,
    // so a test advances time only after the worker has started waiting.
    void WaitForSleepers(size_t n);

private:
    [[nodiscard]] bool IsDriven() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_nowMs;
    bool m_driven = false;
    size_t m_sleepers = 0;
    LocalTime m_base{2026, 12, 3, 9, 8, 30, 0, 0};
};

// The process-wide clock; the real one unless a test or --simulate installs another.
IClock& Clock();
void SetClock(IClock* clock);  // nullptr restores the real clock

}  // namespace vk
