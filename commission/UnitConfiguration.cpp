#include "commission/UnitConfiguration.h"

#include <algorithm>

#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

struct InputNameEntry {
    uint8_t mode;
    const char* name;
};

constexpr std::array<InputNameEntry, 4> kInputNames{{
    {kModeMicrophone, "microphone"},
    {kModeReinforcement, "sound reinforcement"},
    {kModeAuxiliary, "auxiliary"},
    {kModeSlaveLink, "slave link"},
}};

constexpr std::array<const char*, 3> kPhantomNames{"off", "3V", "24V"};

size_t RegisterIndex(int reg)
{
    const auto* it = std::find(kLevelRegisters.begin(), kLevelRegisters.end(), reg);
    return static_cast<size_t>(it - kLevelRegisters.begin());
}

}  // namespace

int UnitConfiguration::Level(int reg) const
{
    const size_t i = RegisterIndex(reg);
    return i < levels.size() ? levels[i] : 0;
}

void UnitConfiguration::SetLevel(int reg, int level)
{
    const size_t i = RegisterIndex(reg);
    if (i < levels.size())
        levels[i] = static_cast<uint8_t>(level & kMaxRegisterLevel);
}

bool UnitConfiguration::SameSettings(const UnitConfiguration& other) const
{
    return type == other.type && flags == other.flags && channels == other.channels && lines == other.lines &&
           address == other.address && levels == other.levels;
}

const char* InputName(uint8_t mode)
{
    for (const auto& entry : kInputNames)
        if (entry.mode == mode)
            return entry.name;
    return nullptr;
}

std::optional<uint8_t> ModeForInputName(const std::string& name)
{
    for (const auto& entry : kInputNames)
        if (name == entry.name)
            return entry.mode;
    return std::nullopt;
}

const char* PhantomName(int state) { return kPhantomNames[static_cast<size_t>(std::clamp(state, 0, 2))]; }

std::optional<int> PhantomForName(const std::string& name)
{
    for (size_t i = 0; i < kPhantomNames.size(); ++i)
        if (name == kPhantomNames[i])
            return static_cast<int>(i);
    return std::nullopt;
}

std::optional<int> TypeForName(const std::string& name)
{
    for (const auto& row : kUnitTypes)
        if (name == row.typeName)
            return row.type;
    return std::nullopt;
}

// Found through the channel coding itself: gain step 0 and phantom off raise
// exactly the lines they own, gain step 1 the address bit.
PicLineWords InputLineMask()
{
    PicLineWords mask{};
    uint16_t address = 0;
    for (int c = 0; c < kInputChannels; ++c) {
        EncodeGainStep(mask, address, c, 0);
        EncodePhantom(mask, c, kPhantomOff);
    }
    return mask;
}

uint16_t InputAddressMask()
{
    PicLineWords lines{};
    uint16_t mask = 0;
    for (int c = 0; c < kInputChannels; ++c)
        EncodeGainStep(lines, mask, c, 1);
    return mask;
}

}  // namespace vk::commission
