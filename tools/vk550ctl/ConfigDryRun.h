#pragma once
// What applying would send, without sending it: the apply runs against a
// simulated unit made from the configuration read from the real one, and every
// command it sends is printed as the traffic viewer prints it.

#include <string>
#include <vector>

#include "commission/ConfigurationApplier.h"
#include "commission/UnitConfiguration.h"

namespace vk::ctl {

[[nodiscard]] std::vector<std::string> DryRunCommands(const commission::UnitConfiguration& current,
                                                      const commission::UnitConfiguration& wanted,
                                                      commission::StoreAfterApply store);

}  // namespace vk::ctl
