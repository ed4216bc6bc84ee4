#pragma once
// Reads an open unit's whole configuration through the protocol calls the
// wizard uses. Every part must be read: a configuration with a part the unit
// did not answer would later be written back from guesses.

#include <optional>
#include <string>

#include "commission/UnitConfiguration.h"

namespace vk::commission {

struct ReadOutcome {
    std::optional<UnitConfiguration> configuration;
    std::string failedPart;  // what did not answer, when configuration is empty
};

[[nodiscard]] ReadOutcome ReadConfiguration(CHIDProtocol& protocol);

}  // namespace vk::commission
