#include "ConfigUnits.h"

#include <cstdio>

#include "commission/ConfigurationReader.h"
#include "device/UnitAccess.h"

namespace vk::ctl {

std::string ReadUnit::Name() const
{
    if (current && !current->identity.serialNumber.empty())
        return current->identity.serialNumber;
    return path;
}

std::optional<std::vector<ReadUnit>> ReadChosenUnits(CHIDProtocol& protocol, const ConfigOptions& options,
                                                     int& failureExit)
{
    failureExit = 1;
    const std::vector<HIDDeviceEntry> entries = protocol.ListUnits(kFamilyFilter);
    if (entries.empty()) {
        if (const auto refused = protocol.ListRefusedUnits(kFamilyFilter); !refused.empty())
            std::fprintf(stderr, "vk550ctl: %s", RefusedUnitHint(refused).c_str());
        else
            std::fprintf(stderr, "vk550ctl: no unit attached\n");
        return std::nullopt;
    }
    std::vector<ReadUnit> units;
    for (const HIDDeviceEntry& entry : entries) {
        ReadUnit unit{entry.path, entry.attributes.productId, std::nullopt, {}};
        if (!protocol.OpenUnitAt(entry.path, true)) {
            unit.failedPart = "opening the unit";
        } else {
            auto outcome = commission::ReadConfiguration(protocol);
            unit.current = std::move(outcome.configuration);
            unit.failedPart = std::move(outcome.failedPart);
        }
        if (options.serial && (!unit.current || unit.current->identity.serialNumber != *options.serial))
            continue;
        units.push_back(std::move(unit));
    }
    protocol.CloseUnit();
    if (options.serial && units.empty()) {
        std::fprintf(stderr, "vk550ctl: no unit with serial number %s answers\n", options.serial->c_str());
        return std::nullopt;
    }
    if (!options.all && units.size() > 1) {
        std::fprintf(stderr, "vk550ctl: %zu units are attached; choose one with --serial=S%s\n", units.size(),
                     options.action == "apply" ? " or apply to all with --all" : "");
        failureExit = 2;
        return std::nullopt;
    }
    return units;
}

}  // namespace vk::ctl
