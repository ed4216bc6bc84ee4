#pragma once
// How the firmware model shapes its answers to long commands.
//
// An answer repeats the command code (bytes 0 and 1) and only the argument bytes
// the unit is built to repeat (SimEchoedBytes: the channel in byte 2, the route in
// bytes 6 and 7, the parameter address in bytes 3 and 4); every other byte is the
// unit's own data and 0 where it has none. A host that looks for an echo the unit
// does not give therefore fails against the model as against a unit.

#include "sim/unit/SimCommands.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vk {

[[nodiscard]] constexpr uint16_t SimBlockCode(const SimBlock& block)
{
    return static_cast<uint16_t>(block[0] << 8 | block[1]);
}

// The command code and the echoed argument bytes; the rest 0.
[[nodiscard]] inline SimBlock SimAnswerFrame(const SimBlock& command)
{
    SimBlock answer{command[0], command[1], 0, 0, 0, 0, 0, 0};
    for (size_t i : SimEchoedBytes(command[1]))
        answer[i] = command[i];
    return answer;
}

// Marks an answer as a rejection: bit 7 of byte 2 raised and the error number in
// byte 7. A byte that repeats the command keeps its echo, so that the host still
// takes the answer as its own: a channel answer keeps its channel in byte 2 (only
// the number in byte 7 tells the error), a route answer its destination in byte 7.
inline void SimMarkError(SimBlock& answer, const SimBlock& command, uint8_t errorNumber)
{
    const std::vector<size_t> echoed = SimEchoedBytes(command[1]);
    const auto isEchoed = [&](size_t i) { return std::find(echoed.begin(), echoed.end(), i) != echoed.end(); };
    if (!isEchoed(2))
        answer[2] = static_cast<uint8_t>(answer[2] | 0x80);
    if (!isEchoed(7))
        answer[7] = errorNumber;
}

[[nodiscard]] inline SimBlock SimErrorAnswer(const SimBlock& command, uint8_t errorNumber)
{
    SimBlock answer = SimAnswerFrame(command);
    SimMarkError(answer, command, errorNumber);
    return answer;
}

// A rejection by one of the small controllers (PICs): bit 7 of byte 2 raised and
// the controller's error detail in byte 3.
[[nodiscard]] inline SimBlock SimPicErrorAnswer(const SimBlock& command, uint8_t detail)
{
    SimBlock answer = SimAnswerFrame(command);
    answer[2] = static_cast<uint8_t>(answer[2] | 0x80);
    answer[3] = detail;
    return answer;
}

// Error numbers of the model's firmware (answer byte 7).
namespace sim_error {
inline constexpr uint8_t kUnknownFunction = 0xFF;  // sub-command or sub-function not understood
inline constexpr uint8_t kUnknownPage = 0xFE;
inline constexpr uint8_t kUnknownIndex = 0xFD;     // also: no such channel, no such chunk
inline constexpr uint8_t kElementOutOfRange = 0xFC;
inline constexpr uint8_t kNoRoom = 0xFB;           // an array longer than the parameter can hold
}  // namespace sim_error

// Error details of the PICs (answer byte 3).
namespace sim_pic_error {
inline constexpr uint8_t kBadRequest = 0x01;
inline constexpr uint8_t kNoController = 0x02;
}  // namespace sim_pic_error

// Tells the unit that the firmware did not understand this command (recorded in
// the unit's command log; see CSimUnit::UnknownCommands).
inline void SimUnknownCommand(SimUnitState& state) { state.unknownCommand = true; }

}  // namespace vk
