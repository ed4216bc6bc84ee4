#pragma once
// What applying would send, without sending it: the apply runs against a
// simulated unit made from the configuration read from the real one, and every
// command it sends is printed as the traffic viewer prints it.

#include <string>
#include <vector>

#include "commission/ConfigurationApplier.h"
#include "commission/UnitConfiguration.h"

namespace vk::ctl {

struct DryRunResult {
    std::vector<std::string> commands;  // as the traffic viewer prints them
    commission::ApplyOutcome outcome;   // what the apply would end with
};

[[nodiscard]] DryRunResult DryRunApply(const commission::UnitConfiguration& current,
                                 const commission::UnitConfiguration& wanted, commission::StoreAfterApply store);

}  // namespace vk::ctl
