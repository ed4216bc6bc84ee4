#pragma once
// The units a config action works on, each read whole before anything is sent.

#include <optional>
#include <string>
#include <vector>

#include "ConfigOptions.h"
#include "commission/UnitConfiguration.h"
#include "device/HIDProtocol.h"

namespace vk::ctl {

struct ReadUnit {
    std::string path;
    int productId = 0;
    std::optional<commission::UnitConfiguration> current;
    std::string failedPart;  // when current is empty
    [[nodiscard]] std::string Name() const;  // the serial number, else the path
};

// The attached units the options pick (--serial, --all, else the only one),
// read in bus order; nullopt after a message on stderr (no unit, several
// units without --all or --serial, no unit with that serial), with the exit
// code for it in failureExit (1: no unit, 2: the choice is the caller's).
[[nodiscard]] std::optional<std::vector<ReadUnit>> ReadChosenUnits(CHIDProtocol& protocol, const ConfigOptions& options,
                                                                   int& failureExit);

}  // namespace vk::ctl
