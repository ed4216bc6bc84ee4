#pragma once
// The unit's 16-bit slave address word lives in two port registers: the low byte
// is read with 0x34FF, the high byte with 0x36FF. Writing sets the wanted bits
// with 0x25xx / 0x27xx and clears the others with 0x24xx / 0x26xx. Every
// command goes out with a time-out of 1000 ms.

#include <cstdint>
#include <optional>

namespace vk {

class CHIDProtocol;

// The address word, or nothing when either byte went unanswered.
[[nodiscard]] std::optional<uint16_t> ReadSlaveAddress(CHIDProtocol& protocol);
// Low byte set, low byte cleared, high byte set, high byte cleared, in that
// order; true when the unit answered all four.
bool WriteSlaveAddress(CHIDProtocol& protocol, uint16_t address);

}  // namespace vk
