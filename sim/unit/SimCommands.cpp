#include "sim/unit/SimCommands.h"

#include "sim/unit/SimAnswers.h"

namespace vk {
namespace {
CSimCommandSet& Registry()
{
    static CSimCommandSet set;
    return set;
}
}  // namespace

void CSimCommandSet::OnShort(uint16_t code, SimShortHandler handler) { m_short[code] = std::move(handler); }

void CSimCommandSet::OnShortHigh(uint8_t highByte, SimShortHandler handler) { m_shortHigh[highByte] = std::move(handler); }

void CSimCommandSet::OnLong(uint8_t subCommand, SimLongHandler handler) { m_long[subCommand] = std::move(handler); }

std::optional<uint16_t> CSimCommandSet::Short(SimUnitState& state, uint16_t code) const
{
    if (const auto it = m_short.find(code); it != m_short.end())
        return it->second(state, code);
    if (const auto it = m_shortHigh.find(static_cast<uint8_t>(code >> 8)); it != m_shortHigh.end())
        return it->second(state, code);
    SimUnknownCommand(state);
    return std::nullopt;
}

std::optional<SimBlock> CSimCommandSet::Long(SimUnitState& state, const SimBlock& command) const
{
    if (const auto it = m_long.find(command[1]); it != m_long.end())
        return it->second(state, command);
    SimUnknownCommand(state);
    return SimErrorAnswer(command, sim_error::kUnknownFunction);
}

const CSimCommandSet& SimCommands() { return Registry(); }

SimCommandRegistration::SimCommandRegistration(void (*add)(CSimCommandSet&)) { add(Registry()); }

std::vector<size_t> SimEchoedBytes(uint8_t subCommand)
{
    switch (subCommand) {
    case 0x00:
    case 0x01:
        return {2};
    case 0x06:
        return {6, 7};
    case 0x0C:
    case 0x0D:
    case 0x0E:
    case 0x0F:
        return {3, 4};
    default:
        return {};
    }
}

}  // namespace vk
