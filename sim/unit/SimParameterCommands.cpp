// Parameter pages: 0xF00C write a value, 0xF00D read a value, 0xF00E write an
// array (a header sets the length, element writes fill it in place), 0xF00F read
// an array (length header, element values, characters). Only addresses the unit
// declares exist; others are rejected with an error number, and so is an array
// header longer than a parameter can hold (32 elements).
#include "sim/unit/SimAnswers.h"
#include "sim/unit/SimUnitState.h"

#include <algorithm>

namespace vk {
namespace {

constexpr uint8_t kValue = 0;       // byte 2: a 16-bit value in bytes 6..7
constexpr uint8_t kCharacter = 2;   // byte 2: one character in byte 7
constexpr uint8_t kHeader = 3;      // byte 2: the length in byte 5
constexpr size_t kMaxLength = 255;  // the length travels in one byte
constexpr size_t kRoom = 32;        // elements an array or text parameter can hold

using Entry = std::vector<uint16_t>;

uint16_t WordOf(const SimBlock& block) { return static_cast<uint16_t>(block[6] << 8 | block[7]); }

// The entry the command names, or the error number that rejects its address.
Entry* Lookup(SimUnitState& state, const SimBlock& command, uint8_t& error)
{
    const uint8_t page = command[3];
    const auto it = state.parameters.find({page, command[4]});
    if (it != state.parameters.end())
        return &it->second;
    const bool pageKnown = std::any_of(state.parameters.begin(), state.parameters.end(),
                                       [page](const auto& entry) { return entry.first.first == page; });
    error = pageKnown ? sim_error::kUnknownIndex : sim_error::kUnknownPage;
    return nullptr;
}

SimBlock NotUnderstood(SimUnitState& state, const SimBlock& command)
{
    SimUnknownCommand(state);
    return SimErrorAnswer(command, sim_error::kUnknownFunction);
}

SimBlock WriteValue(SimUnitState& state, const SimBlock& command, Entry& entry)
{
    switch (command[2]) {
    case kValue: entry.assign(1, WordOf(command)); return SimAnswerFrame(command);
    case kCharacter: entry.assign(1, command[7]); return SimAnswerFrame(command);
    default: return NotUnderstood(state, command);
    }
}

SimBlock ReadValue(SimUnitState& state, const SimBlock& command, const Entry& entry)
{
    if (command[2] != kValue)
        return NotUnderstood(state, command);
    if (entry.empty())
        return SimErrorAnswer(command, sim_error::kElementOutOfRange);
    SimBlock answer = SimAnswerFrame(command);
    answer[6] = static_cast<uint8_t>(entry[0] >> 8);
    answer[7] = static_cast<uint8_t>(entry[0]);
    return answer;
}

SimBlock WriteArray(SimUnitState& state, const SimBlock& command, Entry& entry)
{
    const uint8_t element = command[5];
    switch (command[2]) {
    case kHeader:
        if (element > kRoom)
            return SimErrorAnswer(command, sim_error::kNoRoom);
        entry.assign(element, 0);
        return SimAnswerFrame(command);
    case kValue:
    case kCharacter:
        if (element >= entry.size())
            return SimErrorAnswer(command, sim_error::kElementOutOfRange);
        entry[element] = command[2] == kValue ? WordOf(command) : command[7];
        return SimAnswerFrame(command);
    default: return NotUnderstood(state, command);
    }
}

SimBlock ReadArray(SimUnitState& state, const SimBlock& command, const Entry& entry)
{
    SimBlock answer = SimAnswerFrame(command);
    const uint8_t element = command[5];
    switch (command[2]) {
    case kHeader:
        answer[5] = static_cast<uint8_t>(std::min(entry.size(), kMaxLength));
        return answer;
    case kValue:
    case kCharacter:
        if (element >= entry.size())
            return SimErrorAnswer(command, sim_error::kElementOutOfRange);
        answer[6] = command[2] == kValue ? static_cast<uint8_t>(entry[element] >> 8) : 0;
        answer[7] = static_cast<uint8_t>(entry[element]);
        return answer;
    default: return NotUnderstood(state, command);
    }
}

std::optional<SimBlock> AnswerParameter(SimUnitState& state, const SimBlock& command)
{
    uint8_t error = 0;
    Entry* entry = Lookup(state, command, error);
    if (!entry)
        return SimErrorAnswer(command, error);
    switch (SimBlockCode(command)) {
    case 0xF00C: return WriteValue(state, command, *entry);
    case 0xF00D: return ReadValue(state, command, *entry);
    case 0xF00E: return WriteArray(state, command, *entry);
    default: return ReadArray(state, command, *entry);
    }
}

void AddParameterCommands(CSimCommandSet& set)
{
    for (uint8_t sub = 0x0C; sub <= 0x0F; ++sub)
        set.OnLong(sub, AnswerParameter);
}

const SimCommandRegistration registration(AddParameterCommands);

}  // namespace
}  // namespace vk
