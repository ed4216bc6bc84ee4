#include "device/UnitAccess.h"

namespace vk {

std::string RefusedUnitHint(const std::vector<std::string>& paths)
{
    std::string nodes;
    for (const std::string& path : paths)
        nodes += (nodes.empty() ? "" : ", ") + path;
    const bool one = paths.size() == 1;
    return std::string(one ? "A Dravena unit is attached (" : "Dravena units are attached (") + nodes +
           "), but this user may not open " + (one ? "it" : "them") +
           ".\n"
           "Install the udev rule " +
           kUdevRuleName +
           " (the package puts it into /usr/lib/udev/rules.d/; by hand, copy\n"
           "packaging/udev/" +
           kUdevRuleName +
           " into /etc/udev/rules.d/), then as root run\n"
           "  udevadm control --reload && udevadm trigger --subsystem-match=hidraw\n"
           "or unplug the unit and plug it in again.\n";
}

}  // namespace vk
