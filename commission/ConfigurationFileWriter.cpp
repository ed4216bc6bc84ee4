// The configuration as a tree of keys, values and comments, which the TOML
// and JSON writers print. Each input's gain and phantom stand in its
// [channel.N] only; the controller's words keep the bits no field covers.
#include "commission/ConfigurationFile.h"

#include "commission/ConfigurationForms.h"
#include "commission/ConfigurationRules.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

constexpr const char* kKeptOnly = "; only a unit that holds it takes it";

// A comment for a value the wizard does not set, or the plain one.
std::string Outside(const std::optional<std::string>& why, const std::string& plain = {})
{
    return why ? *why + kKeptOnly : plain;
}

std::string InputName(const ChannelRecordSettings& ch)
{
    if (const char* name = commission::InputName(ch.mode))
        return name;
    return "mode " + std::to_string(ch.mode);
}

FileNode Channel(const UnitConfiguration& config, int c)
{
    const ChannelRecordSettings& ch = config.channels[static_cast<size_t>(c)];
    FileNode table = TableNode(std::to_string(c + 1));
    table.Add(BooleanNode("in_use", ch.InUse()));
    if (ch.InUse())
        table.Add(TextNode("input", InputName(ch), Outside(InputOutsideWizard(config, c))));
    table.Add(GainNode("gain_db", config.GainStep(c) * 6.0));
    std::string phantomComment = Outside(PhantomOutsideWizard(config, c));
    if (BothSupplyLinesLow(config, c))
        phantomComment += std::string(phantomComment.empty() ? "" : "; ") + "the unit holds its 24 V line low too" +
                          (phantomComment.empty() ? "; kept while this stays 3V" : "");
    table.Add(TextNode("phantom", PhantomName(config.Phantom(c)), phantomComment));
    table.Add(IntegerNode("level", ch.level, Outside(LevelOutsideWizard(ch.level))));
    table.Add(BooleanNode("mute", ch.mute));
    table.Add(IntegerNode("local_level", ch.localLevel, Outside(LevelOutsideWizard(ch.localLevel))));
    table.Add(BooleanNode("local_mute", ch.localMute));
    return table;
}

FileNode Levels(const UnitConfiguration& config)
{
    FileNode levels = TableNode("levels", "Levels 0..24 as the wizard's sliders set them: the speaker's (register 1)\n"
                                          "and the output's (registers 3, 7 and 4, written together).");
    levels.Add(IntegerNode("speaker", config.Level(1), Outside(LevelOutsideWizard(config.Level(1)))));
    const int output = config.Level(3);
    if (config.Level(7) == output && config.Level(4) == output) {
        levels.Add(IntegerNode("output", output, Outside(LevelOutsideWizard(output))));
        return levels;
    }
    // The wizard never leaves them apart; the unit does, so they are kept so.
    for (const int reg : {3, 7, 4})
        levels.Add(IntegerNode("register_" + std::to_string(reg), config.Level(reg),
                               Outside(LevelOutsideWizard(config.Level(reg)),
                                       reg == 3 ? "the unit holds the output's registers apart" : "")));
    return levels;
}

}  // namespace

FileNode ConfigurationDocument(const UnitConfiguration& config)
{
    const UnitIdentity& id = config.identity;
    FileNode root = TableNode("", "Dravena unit configuration");
    root.Add(IntegerNode("format_version", kConfigurationFormatVersion));

    FileNode& identity = root.Add(TableNode("identity", "The unit this was read from; never written to a unit."));
    identity.Add(HexNode("product_id", id.productId));
    identity.Add(TextNode("product_name", id.productName));
    identity.Add(TextNode("device_name", id.deviceName));
    identity.Add(TextNode("serial", id.serialNumber));
    identity.Add(TextNode("software_version", id.softwareVersion));
    identity.Add(IntegerNode("protocol_version", id.protocolVersion));

    FileNode& unit = root.Add(TableNode("unit"));
    unit.Add(TextNode("type", UnitTypeRow(config.type).typeName, "NEW, STAND ALONE, MASTER or SLAVE"));
    unit.Add(HexNode("flags", config.flags, "bit 4: a master keeps sound reinforcement inputs aside"));

    FileNode& controller = root.Add(TableNode(
        "controller", "The controller's lines 16..31 (word 0) and 0..15 (word 1) and the slave address\n"
                      "word, without the inputs' gain and phantom bits: those are in [channel.N]."));
    const PicLineWords mask = InputLineMask();
    controller.Add(HexNode("line_word_0", config.lines[0] & ~mask[0]));
    controller.Add(HexNode("line_word_1", config.lines[1] & ~mask[1]));
    controller.Add(HexNode("address", config.address & ~InputAddressMask()));

    root.Add(Levels(config));

    FileNode& channels = root.Add(TableNode(
        "channel", "Inputs 1..4. input: microphone, sound reinforcement, auxiliary or slave link;\n"
                   "gain_db 0.0..42.0 in steps of 6.0; phantom: off, 3V or 24V; level 0..24 and\n"
                   "mute are item 1, local_level 0..24 and local_mute the local level."));
    for (int c = 0; c < kInputChannels; ++c)
        channels.Add(Channel(config, c));
    return root;
}

std::string WriteConfigurationFile(const UnitConfiguration& config) { return TomlText(ConfigurationDocument(config)); }

std::string WriteConfigurationJson(const UnitConfiguration& config) { return JsonText(ConfigurationDocument(config)); }

}  // namespace vk::commission
