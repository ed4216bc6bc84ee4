#pragma once
// Finding another program's window by its title and sending it messages: the
// stand-in for FindWindow / PostMessage / SendMessage(WM_COPYDATA) between programs.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vk {

class IRemoteWindow {
public:
    virtual ~IRemoteWindow() = default;
    // A posted message: no data.
    virtual bool PostMessage(uint32_t message, int64_t wParam, int64_t lParam) = 0;
    // WM_COPYDATA: dwData travels in lParam, the bytes as data.
    virtual bool SendCopyData(int64_t wParam, int64_t dwData, std::span<const uint8_t> data) = 0;
};

class IWindowDirectory {
public:
    virtual ~IWindowDirectory() = default;
    // nullptr when no window with exactly this title takes messages now.
    [[nodiscard]] virtual std::unique_ptr<IRemoteWindow> FindWindow(const std::string& title) = 0;
};

// The process-wide directory (the socket one unless a test installs another).
IWindowDirectory& Windows();
void SetWindows(IWindowDirectory* directory);  // nullptr restores the default

}  // namespace vk
