#pragma once
// The device watch: a udev monitor on the hidraw and sound subsystems whose
// events reach a window as WM_DEVICECHANGE, the way the system tells windows
// that devices came or went.
//
// A host either watches Fd() in its own event loop (the Qt host: a socket
// notifier) and calls Dispatch() on the user-interface thread, or lets
// StartThread() dispatch in the background; posting is thread-safe either way.

#include <memory>
#include <string>
#include <thread>

#include "platform/post/MessageTarget.h"

struct udev;
struct udev_monitor;

namespace vk {

// wParam of WM_DEVICECHANGE, as the system sends it.
inline constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;
inline constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
inline constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;

class CUdevDeviceWatch {
public:
    // nullptr (and a reason) when udev cannot be monitored here. The window must
    // outlive the watch.
    [[nodiscard]] static std::unique_ptr<CUdevDeviceWatch> Create(IMessageTarget& window, std::string* error = nullptr);
    ~CUdevDeviceWatch();  // stops the background thread, if any
    CUdevDeviceWatch(const CUdevDeviceWatch&) = delete;
    CUdevDeviceWatch& operator=(const CUdevDeviceWatch&) = delete;

    // Readable when events wait.
    [[nodiscard]] int Fd() const;
    // Posts one WM_DEVICECHANGE per waiting event (arrival, removal, or
    // DBT_DEVNODES_CHANGED for other actions; lParam 0) and returns how many.
    int Dispatch();
    // Dispatches on a thread of its own until destruction.
    void StartThread();

private:
    CUdevDeviceWatch(IMessageTarget& window, udev* context, udev_monitor* monitor, int wakeFd);
    void Run();

    IMessageTarget& m_window;
    udev* m_udev;
    udev_monitor* m_monitor;
    int m_wakeFd;  // an eventfd that ends the thread
    std::thread m_thread;
};

}  // namespace vk
