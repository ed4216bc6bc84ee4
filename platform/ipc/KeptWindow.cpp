#include "platform/ipc/KeptWindow.h"

namespace vk {

IRemoteWindow* CKeptWindow::Refresh()
{
    IWindowDirectory& directory = Windows();
    if (m_window && m_directory == &directory)
        return m_window.get();
    m_window = directory.FindWindow(m_title);
    m_directory = &directory;
    return m_window.get();
}

bool CKeptWindow::SendCopyData(IRemoteWindow* window, int64_t wParam, int64_t dwData, std::span<const uint8_t> data)
{
    if (!window)
        return false;
    const bool sent = window->SendCopyData(wParam, dwData, data);
    if (!sent && window == m_window.get())
        m_window.reset();
    return sent;
}

}  // namespace vk
