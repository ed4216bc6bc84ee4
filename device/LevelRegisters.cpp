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

bool WriteLevel(CHIDProtocol& protocol, int reg, uint8_t level)
{
    return WriteLevelRegister(protocol, reg, static_cast<uint8_t>(level & kLevelMask)) >= 0;
}

bool WriteSpeakerLevel(CHIDProtocol& protocol, uint8_t level) { return WriteLevel(protocol, 1, level); }

bool WriteOutputLevel(CHIDProtocol& protocol, uint8_t level)
{
    bool answered = true;
    for (const int reg : {3, 7, 4})
        answered = WriteLevel(protocol, reg, level) && answered;
    return answered;
}

}  // namespace vk
