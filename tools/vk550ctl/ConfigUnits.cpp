#include "ConfigUnits.h"

#include <cstdio>

#include "commission/ConfigurationReader.h"
#include "device/UnitAccess.h"

namespace vk::ctl {
namespace {

ReadUnit ReadUnitAt(CHIDProtocol& protocol, const HIDDeviceEntry& entry)
{
    ReadUnit unit{entry.path, entry.attributes.productId, std::nullopt, {}};
    if (!protocol.OpenUnitAt(entry.path, true)) {
        unit.failedPart = "opening the unit";
        return unit;
    }
    auto outcome = commission::ReadConfiguration(protocol);
    unit.current = std::move(outcome.configuration);
    unit.failedPart = std::move(outcome.failedPart);
    return unit;
}

// The serial number the unit at the path gives, or its path when it gives none.
std::string SerialAt(CHIDProtocol& protocol, const std::string& path)
{
    std::string serial = protocol.OpenUnitAt(path, true) ? protocol.GetSerialNumber() : std::string();
    return serial.empty() ? path : serial;
}

}  // namespace

std::string ReadUnit::Name() const
{
    if (current && !current->identity.serialNumber.empty())
        return current->identity.serialNumber;
    return path;
}

bool ReadChosenUnits(CHIDProtocol& protocol, const ConfigOptions& options, int& failureExit,
                     const std::function<void(ReadUnit&)>& each)
{
    failureExit = 1;
    const std::vector<HIDDeviceEntry> entries = protocol.ListUnits(kFamilyFilter);
    if (entries.empty()) {
        if (const auto refused = protocol.ListRefusedUnits(kFamilyFilter); !refused.empty())
            std::fprintf(stderr, "vk550ctl: %s", RefusedUnitHint(refused).c_str());
        else
            std::fprintf(stderr, "vk550ctl: no unit attached\n");
        return false;
    }
    if (!options.all && !options.serial && entries.size() > 1) {
        std::string serials;
        for (const HIDDeviceEntry& entry : entries)
            serials += (serials.empty() ? "" : ", ") + SerialAt(protocol, entry.path);
        protocol.CloseUnit();
        const char* orAll = options.action == "save" ? " or save all into a folder with --all" : " or use --all";
        std::fprintf(stderr, "vk550ctl: %zu units are attached (%s); choose one with --serial=S%s\n", entries.size(),
                     serials.c_str(), orAll);
        failureExit = 2;
        return false;
    }
    bool found = false;
    for (const HIDDeviceEntry& entry : entries) {
        // Only the unit with that serial number is read whole.
        if (options.serial && SerialAt(protocol, entry.path) != *options.serial)
            continue;
        ReadUnit unit = ReadUnitAt(protocol, entry);
        protocol.CloseUnit();
        found = true;
        each(unit);
        if (options.serial)
            break;
    }
    protocol.CloseUnit();
    if (options.serial && !found) {
        std::fprintf(stderr, "vk550ctl: no unit with serial number %s answers\n", options.serial->c_str());
        return false;
    }
    return true;
}

std::optional<std::vector<ReadUnit>> ReadChosenUnits(CHIDProtocol& protocol, const ConfigOptions& options,
                                                     int& failureExit)
{
    std::vector<ReadUnit> units;
    if (!ReadChosenUnits(protocol, options, failureExit, [&](ReadUnit& unit) { units.push_back(std::move(unit)); }))
        return std::nullopt;
    return units;
}

}  // namespace vk::ctl
