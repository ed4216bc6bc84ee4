#include "platform/hid/HidBus.h"

#include <atomic>

namespace vk {
namespace {
// Until a program installs a bus nothing is attached.
class CEmptyHidBus final : public IHidBus {
public:
    std::vector<std::string> PresentInterfaces() override { return {}; }
    std::unique_ptr<IHidInterface> Open(const std::string&, const HidOpenMode&) override { return nullptr; }
};
CEmptyHidBus g_empty;
std::atomic<IHidBus*> g_bus{&g_empty};
}  // namespace

IHidBus& HidBus() { return *g_bus.load(std::memory_order_acquire); }

void SetHidBus(IHidBus* bus) { g_bus.store(bus ? bus : &g_empty, std::memory_order_release); }

}  // namespace vk
