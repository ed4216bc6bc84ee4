#include "platform/sound/WaveEvent.h"

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

uint32_t CWaveEvent::Wait(uint32_t ms)
{
    std::unique_lock lock(m_mutex);
    if (!Clock().WaitUntil(lock, m_set, ms, [&] { return m_signalled; }))
        return WAIT_TIMEOUT;
    m_signalled = false;
    return WAIT_OBJECT_0;
}

}  // namespace vk
