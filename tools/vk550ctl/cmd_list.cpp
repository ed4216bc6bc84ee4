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
    for (const HIDDeviceEntry& unit : units) {
        std::printf("%s  vendor 0x%04X  product 0x%04X", unit.path.c_str(), unit.attributes.vendorId,
                    unit.attributes.productId);
        // Name and versions as identification reads them (a silent unit shows none).
        if (protocol.OpenUnitAt(unit.path, true) && !protocol.GetSoftwareVersionText().empty())
            std::printf("  %s  software %s  protocol %d", protocol.GetProductName().c_str(),
                        protocol.GetSoftwareVersionText().c_str(), protocol.GetProtocolVersion());
        else
            std::printf("  %s", ProductNameForId(unit.attributes.productId).c_str());
        std::printf("\n");
    }
    protocol.CloseUnit();
    return 0;
}

const CommandRegistration registration({"list", "list", "list the attached units", RunList});

}  // namespace
}  // namespace vk::ctl
