#include "inputs/InputTypeChange.h"

#include "device/SlaveAddress.h"
#include "device/UnitTypes.h"

namespace vk {
namespace {

constexpr uint8_t kItem1 = 0x01;
constexpr uint8_t kItem2 = 0x02;
constexpr uint8_t kItem2Muted = 0x82;
constexpr uint8_t kDefaultLevel = 24;

}  // namespace

InputTypeRecord RecordForInputType(uint8_t mode)
{
    switch (mode) {
    case kModeMicrophone:
    case kModeSlaveLink: return {mode, kItem1, kDefaultLevel, kItem2Muted, kDefaultLevel};
    // Sound reinforcement starts with its local level down.
    case kModeReinforcement: return {mode, kItem1, kDefaultLevel, kItem2, 0};
    default: return {mode, kItem1, kDefaultLevel, kItem2, kDefaultLevel};
    }
}

InputTypeLines LinesForInputType(int unitType, uint8_t mode)
{
    switch (mode) {
    case kModeMicrophone: return {std::nullopt, std::nullopt, 1};
    // A slave link's input stage never carries a microphone's supply; on a
    // master it also takes gain 0.
    case kModeSlaveLink:
        return {kPhantomOff, unitType == kUnitMaster ? std::optional<int>(0) : std::nullopt, 0};
    case kModeNotUsed: return {kPhantomOff, std::nullopt, std::nullopt};
    default: return {kPhantomOff, std::nullopt, 1};
    }
}

InputLineWrite LineWriteForInputType(int unitType, uint8_t mode)
{
    if (mode == kModeNotUsed)
        return InputLineWrite::WithoutThenWithAddress;
    if (mode == kModeMicrophone || (mode == kModeSlaveLink && unitType == kUnitMaster))
        return InputLineWrite::WithAddress;
    return InputLineWrite::WithoutAddress;
}

bool WriteInputLines(CHIDProtocol& protocol, const PicLineWords& lines, std::optional<uint16_t> address)
{
    const bool linesTaken = protocol.SetPicLines(lines, true, CHIDProtocol::kMainPic);
    const bool addressTaken = !address || WriteSlaveAddress(protocol, *address);
    return linesTaken && addressTaken;
}

bool ChangeInputType(CHIDProtocol& protocol, int unitType, int c, uint8_t mode, PicLineWords& lines,
                     uint16_t& address)
{
    const InputTypeRecord record = RecordForInputType(mode);
    bool taken = protocol.SetChannel(c, record.mode, record.item1, record.value1, record.item2, record.value2) >= 0;
    const InputTypeLines set = LinesForInputType(unitType, mode);
    if (set.phantom)
        EncodePhantom(lines, c, *set.phantom);
    if (set.gainStep)
        EncodeGainStep(lines, address, c, *set.gainStep);
    if (set.typeLine)
        EncodeTypeLine(lines, c, *set.typeLine);
    switch (LineWriteForInputType(unitType, mode)) {
    case InputLineWrite::WithoutAddress: taken = WriteInputLines(protocol, lines, std::nullopt) && taken; break;
    case InputLineWrite::WithAddress: taken = WriteInputLines(protocol, lines, address) && taken; break;
    case InputLineWrite::WithoutThenWithAddress:
        taken = WriteInputLines(protocol, lines, std::nullopt) && taken;
        taken = WriteInputLines(protocol, lines, address) && taken;
        break;
    }
    return taken;
}

}  // namespace vk
