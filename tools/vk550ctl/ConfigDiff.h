#pragma once
// vk550ctl config diff: what applying a file would change on each chosen unit.
// Exits as diff(1) does: 0 the same, 1 different, 2 trouble.

#include "ConfigOptions.h"

namespace vk::ctl {

[[nodiscard]] int Diff(const ConfigOptions& options);

}  // namespace vk::ctl
