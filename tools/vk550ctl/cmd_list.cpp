// vk550ctl list: the units attached now, one line each.
#include "Command.h"
#include "UnitBus.h"
#include "device/HIDProtocol.h"

#include <cstdio>

namespace vk::ctl {
namespace {

int RunList(const Invocation& invocation)
{
    if (!invocation.args.empty()) {
        std::fprintf(stderr, "vk550ctl: list takes no arguments\n");
        return 2;
    }
    const auto bus = CUnitBus::Install(invocation);
    if (!bus)
        return 2;
    CHIDProtocol protocol;
    const std::vector<HIDDeviceEntry> units = protocol.ListUnits(kFamilyFilter);
    if (units.empty()) {
        std::printf("no units attached\n");
        return 0;
    }
    for (const HIDDeviceEntry& unit : units)
        std::printf("%s  vendor 0x%04X  product 0x%04X\n", unit.path.c_str(), unit.attributes.vendorId,
                    unit.attributes.productId);
    return 0;
}

const CommandRegistration registration({"list", "list", "list the attached units", RunList});

}  // namespace
}  // namespace vk::ctl
