#include "commission/ConfigurationRules.h"

#include "commission/ConfigurationForms.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

// The modes the type buttons of the inputs page write, by unit type.
bool WizardSetsMode(int unitType, uint8_t mode)
{
    switch (unitType) {
    case kUnitStandAlone: return mode == kModeMicrophone || mode == kModeReinforcement || mode == kModeAuxiliary;
    case kUnitMaster: return mode == kModeSlaveLink || mode == kModeReinforcement || mode == kModeAuxiliary;
    case kUnitSlave: return mode == kModeMicrophone || mode == kModeSlaveLink;
    default: return false;
    }
}

const char* WizardModes(int unitType)
{
    switch (unitType) {
    case kUnitStandAlone: return "microphone, sound reinforcement or auxiliary";
    case kUnitMaster: return "slave link, sound reinforcement or auxiliary";
    case kUnitSlave: return "microphone or slave link";
    default: return "no input type";
    }
}

std::string InputAndUnit(const UnitConfiguration& config, int c)
{
    const ChannelRecordSettings& ch = config.channels[static_cast<size_t>(c)];
    const std::string type = InputText(ch);
    const char* article = std::string("aeiou").find(type[0]) == std::string::npos ? "a " : "an ";
    const std::string input = ch.InUse() ? article + type + " input" : "an input not in use";
    return input + " of a " + UnitTypeRow(config.type).typeName + " unit";
}

int Choice(const UnitConfiguration& config, int c)
{
    return ChoiceForMode(config.type, config.channels[static_cast<size_t>(c)].mode);
}

}  // namespace

std::optional<std::string> InputOutsideWizard(const UnitConfiguration& config, int c)
{
    const ChannelRecordSettings& ch = config.channels[static_cast<size_t>(c)];
    if (!ch.InUse() || WizardSetsMode(config.type, ch.mode))
        return std::nullopt;
    return "the wizard gives a " + std::string(UnitTypeRow(config.type).typeName) + " unit " +
           WizardModes(config.type) + " inputs";
}

std::optional<std::string> PhantomOutsideWizard(const UnitConfiguration& config, int c)
{
    const bool inUse = config.channels[static_cast<size_t>(c)].InUse();
    if (config.Phantom(c) == kPhantomOff || PhantomApplies(config.type, inUse, Choice(config, c)))
        return std::nullopt;
    return "the wizard gives no phantom power to " + InputAndUnit(config, c);
}

std::optional<std::string> LevelOutsideWizard(int level)
{
    if (level <= kWizardMaxLevel)
        return std::nullopt;
    return "the wizard's levels go from 0 to " + std::to_string(kWizardMaxLevel);
}

// The coding shows its supply lines: 3 V pulls one low, 24 V the other.
bool BothSupplyLinesLow(const UnitConfiguration& config, int c)
{
    PicLineWords on3 = config.lines;
    PicLineWords on24 = config.lines;
    EncodePhantom(on3, c, kPhantom3V);
    EncodePhantom(on24, c, kPhantom24V);
    const PicLineWords both{static_cast<uint16_t>(on3[0] & on24[0]), static_cast<uint16_t>(on3[1] & on24[1])};
    return config.lines == both;
}

}  // namespace vk::commission
