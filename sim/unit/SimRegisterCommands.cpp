// The unit's small registers, reached by short commands.
//
// Level registers 0..7: 0x6rxx reads register r (answer 0x6r00 + value), 0x5r00 +
// value writes it; the value holds a level in bits 0..5 and a flag in bit 7. The
// unit has no registers 8..15: it answers 0xFFFF ("nothing to say") to them.
//
// Port registers 0..7 of eight bits: 0x2(2k)xx clears the bits xx of register k,
// 0x2(2k+1)xx sets them; 0x3(2k)FF reads register k (answer 0x3(2k)00 + value);
// other 0x3xxx codes are not known.
// Registers 2 and 3 hold the low and high byte of the slave address word. Bit 7 of
// register 0 drives the interface board's line switch: a rising edge switches a
// parked line on. Bit 7 of register 3 reads as 1 while the protection jumper is fitted.
//
// Interface status words: 0x40FF (bit 3 clear = line active) and 0x41FF (bit 1
// clear = line active); other 0x40xx and 0x41xx codes are not known.
#include "sim/unit/SimAnswers.h"
#include "sim/unit/SimUnitState.h"

namespace vk {
namespace {

int Bank(uint16_t code) { return code >> 8 & 0xF; }

constexpr int kLevelRegisters = 8;
constexpr uint16_t kNothingToSay = 0xFFFF;

std::optional<uint16_t> Unknown(SimUnitState& state)
{
    SimUnknownCommand(state);
    return std::nullopt;
}

std::optional<uint16_t> WriteLevel(SimUnitState& state, uint16_t code)
{
    if (Bank(code) >= kLevelRegisters)
        return kNothingToSay;
    state.levels[static_cast<uint8_t>(Bank(code))] = code & 0xFF;
    return code;
}

std::optional<uint16_t> ReadLevel(SimUnitState& state, uint16_t code)
{
    if (Bank(code) >= kLevelRegisters)
        return kNothingToSay;
    const auto it = state.levels.find(static_cast<uint8_t>(Bank(code)));
    const uint16_t value = it == state.levels.end() ? 0 : (it->second & 0xFF);
    return static_cast<uint16_t>((code & 0xFF00) | value);
}

std::optional<uint16_t> WritePort(SimUnitState& state, uint16_t code)
{
    uint8_t& port = state.ports[static_cast<size_t>(Bank(code) >> 1)];
    const bool lineWasHigh = (state.ports[0] & 0x80) != 0;
    const auto bits = static_cast<uint8_t>(code & 0xFF);
    port = (Bank(code) & 1) ? static_cast<uint8_t>(port | bits) : static_cast<uint8_t>(port & ~bits);
    if (!lineWasHigh && (state.ports[0] & 0x80) != 0) {
        ++state.lineSwitches;
        if (state.interfaceBoard == SimInterfaceBoard::LineParked)
            state.interfaceBoard = SimInterfaceBoard::LineActive;
    }
    return code;
}

std::optional<uint16_t> ReadPort(SimUnitState& state, uint16_t code)
{
    if ((Bank(code) & 1) != 0 || (code & 0xFF) != 0xFF)
        return Unknown(state);
    const int k = Bank(code) >> 1;
    uint8_t value = state.ports[static_cast<size_t>(k)];
    if (k == 3 && state.protectionJumper)
        value |= 0x80;
    return static_cast<uint16_t>((code & 0xFF00) | value);
}

std::optional<uint16_t> ReadInterfaceStatus(SimUnitState& state, uint16_t code)
{
    if ((code & 0xFF) != 0xFF)
        return Unknown(state);
    const bool active = state.interfaceBoard == SimInterfaceBoard::LineActive;
    const uint16_t idleBit = (code >> 8) == 0x40 ? 0x08 : 0x02;
    return static_cast<uint16_t>((code & 0xFF00) | (active ? 0 : idleBit));
}

void AddRegisterCommands(CSimCommandSet& set)
{
    for (int bank = 0; bank < 16; ++bank) {
        set.OnShortHigh(static_cast<uint8_t>(0x50 + bank), WriteLevel);
        set.OnShortHigh(static_cast<uint8_t>(0x60 + bank), ReadLevel);
        set.OnShortHigh(static_cast<uint8_t>(0x20 + bank), WritePort);
        set.OnShortHigh(static_cast<uint8_t>(0x30 + bank), ReadPort);
    }
    set.OnShortHigh(0x40, ReadInterfaceStatus);
    set.OnShortHigh(0x41, ReadInterfaceStatus);
}

const SimCommandRegistration registration(AddRegisterCommands);

}  // namespace
}  // namespace vk
