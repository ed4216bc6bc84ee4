// Waiting in a test for something another thread or the window loop brings
// about: pump() runs (dispatching what was posted) until done() holds or
// `limit` of real time has passed, resting `rest` between rounds.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace vk::test {

// True when done() holds.
inline bool PumpUntil(const std::function<bool()>& done, const std::function<void()>& pump,
                      std::chrono::milliseconds limit, std::chrono::milliseconds rest = std::chrono::milliseconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        pump();
        std::this_thread::sleep_for(rest);
    }
    return true;
}

}  // namespace vk::test
