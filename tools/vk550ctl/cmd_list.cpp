// vk550ctl list: the units attached now, one line each.
#include "Command.h"
#include "UnitBus.h"
#include "device/HIDProtocol.h"
#include "device/UnitAccess.h"

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
    // Units that are attached but whose node this user may not open are named
    // apart, with the fix: they are not "no unit".
    const std::vector<std::string> refused = protocol.ListRefusedUnits(kFamilyFilter);
    if (units.empty() && refused.empty()) {
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
    for (const std::string& path : refused)
        std::printf("%s  vendor 0x%04X  no access for this user\n", path.c_str(), kUnitVendorId);
    if (refused.empty())
        return 0;
    std::fprintf(stderr, "vk550ctl: %s", RefusedUnitHint(refused).c_str());
    return 1;
}

const CommandRegistration registration({"list", "list", "list the attached units (exit 1: one may not be opened)", RunList});

}  // namespace
}  // namespace vk::ctl
