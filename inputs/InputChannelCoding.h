#pragma once
// How an input's settings sit in the unit: the gain step spread over two
// controller lines and one address bit, the phantom supply on two active-low
// lines, the type line, and the channel mode that follows from the type choice.
// Pure functions over the two line words and the address word; nothing is sent.

#include <cstdint>
#include <string>

#include "device/HIDProtocol.h"

namespace vk {

// Phantom states as the page and the unit know them.
enum PhantomState : int { kPhantomOff = 0, kPhantom3V = 1, kPhantom24V = 2 };

// Type choice of a channel: none, or one of its three type buttons.
enum TypeChoice : int { kNoType = 0, kFirstType = 1, kSecondType = 2, kThirdType = 3 };

// Channel modes (byte 3 of the channel record).
enum ChannelModeId : uint8_t {
    kModeMicrophone = 0,
    kModeReinforcement = 1,
    kModeAuxiliary = 2,
    kModeSlaveLink = 3,
    kModeNotUsed = 15,
};

inline constexpr int kInputChannels = 4;
inline constexpr int kGainSteps = 8;

// Controller line n (0..31) in the words [0] = lines 16..31, [1] = lines 0..15.
[[nodiscard]] int GetLine(const PicLineWords& lines, int line);
void SetLine(PicLineWords& lines, int line, int value);

// The address-word bit that holds bit 0 of channel c's gain step.
[[nodiscard]] int GainAddressBit(int c);

[[nodiscard]] int DecodeGainStep(const PicLineWords& lines, uint16_t address, int c);
void EncodeGainStep(PicLineWords& lines, uint16_t& address, int c, int step);

// 3 V wins when both supply lines are low.
[[nodiscard]] int DecodePhantom(const PicLineWords& lines, int c);
void EncodePhantom(PicLineWords& lines, int c, int state);

// 1 for an ordinary input, 0 for a slave link.
void EncodeTypeLine(PicLineWords& lines, int c, int value);

// "0.0 dB" .. "42.0 dB"; steps outside 0..7 are clamped.
[[nodiscard]] std::string GainText(int step);

// The type choice a mode read from the unit stands for; kNoType when the mode
// names no button on this unit type (or is not a type mode at all).
[[nodiscard]] int ChoiceForMode(int unitType, int mode);

// Which settings apply to a channel in use with this choice.
[[nodiscard]] bool GainApplies(int unitType, bool inUse, int choice);
[[nodiscard]] bool PhantomApplies(int unitType, bool inUse, int choice);
[[nodiscard]] bool LocalApplies(int unitType, bool inUse, int choice);

}  // namespace vk
