// The configuration file as vk550ctl and the wizard save it. Written by hand
// rather than by the TOML library so that the comments, the order of the keys
// and the hexadecimal words stay as a person expects to read them.
#include "commission/ConfigurationFile.h"

#include <cstdio>

#include "commission/ConfigurationForms.h"
#include "commission/TextEscapes.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

const char* Bool(bool value) { return value ? "true" : "false"; }

void WriteChannel(std::string& out, const UnitConfiguration& config, int c)
{
    const ChannelRecordSettings& ch = config.channels[static_cast<size_t>(c)];
    out += "\n[channel." + std::to_string(c + 1) + "]\n";
    out += std::string("in_use = ") + Bool(ch.InUse()) + "\n";
    if (ch.InUse())
        out += "input = " + TomlString(InputName(ch.mode) ? InputName(ch.mode) : "") + "\n";
    out += "gain_db = " + GainDb(config.GainStep(c)) + "\n";
    out += "phantom = " + TomlString(PhantomName(config.Phantom(c))) + "\n";
    out += "level = " + std::to_string(ch.level) + "\n";
    out += std::string("mute = ") + Bool(ch.mute) + "\n";
    out += "local_level = " + std::to_string(ch.localLevel) + "\n";
    out += std::string("local_mute = ") + Bool(ch.localMute) + "\n";
}

}  // namespace

std::string WriteConfigurationFile(const UnitConfiguration& config)
{
    const UnitIdentity& id = config.identity;
    std::string out;
    out += "# Dravena unit configuration\n";
    out += "format_version = " + std::to_string(kConfigurationFormatVersion) + "\n";
    out += "\n# The unit this was read from; never written to a unit.\n[identity]\n";
    out += "product_id = " + Hex(static_cast<unsigned>(id.productId), 4) + "\n";
    out += "product_name = " + TomlString(id.productName) + "\n";
    out += "device_name = " + TomlString(id.deviceName) + "\n";
    out += "serial = " + TomlString(id.serialNumber) + "\n";
    out += "software_version = " + TomlString(id.softwareVersion) + "\n";
    out += "protocol_version = " + std::to_string(id.protocolVersion) + "\n";

    out += "\n[unit]\n";
    out += "type = " + TomlString(UnitTypeRow(config.type).typeName) + "  # NEW, STAND ALONE, MASTER or SLAVE\n";
    out += "flags = " + Hex(config.flags, 4) + "  # bit 4: a master keeps sound reinforcement inputs aside\n";

    out += "\n# The controller's lines 16..31 (word 0) and 0..15 (word 1) and the slave\n"
           "# address word; a channel's differing gain or phantom below is written over them.\n[controller]\n";
    out += "line_word_0 = " + Hex(config.lines[0], 4) + "\n";
    out += "line_word_1 = " + Hex(config.lines[1], 4) + "\n";
    out += "address = " + Hex(config.address, 4) + "\n";

    out += "\n# Levels 0..63 of the unit's level registers.\n[levels]\n";
    for (const int reg : kLevelRegisters) {
        out += "register_" + std::to_string(reg) + " = " + std::to_string(config.Level(reg));
        out += reg == 1 ? "  # speaker\n" : reg == 3 ? "  # output\n" : "\n";
    }

    out += "\n# Inputs 1..4. input: microphone, sound reinforcement, auxiliary or slave link;\n"
           "# gain_db 0.0..42.0 in steps of 6.0; phantom: off, 3V or 24V; level 0..255 and\n"
           "# mute are item 1, local_level 0..24 and local_mute the local level.\n";
    for (int c = 0; c < kInputChannels; ++c)
        WriteChannel(out, config, c);
    return out;
}

}  // namespace vk::commission
