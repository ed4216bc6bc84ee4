#pragma once
// What a unit holds after an apply, against what was wanted: the settings, and
// after a type assignment the identity the new type enumerates under (product
// id and USB device name). One comparison and one wording for every caller.

#include <optional>
#include <string>
#include <vector>

#include "commission/ConfigurationDiff.h"
#include "commission/UnitConfiguration.h"

namespace vk::commission {

// Empty when the unit holds everything that was wanted.
[[nodiscard]] std::vector<FieldChange> ReadBackDifferences(const UnitConfiguration& holds,
                                                           const UnitConfiguration& wanted, bool typeAssigned);

// "the unit cannot be read back", "the unit holds the whole configuration", or
// "the unit now holds:" and one indented line per field that differs.
[[nodiscard]] std::string WhatTheUnitHolds(const std::optional<UnitConfiguration>& holds,
                                           const UnitConfiguration& wanted, bool typeAssigned);

}  // namespace vk::commission
