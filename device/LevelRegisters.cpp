#include "device/LevelRegisters.h"

#include "device/HIDProtocol.h"

namespace vk {

int ReadLevelRegister(CHIDProtocol& protocol, int reg)
{
    return protocol.SendShortCommand(static_cast<uint16_t>(0x6000 | (reg & 0xF) << 8), kTransactTimeoutMs);
}

int WriteLevelRegister(CHIDProtocol& protocol, int reg, uint8_t value)
{
    return protocol.SendShortCommand(static_cast<uint16_t>(0x5000 | (reg & 0xF) << 8 | value), kTransactTimeoutMs);
}

void SetLevelRegisterFlag(CHIDProtocol& protocol, int reg, bool on)
{
    const int answer = ReadLevelRegister(protocol, reg);
    if (answer == -1)
        return;
    const bool flagged = (answer & kLevelFlag) != 0;
    if (flagged == on)
        return;
    const auto level = static_cast<uint8_t>(answer & kLevelMask);
    (void)WriteLevelRegister(protocol, reg, on ? static_cast<uint8_t>(kLevelFlag | level) : level);
}

}  // namespace vk
