#include "device/TypeAssignment.h"

namespace vk {
namespace {

// Controller lines 4, 9, 14 and 19: set on Stand Alone and Slave units, clear on a master.
constexpr uint16_t kTypeLinesWord0 = 0x0008;
constexpr uint16_t kTypeLinesWord1 = 0x4210;

bool SendShort(CHIDProtocol& protocol, int code)
{
    return protocol.SendShortCommand(static_cast<uint16_t>(code), kTransactTimeoutMs) >= 0;
}

}  // namespace

void WriteTypeIdentity(CHIDProtocol& protocol, const UnitTypeInfo& row, TypeWriteResult& result)
{
    // The product id goes last and only after the rest: a unit that took its new
    // id without its name would come back under a sound-card name nobody knows.
    result.Note(protocol.SetParameter(0, 10, row.flagsWord) >= 0, "flags word");
    if (result.refused.empty())
        result.Note(protocol.SetParameterText(0, 1, row.endpointName) >= 0, "device name");
    if (result.refused.empty())
        result.Note(protocol.SetParameter(0, 2, row.productId) >= 0, "product id");
}

void WriteTypeLinesAndChannels(CHIDProtocol& protocol, const UnitTypeInfo& row, const PicLineWords& words,
                               uint32_t address, TypeWriteResult& result)
{
    result.Note(protocol.SetPicLines(words, true), "controller lines");
    for (int channel = 0; channel < 4; ++channel)
        result.Note(protocol.SetChannel(channel, row.channelMode, 0x01, 24, 0x82, 24) >= 0, "channel records");
    for (const uint32_t code : {0x24FFu, 0x26FFu, 0x2500 + (address & 0xFF), 0x2700 + ((address >> 8) & 0xFF)})
        result.Note(SendShort(protocol, static_cast<int>(code)), "address word");
}

void SetLiveTypeLines(CHIDProtocol& protocol, int type, TypeWriteResult& result)
{
    PicLineWords live{};
    if (!protocol.GetPicLines(live, false)) {
        result.Note(false, "type lines (unreadable)");
        return;
    }
    if (type == kUnitMaster) {
        live[1] &= static_cast<uint16_t>(~kTypeLinesWord1);
        live[0] &= static_cast<uint16_t>(~kTypeLinesWord0);
    } else {
        live[1] |= kTypeLinesWord1;
        live[0] |= kTypeLinesWord0;
    }
    result.Note(protocol.SetPicLines(live, true), "type lines");
}

void SendTypeClosingCommands(CHIDProtocol& protocol, TypeWriteResult& result)
{
    for (const int code : {0x2120, 0xB100, 0xB102})
        result.Note(SendShort(protocol, code), "closing commands");
}

TypeWriteResult WriteUnitType(CHIDProtocol& protocol, const UnitTypeInfo& row, const PicLineWords& words,
                              uint32_t address, std::optional<uint16_t> oldFlags)
{
    TypeWriteResult result;
    WriteTypeIdentity(protocol, row, result);
    if (!result.refused.empty()) {
        result.identityRefused = true;
        if (result.refused != "flags word" && oldFlags)
            result.flagsPutBack = protocol.SetParameter(0, 10, *oldFlags) >= 0;
        return result;
    }
    WriteTypeLinesAndChannels(protocol, row, words, address, result);
    SetLiveTypeLines(protocol, row.type, result);
    SendTypeClosingCommands(protocol, result);
    return result;
}

}  // namespace vk
