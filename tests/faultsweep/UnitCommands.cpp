#include "UnitCommands.h"

#include <cstdint>
#include <optional>

namespace vk::faultsweep {

namespace {

std::optional<uint8_t> ByteAt(const std::string& command, size_t index)
{
    const size_t at = index * 3;
    if (command.size() < at + 2)
        return std::nullopt;
    try {
        return static_cast<uint8_t>(std::stoi(command.substr(at, 2), nullptr, 16));
    } catch (...) {
        return std::nullopt;
    }
}

// Long commands (0xF0 <sub>) that only read: channel records (0x01), hardware
// configuration (0x03), identifier (0x05), a parameter or array (0x0D, 0x0F),
// the controllers' lines and versions (0x11, 0x21), the serial number (0x1A).
bool LongReads(uint8_t sub)
{
    switch (sub) {
    case 0x01:
    case 0x03:
    case 0x05:
    case 0x0D:
    case 0x0F:
    case 0x11:
    case 0x1A:
    case 0x21:
        return true;
    default:
        return false;
    }
}

// Short commands that only ask: presence (0x0555), the identity words, the
// request before identity reads (0xB600), identifier nibbles (0xB3n0), level
// registers (0x6rxx), port registers (0x3xFF) and the interface status words.
bool ShortReads(uint16_t code)
{
    const uint8_t high = static_cast<uint8_t>(code >> 8);
    if (code == 0x0555 || code == 0x9000 || code == 0xA000 || code == 0xA400 || code == 0xB600)
        return true;
    return high == 0xB3 || (high >= 0x60 && high <= 0x6F) || (high >= 0x30 && high <= 0x3F) || high == 0x40 ||
           high == 0x41;
}

}  // namespace

bool ChangesUnit(const std::string& command)
{
    const auto first = ByteAt(command, 0);
    const auto second = ByteAt(command, 1);
    if (!first || !second)
        return false;  // not a command line
    if (*first == 0xF0)
        return !LongReads(*second);
    return !ShortReads(static_cast<uint16_t>(*first << 8 | *second));
}

bool IsIdentityRead(const std::string& command)
{
    for (const char* prefix : {"90 00", "A0 00", "A4 00", "F0 1A"})
        if (command.rfind(prefix, 0) == 0)
            return true;
    return false;
}

}  // namespace vk::faultsweep
