#include "inputs/InputChannelCoding.h"

#include <algorithm>
#include <array>

#include "device/UnitTypes.h"

namespace vk {
namespace {

// Lines of channel c: 5c (NOT gain bit 2), 5c+1 (NOT gain bit 1), 5c+2 (24 V, low
// = on), 5c+3 (3 V, low = on), 5c+4 (type line).
constexpr int kGain2Line = 0;
constexpr int kGain1Line = 1;
constexpr int k24VLine = 2;
constexpr int k3VLine = 3;
constexpr int kTypeLine = 4;

int LineOf(int c, int offset) { return 5 * c + offset; }

}  // namespace

int GetLine(const PicLineWords& lines, int line)
{
    const uint16_t word = line < 16 ? lines[1] : lines[0];
    return (word >> (line % 16)) & 1;
}

void SetLine(PicLineWords& lines, int line, int value)
{
    uint16_t& word = line < 16 ? lines[1] : lines[0];
    const auto bit = static_cast<uint16_t>(1u << (line % 16));
    word = value ? static_cast<uint16_t>(word | bit) : static_cast<uint16_t>(word & ~bit);
}

int GainAddressBit(int c)
{
    static constexpr std::array<int, kInputChannels> kBits{2, 5, 7, 8};
    return kBits[static_cast<size_t>(std::clamp(c, 0, kInputChannels - 1))];
}

int DecodeGainStep(const PicLineWords& lines, uint16_t address, int c)
{
    const int bit0 = (address >> GainAddressBit(c)) & 1;
    const int bit1 = GetLine(lines, LineOf(c, kGain1Line)) ^ 1;
    const int bit2 = GetLine(lines, LineOf(c, kGain2Line)) ^ 1;
    return bit2 << 2 | bit1 << 1 | bit0;
}

void EncodeGainStep(PicLineWords& lines, uint16_t& address, int c, int step)
{
    SetLine(lines, LineOf(c, kGain2Line), (step & 4) ? 0 : 1);
    SetLine(lines, LineOf(c, kGain1Line), (step & 2) ? 0 : 1);
    const auto bit = static_cast<uint16_t>(1u << GainAddressBit(c));
    address = (step & 1) ? static_cast<uint16_t>(address | bit) : static_cast<uint16_t>(address & ~bit);
}

int DecodePhantom(const PicLineWords& lines, int c)
{
    if (GetLine(lines, LineOf(c, k3VLine)) == 0)
        return kPhantom3V;
    if (GetLine(lines, LineOf(c, k24VLine)) == 0)
        return kPhantom24V;
    return kPhantomOff;
}

void EncodePhantom(PicLineWords& lines, int c, int state)
{
    SetLine(lines, LineOf(c, k3VLine), state == kPhantom3V ? 0 : 1);
    SetLine(lines, LineOf(c, k24VLine), state == kPhantom24V ? 0 : 1);
}

void EncodeTypeLine(PicLineWords& lines, int c, int value) { SetLine(lines, LineOf(c, kTypeLine), value ? 1 : 0); }

std::string GainText(int step)
{
    static constexpr std::array<const char*, kGainSteps> kTexts{"0.0 dB",  "6.0 dB",  "12.0 dB", "18.0 dB",
                                                                "24.0 dB", "30.0 dB", "36.0 dB", "42.0 dB"};
    return kTexts[static_cast<size_t>(std::clamp(step, 0, kGainSteps - 1))];
}

int ChoiceForMode(int unitType, int mode)
{
    switch (mode) {
    case kModeMicrophone: return kFirstType;
    case kModeReinforcement: return kSecondType;
    case kModeAuxiliary: return kThirdType;
    case kModeSlaveLink:
        return unitType == kUnitMaster ? kFirstType : unitType == kUnitSlave ? kSecondType : kNoType;
    default: return kNoType;
    }
}

bool GainApplies(int unitType, bool inUse, int choice)
{
    return inUse && !(unitType == kUnitMaster && choice == kFirstType) && !(unitType == kUnitSlave && choice == kSecondType);
}

bool PhantomApplies(int unitType, bool inUse, int choice)
{
    if (!inUse)
        return false;
    switch (unitType) {
    case kUnitStandAlone: return choice == kFirstType || choice == kSecondType;
    case kUnitMaster: return choice == kSecondType;
    case kUnitSlave: return choice == kFirstType;
    default: return false;
    }
}

bool LocalApplies(int unitType, bool inUse, int choice)
{
    return inUse && ((choice == kSecondType && unitType != kUnitSlave) || choice == kThirdType);
}

}  // namespace vk
