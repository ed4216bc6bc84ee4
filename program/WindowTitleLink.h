#pragma once
// Gives a window the title other programs of the product family look for: the
// messages they send to that title are posted to the window (from a small
// receiving thread, so the window handles them on its own thread as usual).

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/post/MessageTarget.h"

namespace vk {

class CWindowReceiver;

class CWindowTitleLink {
public:
    // nullptr when the title cannot be taken (another live window has it, or the
    // windows folder is unusable); the window then simply cannot be reached.
    [[nodiscard]] static std::unique_ptr<CWindowTitleLink> Bind(const std::string& title, IMessageTarget& window);
    ~CWindowTitleLink();
    CWindowTitleLink(const CWindowTitleLink&) = delete;
    CWindowTitleLink& operator=(const CWindowTitleLink&) = delete;

private:
    CWindowTitleLink(std::unique_ptr<CWindowReceiver> receiver, IMessageTarget& window);
    void Run();

    std::unique_ptr<CWindowReceiver> m_receiver;
    IMessageTarget& m_window;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace vk
