#pragma once
// One unit of "config apply": opened again by its path, checked to be the unit
// that was read there (a unit swapped in meanwhile gets nothing), applied and
// verified.

#include <optional>
#include <string>
#include <vector>

#include "ConfigUnits.h"
#include "commission/ConfigurationApplier.h"
#include "commission/UnitConfiguration.h"

namespace vk::ctl {

struct UnitResult {
    std::string name;
    std::string result;  // applied (and stored), unstored (--no-store), unchanged, failed
    std::vector<std::string> changed;
    bool verified = false;  // read back equal and stored (unstored: read back equal)
    std::string detail;  // for a failed unit: why, and what the unit now holds
    std::optional<commission::UnitConfiguration> holds;
};

// Why the unit now open is not the one that was read at its path, or nothing.
[[nodiscard]] std::optional<std::string> WhyAnotherUnit(CHIDProtocol& protocol, const ReadUnit& unit);

[[nodiscard]] UnitResult ApplyToUnit(CHIDProtocol& protocol, const ReadUnit& unit,
                                     const commission::UnitConfiguration& wanted,
                                     commission::StoreAfterApply store = commission::StoreAfterApply::Store);

}  // namespace vk::ctl
