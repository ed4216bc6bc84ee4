#pragma once
// Worker threads report to windows only by posting (message, wParam, lParam).
// Posting is thread-safe and never blocks; the window handles the message later
// on its own thread.

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace vk {

using WPARAM = uintptr_t;
using LPARAM = intptr_t;

constexpr uint32_t WM_APP = 0x8000;
constexpr uint32_t WM_COPYDATA = 0x004A;
constexpr uint32_t WM_DEVICECHANGE = 0x0219;

struct PostedMessage {
    uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    // False only when the target no longer takes messages (it is being destroyed).
    virtual bool Post(uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
};

// A thread-safe mailbox: what tests hand to code that posts, and the queue a
// window host drains on its own thread.
class CMessageQueue : public IMessageTarget {
public:
    bool Post(uint32_t message, WPARAM wParam, LPARAM lParam) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back({message, wParam, lParam});
        return true;
    }
    [[nodiscard]] std::optional<PostedMessage> Take()
    {
        std::lock_guard lock(m_mutex);
        if (m_messages.empty())
            return std::nullopt;
        PostedMessage m = m_messages.front();
        m_messages.pop_front();
        return m;
    }
    [[nodiscard]] std::vector<PostedMessage> TakeAll()
    {
        std::lock_guard lock(m_mutex);
        std::vector<PostedMessage> all(m_messages.begin(), m_messages.end());
        m_messages.clear();
        return all;
    }
    [[nodiscard]] bool Empty() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages.empty();
    }

private:
    mutable std::mutex m_mutex;
    std::deque<PostedMessage> m_messages;
};

// Dispatches the messages waiting for the calling thread during long waits, so the
// user interface stays alive. Returns false when the application is quitting.
class IMessagePump {
public:
    virtual ~IMessagePump() = default;
    virtual bool PumpWaitingMessages() = 0;
};

}  // namespace vk
