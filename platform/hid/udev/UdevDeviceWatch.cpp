#include "platform/hid/udev/UdevDeviceWatch.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vk {
namespace {

WPARAM EventOf(const char* action)
{
    if (action && std::strcmp(action, "add") == 0)
        return DBT_DEVICEARRIVAL;
    if (action && std::strcmp(action, "remove") == 0)
        return DBT_DEVICEREMOVECOMPLETE;
    return DBT_DEVNODES_CHANGED;
}

bool Refuse(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

}  // namespace

std::unique_ptr<CUdevDeviceWatch> CUdevDeviceWatch::Create(IMessageTarget& window, std::string* error)
{
    udev* context = udev_new();
    if (!context) {
        Refuse(error, "udev is not available");
        return nullptr;
    }
    // "udev" events come after the rules ran: the device node exists and has its permissions.
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (!monitor || wakeFd < 0 || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "sound", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        const std::string reason = std::string("cannot monitor udev events: ") + std::strerror(errno);
        if (wakeFd >= 0)
            ::close(wakeFd);
        if (monitor)
            udev_monitor_unref(monitor);
        udev_unref(context);
        Refuse(error, reason);
        return nullptr;
    }
    return std::unique_ptr<CUdevDeviceWatch>(new CUdevDeviceWatch(window, context, monitor, wakeFd));
}

CUdevDeviceWatch::CUdevDeviceWatch(IMessageTarget& window, udev* context, udev_monitor* monitor, int wakeFd)
    : m_window(window), m_udev(context), m_monitor(monitor), m_wakeFd(wakeFd)
{
}

CUdevDeviceWatch::~CUdevDeviceWatch()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        (void)!::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    ::close(m_wakeFd);
    udev_monitor_unref(m_monitor);
    udev_unref(m_udev);
}

int CUdevDeviceWatch::Fd() const { return udev_monitor_get_fd(m_monitor); }

int CUdevDeviceWatch::Dispatch()
{
    int posted = 0;
    // The monitor's socket is non-blocking: receiving stops when nothing waits.
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        const WPARAM event = EventOf(udev_device_get_action(device));
        udev_device_unref(device);
        if (m_window.Post(WM_DEVICECHANGE, event, 0))
            ++posted;
    }
    return posted;
}

void CUdevDeviceWatch::StartThread()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { Run(); });
}

void CUdevDeviceWatch::Run()
{
    for (;;) {
        pollfd fds[2] = {{Fd(), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents)
            Dispatch();
    }
}

}  // namespace vk
