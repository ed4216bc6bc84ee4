#include "commission/ReadBack.h"

#include "commission/ConfigurationForms.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

bool AnyNamed(const std::vector<FieldChange>& changes, const std::string& prefix)
{
    for (const auto& change : changes)
        if (change.field.starts_with(prefix))
            return true;
    return false;
}

}  // namespace

std::vector<FieldChange> ReadBackDifferences(const UnitConfiguration& holds, const UnitConfiguration& wanted,
                                             bool typeAssigned)
{
    std::vector<FieldChange> left;
    if (typeAssigned) {
        const UnitTypeInfo& row = UnitTypeRow(wanted.type);
        if (holds.identity.productId != row.productId)
            left.push_back({"product id", HexWord(static_cast<uint16_t>(holds.identity.productId)),
                            HexWord(row.productId)});
        if (holds.identity.deviceName != row.endpointName)
            left.push_back({"USB device name", holds.identity.deviceName, row.endpointName});
    }
    const auto settings = DiffConfigurations(holds, wanted);
    left.insert(left.end(), settings.begin(), settings.end());
    // A bit no named field shows still counts: the raw words then differ.
    if (holds.lines != wanted.lines && !AnyNamed(settings, "channel") && !AnyNamed(settings, "other controller"))
        left.push_back({"controller lines", HexWord(holds.lines[0]) + " " + HexWord(holds.lines[1]),
                        HexWord(wanted.lines[0]) + " " + HexWord(wanted.lines[1])});
    if (holds.address != wanted.address && !AnyNamed(settings, "channel") && !AnyNamed(settings, "address"))
        left.push_back({"address word", HexWord(holds.address), HexWord(wanted.address)});
    return left;
}

std::string WhatTheUnitHolds(const std::optional<UnitConfiguration>& holds, const UnitConfiguration& wanted,
                             bool typeAssigned)
{
    if (!holds)
        return "the unit cannot be read back";
    const auto left = ReadBackDifferences(*holds, wanted, typeAssigned);
    if (left.empty())
        return "the unit holds the whole configuration";
    std::string text = "the unit now holds:";
    for (const auto& change : left)
        text += "\n    " + change.field + ": " + change.from + " (wanted " + change.to + ")";
    return text;
}

}  // namespace vk::commission
