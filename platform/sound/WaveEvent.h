#pragma once
// The event a wave device signals each time it finishes a buffer: auto-reset,
// initially clear. Waits run on the process clock, which decides how to wait,
// so a virtual clock makes a three-second silence cost no real time.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vk {

constexpr uint32_t WAIT_OBJECT_0 = 0;
constexpr uint32_t WAIT_TIMEOUT = 258;

class CWaveEvent {
public:
    void Set();
    void Reset();
    // WAIT_OBJECT_0 when the event was (or became) set within ms, which clears it;
    // WAIT_TIMEOUT otherwise.
    [[nodiscard]] uint32_t Wait(uint32_t ms);

private:
    std::mutex m_mutex;
    std::condition_variable m_set;
    bool m_signalled = false;
};

}  // namespace vk
