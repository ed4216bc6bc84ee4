#include "platform/sound/WaveEvent.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/clock/Clock.h"

namespace vk {

void CWaveEvent::Set()
{
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    m_set.notify_all();
}

void CWaveEvent::Reset()
{
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool CWaveEvent::TakeSignal()
{
    std::lock_guard lock(m_mutex);
    const bool was = m_signalled;
    m_signalled = false;
    return was;
}

uint32_t CWaveEvent::Wait(uint32_t ms)
{
    IClock& clock = Clock();
    if (dynamic_cast<CRealClock*>(&clock) != nullptr) {
        std::unique_lock lock(m_mutex);
        if (!m_set.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_signalled; }))
            return WAIT_TIMEOUT;
        m_signalled = false;
        return WAIT_OBJECT_0;
    }
    // On a virtual clock time moves only by sleeping on it, so poll in small
    // steps of clock time; a driven clock lets the test decide when they pass.
    const uint64_t start = clock.NowMs();
    for (;;) {
        if (TakeSignal())
            return WAIT_OBJECT_0;
        const uint64_t spent = clock.NowMs() - start;
        if (spent >= ms)
            return WAIT_TIMEOUT;
        std::this_thread::yield();
        if (TakeSignal())
            return WAIT_OBJECT_0;
        clock.SleepMs(static_cast<uint32_t>(std::min<uint64_t>(ms - spent, 10)));
    }
}

}  // namespace vk
