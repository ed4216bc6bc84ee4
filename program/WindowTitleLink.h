#pragma once
// Gives a window the title other programs of the product family look for: the
// messages they send to that title are posted to the window (from a small
// receiving thread, so the window handles them on its own thread as usual).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/post/MessageTarget.h"

namespace vk {

class CWindowReceiver;

class CWindowTitleLink {
public:
    // WM_ACTIVATE with wParam 1 (WA_ACTIVE): a second start of the program asks the
    // running one to come to the front. It goes to `onRaise` (called on the link's
    // thread), never to the window.
    static constexpr uint32_t kRaiseMessage = 0x0006;

    // nullptr when the title cannot be taken (another live window has it, or the
    // windows folder is unusable); the window then simply cannot be reached.
    [[nodiscard]] static std::unique_ptr<CWindowTitleLink> Bind(const std::string& title, IMessageTarget& window,
                                                                std::function<void()> onRaise = {});
    ~CWindowTitleLink();
    CWindowTitleLink(const CWindowTitleLink&) = delete;
    CWindowTitleLink& operator=(const CWindowTitleLink&) = delete;

private:
    CWindowTitleLink(std::unique_ptr<CWindowReceiver> receiver, IMessageTarget& window, std::function<void()> onRaise);
    void Run();

    std::unique_ptr<CWindowReceiver> m_receiver;
    IMessageTarget& m_window;
    std::function<void()> m_onRaise;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace vk
