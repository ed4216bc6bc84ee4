#include "program/WindowTitleLink.h"

#include "platform/ipc/WindowSocket.h"

#include <cstdio>

namespace vk {

std::unique_ptr<CWindowTitleLink> CWindowTitleLink::Bind(const std::string& title, IMessageTarget& window)
{
    std::string error;
    auto receiver = CWindowReceiver::Bind(title, &error);
    if (!receiver) {
        std::fprintf(stderr, "Cannot take the window title \"%s\": %s\n", title.c_str(), error.c_str());
        return nullptr;
    }
    return std::unique_ptr<CWindowTitleLink>(new CWindowTitleLink(std::move(receiver), window));
}

CWindowTitleLink::CWindowTitleLink(std::unique_ptr<CWindowReceiver> receiver, IMessageTarget& window)
    : m_receiver(std::move(receiver)), m_window(window), m_thread([this] { Run(); })
{
}

CWindowTitleLink::~CWindowTitleLink()
{
    m_stop = true;
    m_thread.join();
}

void CWindowTitleLink::Run()
{
    while (!m_stop) {
        const auto message = m_receiver->Receive(100);
        // Only posted messages are for the window; data messages are not its business.
        if (message && message->data.empty())
            (void)m_window.Post(message->message, static_cast<WPARAM>(message->wParam),
                                static_cast<LPARAM>(message->lParam));
    }
}

}  // namespace vk
