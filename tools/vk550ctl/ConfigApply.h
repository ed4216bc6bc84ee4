#pragma once
// vk550ctl config apply: the file is checked, every chosen unit is read and
// checked against it, phantom power is confirmed, and only then is anything
// sent, one unit after the other, each unit's line printed as it finishes.

#include "ConfigOptions.h"

namespace vk::ctl {

// Exit code: 0 every unit verified, 1 a unit failed, 2 bad input (nothing sent).
// A dry run exits as the apply would, but for what only sending can tell.
[[nodiscard]] int Apply(const ConfigOptions& options);

}  // namespace vk::ctl
