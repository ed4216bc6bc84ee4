#pragma once
// The scenario's clock: virtual time that only the window thread moves (by its
// own sleeps and the script's waits). Worker threads (the audio engine's) sleep
// until that time has come, and every time it moves the window thread waits
// until they have done what was due and sleep again (or have ended), so what
// they post arrives at the same point of every run.
//
// Workers act only while the window thread settles, one after another in the
// order they were started: a new worker waits in its first look at the clock,
// and a worker's message box (AwaitTurn) waits, until the window thread's next
// settle gives it its turn. So a box a worker raises as it starts, and what it
// posts, land at the same place of every transcript.
//
// While an engine is being stopped its workers' sleeps pass at once on a time
// of their own: stopping never waits for virtual time, and moves none. The
// workers of another engine that goes on running keep to the virtual time.

#include "platform/clock/Clock.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace vk::scenario {

class CScenarioClock final : public IClock {
public:
    CScenarioClock();
    ~CScenarioClock() override;

    // The thread whose sleeps move the time (the first caller by default).
    void SetWindowThread(std::thread::id id);
    // The sound cards' pace: while workers run, the time moves at most to the
    // next multiple of tickMs at once, and onTick(n) runs on the window thread
    // for the n multiples passed, before the workers see the new time (a worker
    // that wakes finds what the cards brought in that time).
    void SetTick(uint64_t tickMs, std::function<void(uint64_t ticks)> onTick);

    [[nodiscard]] uint64_t NowMs() const override;
    void SleepMs(uint32_t ms) override;
    [[nodiscard]] LocalTime Local() const override { return m_base.Local(); }

    // Window thread: lets the workers started since the last move take their
    // first turn at the time they were started, then moves the time (never
    // back) and lets the workers catch up.
    void AdvanceTo(uint64_t ms);
    // Window thread: gives the workers waiting for a turn theirs, one after
    // another, and waits until every worker sleeps towards a later time or has
    // ended. False when it gave up at kSettleLimitMs.
    bool Settle();
    // Every worker's sleeps and turns pass at once (the run or the window ends)
    // or wait for the time again. Releasing forgets the workers still expected.
    void ReleaseWorkers(bool release);
    // These threads (a stopping engine's workers, or the old run a new Start
    // waits for) sleep and take turns at once from now until they end; one that
    // was started but has not looked at the clock yet is released when it does.
    void ReleaseThreads(const std::vector<std::thread::id>& ids);
    // Window thread: this worker has just been started. Settle waits for it to
    // show up (its first look at the clock) as well; it takes its turns after
    // the workers started before it.
    void ExpectThread(std::thread::id id);
    // A worker: waits until the window thread settles and it is this worker's
    // turn (at once for the window thread, a released worker, or after the stuck limit).
    void AwaitTurn();
    // Tests: blocks until n workers wait for their turn; false after kStuckLimitMs.
    [[nodiscard]] bool AwaitWorkersWaitingForTurn(size_t n);

    // Real-time bound of one Settle: a worker busy longer is left to itself.
    static constexpr int kSettleLimitMs = 10000;
    // Real-time bound of a worker's sleep while the time does not move.
    static constexpr int kStuckLimitMs = 30000;

private:
    struct Worker {
        bool asleep = false;
        uint64_t deadline = 0;
        uint64_t ownOffset = 0;    // time a released worker has slept on its own
        bool released = false;     // its engine is stopping: it sleeps at once until it ends
        bool waitsTurn = false;    // it waits for the window thread to let it act
        bool turnGiven = false;
        uint64_t order = 0;        // when it was started: turns go in this order
    };
    // A worker started and not shown up yet.
    struct Expected {
        uint64_t order = 0;
        bool released = false;
    };
    friend struct WorkerToken;
    [[nodiscard]] bool OnWindowThread() const;
    Worker& Register(std::unique_lock<std::mutex>& lock);  // lock held; a new worker waits for its turn
    void WaitTurn(Worker& self, std::unique_lock<std::mutex>& lock);
    void Gone(std::thread::id id);
    // Lock held: every worker sleeps towards a later time, has ended, or waits for a turn.
    [[nodiscard]] bool Quiet() const;
    // Lock held: the first worker waiting for a turn, or null.
    [[nodiscard]] Worker* NextTurn();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_nowMs = 0;
    std::thread::id m_window;
    bool m_release = false;
    uint64_t m_started = 0;  // workers started so far
    std::map<std::thread::id, Expected> m_expected;
    std::map<std::thread::id, Worker> m_workers;
    [[nodiscard]] bool WorkersRun() const;  // lock held
    uint64_t m_tickMs = 0;
    std::function<void(uint64_t)> m_onTick;
    CVirtualClock m_base;  // local time
};

}  // namespace vk::scenario
