#include "platform/ipc/WindowDirectory.h"

#include <atomic>

#include "platform/ipc/WindowSocket.h"

namespace vk {
namespace {
// Windows of other programs are sockets in the windows folder (WindowSocket.h).
CSocketWindowDirectory g_sockets;
std::atomic<IWindowDirectory*> g_windows{&g_sockets};
}  // namespace

IWindowDirectory& Windows() { return *g_windows.load(std::memory_order_acquire); }

void SetWindows(IWindowDirectory* directory) { g_windows.store(directory ? directory : &g_sockets, std::memory_order_release); }

}  // namespace vk
