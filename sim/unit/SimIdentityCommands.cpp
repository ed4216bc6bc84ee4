// Identification reads beyond the identity words: the unit identifier (0xF005, or
// one nibble per short command 0xB3n0, n = 7 most significant .. 0), the serial
// number in chunks of four characters (0xF01A, chunks 0..4) and the hardware
// configuration (0xF003, answer bytes 2..7; all 0xFF when the unit holds none).
// While the protection jumper is fitted, firmware below protocol 20 cannot read
// its identity block and reports the identifier 0x00010000.
#include "sim/unit/SimAnswers.h"
#include "sim/unit/SimUnitState.h"

namespace vk {
namespace {

constexpr uint32_t kProtectedIdentifier = 0x00010000;
constexpr int kSerialChunks = 5;

uint32_t VisibleIdentifier(const SimUnitState& state)
{
    const int protocol = state.protocolVersionAnswer & 0x3FF;
    return state.protectionJumper && protocol < 20 ? kProtectedIdentifier : state.unitIdentifier;
}

std::optional<SimBlock> ReadIdentifier(SimUnitState& state, const SimBlock& command)
{
    const uint32_t id = VisibleIdentifier(state);
    SimBlock answer = SimAnswerFrame(command);
    for (int i = 0; i < 4; ++i)
        answer[static_cast<size_t>(4 + i)] = static_cast<uint8_t>(id >> (24 - 8 * i));
    return answer;
}

std::optional<uint16_t> ReadIdentifierNibble(SimUnitState& state, uint16_t code)
{
    const int nibble = code >> 4 & 0xF;
    if (nibble > 7 || (code & 0xF) != 0) {
        SimUnknownCommand(state);
        return std::nullopt;
    }
    const uint32_t id = VisibleIdentifier(state);
    return static_cast<uint16_t>(code | (id >> (4 * nibble) & 0xF));
}

std::optional<SimBlock> ReadSerialChunk(SimUnitState& state, const SimBlock& command)
{
    const int chunk = command[2];
    if (chunk >= kSerialChunks)
        return SimErrorAnswer(command, sim_error::kUnknownIndex);
    SimBlock answer = SimAnswerFrame(command);
    for (size_t i = 0; i < 4; ++i) {
        const size_t at = static_cast<size_t>(chunk) * 4 + i;
        answer[4 + i] = at < state.serialNumber.size() ? static_cast<uint8_t>(state.serialNumber[at]) : 0;
    }
    return answer;
}

std::optional<SimBlock> ReadHardwareConfig(SimUnitState& state, const SimBlock& command)
{
    SimBlock answer = SimAnswerFrame(command);
    for (size_t i = 0; i < state.hardwareConfig.size(); ++i)
        answer[2 + i] = state.hardwareConfig[i];
    return answer;
}

void AddIdentityCommands(CSimCommandSet& set)
{
    set.OnLong(0x03, ReadHardwareConfig);
    set.OnLong(0x05, ReadIdentifier);
    set.OnLong(0x1A, ReadSerialChunk);
    set.OnShortHigh(0xB3, ReadIdentifierNibble);
}

const SimCommandRegistration registration(AddIdentityCommands);

}  // namespace
}  // namespace vk
