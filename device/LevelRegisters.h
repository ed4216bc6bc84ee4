#pragma once
// The unit's small level registers, reached with short commands: register r is
// read with 0x6r00 (the answer's low byte holds the level in bits 0..5 and a flag
// in bit 7) and written with 0x5r00 + value (the same layout). Every command goes
// out with a time-out of 1000 ms.

#include <cstdint>

namespace vk {

class CHIDProtocol;

inline constexpr uint8_t kLevelMask = 0x3F;
inline constexpr uint8_t kLevelFlag = 0x80;

// The register's answer word, or -1 when the read failed.
[[nodiscard]] int ReadLevelRegister(CHIDProtocol& protocol, int reg);
// Writes value (level in bits 0..5, flag in bit 7); the answer word or -1.
int WriteLevelRegister(CHIDProtocol& protocol, int reg, uint8_t value);
// Reads the register and, when the read succeeded and its flag differs from on,
// writes it back with the flag set (on) or cleared, keeping its level.
void SetLevelRegisterFlag(CHIDProtocol& protocol, int reg, bool on);

// The levels as the wizard sets them, without reading first and with the flags
// cleared: the speaker's register 1, and the output's registers 3, 7 and 4
// together, in that order. True when the unit answered every write.
bool WriteSpeakerLevel(CHIDProtocol& protocol, uint8_t level);
bool WriteOutputLevel(CHIDProtocol& protocol, uint8_t level);
// One of those registers alone, in the same form (a unit that holds the output's
// registers apart).
bool WriteLevel(CHIDProtocol& protocol, int reg, uint8_t level);

}  // namespace vk
