#include "commission/ConfigurationForms.h"

#include <charconv>
#include <cstdio>

#include "commission/TextEscapes.h"
#include "device/UnitTypes.h"

namespace vk::commission {

std::string HexWord(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::string OneDecimal(double value)
{
    // to_chars ignores the C library's locale: the wizard runs in the user's,
    // where printf would write "36,0", which no file reader takes back.
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return error == std::errc() ? std::string(text, end) : std::string("nan");
}

std::string GainDb(int step) { return OneDecimal(step * 6.0); }

std::string InputText(const ChannelRecordSettings& channel)
{
    if (!channel.InUse())
        return "not used";
    if (const char* name = InputName(channel.mode))
        return name;
    return "mode " + std::to_string(channel.mode);
}

std::string ConfigurationText(const UnitConfiguration& config)
{
    const UnitIdentity& id = config.identity;
    std::string out;
    out += "Unit         " + id.productName + " (product id " + HexWord(static_cast<unsigned>(id.productId)) + ")\n";
    out += "Serial       " + id.serialNumber + "\n";
    out += "Software     " + id.softwareVersion + ", protocol " + std::to_string(id.protocolVersion) + "\n";
    out += "Device name  " + id.deviceName + "\n";
    out += std::string("Type         ") + UnitTypeRow(config.type).typeName + " (flags " + HexWord(config.flags) + ")\n";
    out += "Lines        " + HexWord(config.lines[0]) + " " + HexWord(config.lines[1]) + ", address " +
           HexWord(config.address) + "\n";
    out += "Levels       speaker " + std::to_string(config.Level(1)) + ", output ";
    if (config.Level(3) == config.Level(7) && config.Level(3) == config.Level(4))
        out += std::to_string(config.Level(3)) + "\n";
    else  // held apart: the three registers, in the order the wizard writes them
        out += "registers 3, 7, 4 = " + std::to_string(config.Level(3)) + ", " + std::to_string(config.Level(7)) +
               ", " + std::to_string(config.Level(4)) + "\n";
    out += "Input  Use                  Gain     Phantom  Level  Mute  Local  Local mute\n";
    for (int c = 0; c < kInputChannels; ++c) {
        const auto& ch = config.channels[static_cast<size_t>(c)];
        char line[160];
        std::snprintf(line, sizeof line, "%-6d %-20s %-8s %-8s %-6d %-5s %-6d %s\n", c + 1, InputText(ch).c_str(),
                      (GainDb(config.GainStep(c)) + " dB").c_str(), PhantomName(config.Phantom(c)), ch.level,
                      ch.mute ? "yes" : "no", ch.localLevel, ch.localMute ? "yes" : "no");
        out += line;
    }
    return out;
}

}  // namespace vk::commission
