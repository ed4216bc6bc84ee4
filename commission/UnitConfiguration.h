#pragma once
// A unit's whole configuration as the wizard understands it: what the unit is
// (identity, never written), its type and flags word, the four channel records,
// the controller line words and slave address word (which also hold each
// input's gain and phantom supply) and the levels of registers 1, 3, 4 and 7.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "device/HIDProtocol.h"
#include "inputs/InputChannelCoding.h"

namespace vk::commission {

struct UnitIdentity {
    int productId = 0;
    std::string productName;
    std::string deviceName;  // the USB device name the unit enumerates under
    std::string serialNumber;
    std::string softwareVersion;  // "7.2"
    int protocolVersion = 0;
    bool operator==(const UnitIdentity&) const = default;
};

// One channel record: the mode byte and the two items (item 1: level and mute;
// item 2: the local level and its mute).
struct ChannelRecordSettings {
    uint8_t mode = kModeNotUsed;
    uint8_t level = 0;
    bool mute = false;
    uint8_t localLevel = 0;
    bool localMute = false;
    [[nodiscard]] bool InUse() const { return mode != kModeNotUsed; }
    bool operator==(const ChannelRecordSettings&) const = default;
};

// Level registers kept, in the order the configuration lists them.
inline constexpr std::array<int, 4> kLevelRegisters{1, 3, 4, 7};
// The order the wizard writes them in: the output's three registers, then the speaker's.
inline constexpr std::array<int, 4> kLevelWriteOrder{3, 7, 4, 1};
inline constexpr int kMaxRegisterLevel = 0x3F;
// Bit 4 of the flags word: a master keeps sound reinforcement channels aside.
inline constexpr uint16_t kSavedInputsFlag = 0x0010;

struct UnitConfiguration {
    UnitIdentity identity;
    int type = 0;  // 0 new .. 3 slave, from the flags word
    uint16_t flags = 0;
    std::array<ChannelRecordSettings, kInputChannels> channels{};
    PicLineWords lines{};  // [0] = lines 16..31, [1] = lines 0..15
    uint16_t address = 0;
    std::array<uint8_t, kLevelRegisters.size()> levels{};  // bits 0..5 of registers 1, 3, 4, 7
    // Bit 7 of the same registers as read: the unit's test flags, kept as the unit
    // has them and never part of a configuration that is saved or compared.
    std::array<uint8_t, kLevelRegisters.size()> levelFlags{};

    [[nodiscard]] int GainStep(int c) const { return DecodeGainStep(lines, address, c); }
    [[nodiscard]] int Phantom(int c) const { return DecodePhantom(lines, c); }
    void SetGainStep(int c, int step) { EncodeGainStep(lines, address, c, step); }
    void SetPhantom(int c, int state) { EncodePhantom(lines, c, state); }
    [[nodiscard]] int Level(int reg) const;
    void SetLevel(int reg, int level);

    // Everything that applying writes (the identity is left out).
    [[nodiscard]] bool SameSettings(const UnitConfiguration& other) const;
};

// Names as the configuration file and the printed forms write them.
[[nodiscard]] const char* InputName(uint8_t mode);  // nullptr for a mode no input type stands for
[[nodiscard]] std::optional<uint8_t> ModeForInputName(const std::string& name);
[[nodiscard]] const char* PhantomName(int state);  // "off", "3V", "24V"
[[nodiscard]] std::optional<int> PhantomForName(const std::string& name);
[[nodiscard]] std::optional<int> TypeForName(const std::string& name);  // "STAND ALONE" .. as the wizard names them

// Controller lines and address bits that hold the inputs' gain and phantom.
[[nodiscard]] PicLineWords InputLineMask();
[[nodiscard]] uint16_t InputAddressMask();

}  // namespace vk::commission
