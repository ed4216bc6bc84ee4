#pragma once
// What a command of a transcript ("F0 01 01 00 01 00 02 00", the 8 bytes a unit
// received) does to the unit: whether it only asks (presence, identity, reads)
// or changes the unit's memory or state.

#include <string>

namespace vk::faultsweep {

// True for everything but the presence, identity and read commands: a command
// the unit's memory or state may differ after (writes, routes, stores, resets,
// the set-up and recording marks).
[[nodiscard]] bool ChangesUnit(const std::string& command);
// The reads a unit is opened with: its product code and versions (0x9000,
// 0xA000, 0xA400) and its serial number (0xF01A).
[[nodiscard]] bool IsIdentityRead(const std::string& command);

}  // namespace vk::faultsweep
