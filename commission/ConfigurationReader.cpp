#include "commission/ConfigurationReader.h"

#include "device/LevelRegisters.h"
#include "device/SlaveAddress.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

ReadOutcome Failed(std::string part) { return {std::nullopt, std::move(part)}; }

UnitIdentity ReadIdentity(CHIDProtocol& protocol)
{
    UnitIdentity identity;
    identity.productId = protocol.GetProductId();
    identity.productName = protocol.GetProductName();
    identity.serialNumber = protocol.GetSerialNumber();
    identity.softwareVersion = protocol.GetSoftwareVersionText();
    identity.protocolVersion = protocol.GetProtocolVersion();
    // Older units have no parameter pages and so no name to read.
    if (protocol.GetParameterText(0, 1, identity.deviceName) < 0)
        identity.deviceName.clear();
    return identity;
}

}  // namespace

ReadOutcome ReadConfiguration(CHIDProtocol& protocol)
{
    if (!protocol.IsOpen())
        return Failed("connection");
    UnitConfiguration config;
    config.identity = ReadIdentity(protocol);
    if (config.identity.serialNumber == "Read Error")
        return Failed("serial number");
    if (protocol.GetParameter(0, 10, config.flags) < 0)
        return Failed("flags word");
    config.type = UnitTypeFromFlags(config.flags);
    for (int c = 0; c < kInputChannels; ++c) {
        ChannelRecord record;
        if (protocol.GetChannel(c, record) == CHIDProtocol::kNoChannelMode)
            return Failed("channel " + std::to_string(c + 1));
        config.channels[static_cast<size_t>(c)] = {static_cast<uint8_t>(record.mode), record.value1,
                                                   record.flag1 != 0, record.value2, record.flag2 != 0};
    }
    if (!protocol.GetPicLines(config.lines, false))
        return Failed("controller lines");
    const auto address = ReadSlaveAddress(protocol);
    if (!address)
        return Failed("address word");
    config.address = *address;
    for (const int& reg : kLevelRegisters) {
        const int answer = ReadLevelRegister(protocol, reg);
        if (answer < 0)
            return Failed("level register " + std::to_string(reg));
        config.SetLevel(reg, answer & kLevelMask);
        config.levelFlags[static_cast<size_t>(&reg - kLevelRegisters.data())] = static_cast<uint8_t>(answer & kLevelFlag);
    }
    return {config, {}};
}

}  // namespace vk::commission
