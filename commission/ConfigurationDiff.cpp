#include "commission/ConfigurationDiff.h"

#include "commission/ConfigurationForms.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

const char* YesNo(bool value) { return value ? "yes" : "no"; }

class CDiff {
public:
    void Field(const std::string& field, const std::string& from, const std::string& to)
    {
        if (from != to)
            changes.push_back({field, from, to});
    }
    std::vector<FieldChange> changes;
};

// The words without the lines and bits the inputs' gain and phantom own.
PicLineWords OtherLines(const PicLineWords& lines)
{
    const PicLineWords mask = InputLineMask();
    return {static_cast<uint16_t>(lines[0] & ~mask[0]), static_cast<uint16_t>(lines[1] & ~mask[1])};
}

bool OutputTogether(const UnitConfiguration& config)
{
    return config.Level(3) == config.Level(7) && config.Level(3) == config.Level(4);
}

}  // namespace

std::vector<FieldChange> DiffConfigurations(const UnitConfiguration& from, const UnitConfiguration& to)
{
    CDiff diff;
    diff.Field("type", UnitTypeRow(from.type).typeName, UnitTypeRow(to.type).typeName);
    diff.Field("flags", HexWord(from.flags), HexWord(to.flags));
    for (int c = 0; c < kInputChannels; ++c) {
        const auto& a = from.channels[static_cast<size_t>(c)];
        const auto& b = to.channels[static_cast<size_t>(c)];
        const std::string name = "channel " + std::to_string(c + 1) + " ";
        diff.Field(name + "input", InputText(a), InputText(b));
        diff.Field(name + "gain", GainDb(from.GainStep(c)) + " dB", GainDb(to.GainStep(c)) + " dB");
        diff.Field(name + "phantom", PhantomName(from.Phantom(c)), PhantomName(to.Phantom(c)));
        diff.Field(name + "level", std::to_string(a.level), std::to_string(b.level));
        diff.Field(name + "mute", YesNo(a.mute), YesNo(b.mute));
        diff.Field(name + "local level", std::to_string(a.localLevel), std::to_string(b.localLevel));
        diff.Field(name + "local mute", YesNo(a.localMute), YesNo(b.localMute));
    }
    const PicLineWords otherFrom = OtherLines(from.lines);
    const PicLineWords otherTo = OtherLines(to.lines);
    diff.Field("other controller lines", HexWord(otherFrom[0]) + " " + HexWord(otherFrom[1]),
               HexWord(otherTo[0]) + " " + HexWord(otherTo[1]));
    const auto mask = static_cast<uint16_t>(~InputAddressMask());
    diff.Field("address word", HexWord(from.address & mask), HexWord(to.address & mask));
    diff.Field("speaker level", std::to_string(from.Level(1)), std::to_string(to.Level(1)));
    // The output's three registers move together, unless a unit holds them apart.
    if (OutputTogether(from) && OutputTogether(to))
        diff.Field("output level", std::to_string(from.Level(3)), std::to_string(to.Level(3)));
    else
        for (const int reg : {3, 7, 4})
            diff.Field("output register " + std::to_string(reg), std::to_string(from.Level(reg)),
                       std::to_string(to.Level(reg)));
    return diff.changes;
}

std::vector<int> InputsGettingPhantom(const UnitConfiguration& from, const UnitConfiguration& to)
{
    std::vector<int> inputs;
    for (int c = 0; c < kInputChannels; ++c)
        if (to.Phantom(c) > from.Phantom(c))  // off < 3 V < 24 V
            inputs.push_back(c + 1);
    return inputs;
}

}  // namespace vk::commission

namespace vk::commission {

const Refusal* RefusalOf(const FieldChange& change, const std::vector<Refusal>& refusals)
{
    for (const Refusal& refusal : refusals)
        if (refusal.field == change.field ||
            (change.field == "output level" && refusal.field.starts_with("output register")))
            return &refusal;
    return nullptr;
}

}  // namespace vk::commission
