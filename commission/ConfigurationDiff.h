#pragma once
// What applying one configuration over another would change, field by field,
// in the words of the configuration file.

#include <string>
#include <vector>

#include "commission/ConfigurationEdit.h"
#include "commission/UnitConfiguration.h"

namespace vk::commission {

struct FieldChange {
    std::string field;  // "channel 2 gain", "speaker level", "output level", ...
    std::string from;
    std::string to;
    bool operator==(const FieldChange&) const = default;
};

// The identity is left out: it is never applied.
[[nodiscard]] std::vector<FieldChange> DiffConfigurations(const UnitConfiguration& from, const UnitConfiguration& to);
// The refusal (ConfigurationEdit.h) that concerns this change, if any.
[[nodiscard]] const Refusal* RefusalOf(const FieldChange& change, const std::vector<Refusal>& refusals);
// The inputs (1..4) whose phantom supply goes up: off to 3 V or 24 V, or 3 V to 24 V.
[[nodiscard]] std::vector<int> InputsGettingPhantom(const UnitConfiguration& from, const UnitConfiguration& to);

}  // namespace vk::commission
