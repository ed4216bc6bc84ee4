#pragma once
// vk550ctl config apply: the file is checked, every chosen unit is read and
// checked against it, phantom power is confirmed, and only then is anything
// sent, one unit after the other.

#include <optional>
#include <string>

#include "ConfigOptions.h"
#include "commission/ConfigurationFile.h"

namespace vk::ctl {

// The file's configuration, or nullopt after its errors on stderr.
[[nodiscard]] std::optional<commission::LoadedConfiguration> LoadConfigurationFile(const std::string& path);

// Exit code: 0 every unit verified, 1 a unit failed, 2 bad input (nothing sent).
[[nodiscard]] int Apply(const ConfigOptions& options);

}  // namespace vk::ctl
