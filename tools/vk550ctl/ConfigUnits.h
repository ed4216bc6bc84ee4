#pragma once
// The units a config action works on, each read whole before anything is sent.

#include <functional>
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

// Reads the attached units the options pick (--serial, --all, else the only
// one) in bus order and hands each on as soon as it is read, so a long run
// shows its progress. False after a message on stderr (no unit; several units
// and none named, listed by serial number; no unit with that serial), with the
// exit code for it in failureExit (1: no unit, 2: the choice is the caller's).
[[nodiscard]] bool ReadChosenUnits(CHIDProtocol& protocol, const ConfigOptions& options, int& failureExit,
                                   const std::function<void(ReadUnit&)>& each);

// The same, all of them gathered first (apply checks every unit before it sends).
[[nodiscard]] std::optional<std::vector<ReadUnit>> ReadChosenUnits(CHIDProtocol& protocol, const ConfigOptions& options,
                                                                   int& failureExit);

}  // namespace vk::ctl
