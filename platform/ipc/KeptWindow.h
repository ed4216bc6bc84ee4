#pragma once
// Another program's window, looked up once and kept while messages reach it.
// Looking a window up costs a few system calls and a new socket; a program that
// sends to the same window many times a second (the traffic viewer copies every
// unit transaction) keeps it instead and looks it up again only after a send to
// it failed (the window closed or stopped taking messages) or when it had none.

#include "platform/ipc/WindowDirectory.h"

#include <memory>
#include <span>
#include <string>

namespace vk {

class CKeptWindow {
public:
    explicit CKeptWindow(std::string title) : m_title(std::move(title)) {}

    // The kept window, or a fresh look-up when none is kept (or the process
    // directory was replaced since). nullptr when there is no such window now.
    IRemoteWindow* Refresh();
    // The window Refresh last gave, without looking anything up.
    [[nodiscard]] IRemoteWindow* Get() const { return m_window.get(); }
    // Sends through `window`; when that is the kept one and the send fails, it is
    // dropped, so that the next Refresh looks the title up again.
    bool SendCopyData(IRemoteWindow* window, int64_t wParam, int64_t dwData, std::span<const uint8_t> data);

private:
    std::string m_title;
    IWindowDirectory* m_directory = nullptr;  // where m_window was found
    std::unique_ptr<IRemoteWindow> m_window;
};

}  // namespace vk
