#pragma once
// What to tell a person whose unit is attached but whose user may not open its
// HID node: the udev rule that gives access, and how to make it take effect.

#include <string>
#include <vector>

namespace vk {

inline constexpr const char* kUdevRuleName = "70-quorvel-vk550.rules";

// One paragraph naming the refused nodes and the fix; lines end in '\n'.
[[nodiscard]] std::string RefusedUnitHint(const std::vector<std::string>& paths);

}  // namespace vk
