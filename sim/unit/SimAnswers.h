#pragma once
// How the firmware model shapes its answers to long commands.

#include "sim/unit/SimCommands.h"

#include <cstdint>

namespace vk {

[[nodiscard]] constexpr uint16_t SimBlockCode(const SimBlock& block)
{
    return static_cast<uint16_t>(block[0] << 8 | block[1]);
}

// A rejection: bit 7 of byte 2 raised and the error number in byte 7; the other
// bytes repeat the command so that the host still takes the answer as its own.
[[nodiscard]] constexpr SimBlock SimErrorAnswer(const SimBlock& command, uint8_t errorNumber)
{
    SimBlock answer = command;
    answer[2] = static_cast<uint8_t>(answer[2] | 0x80);
    answer[7] = errorNumber;
    return answer;
}

// A rejection by one of the small controllers (PICs): bit 7 of byte 2 raised and
// the controller's error detail in byte 3.
[[nodiscard]] constexpr SimBlock SimPicErrorAnswer(const SimBlock& command, uint8_t detail)
{
    SimBlock answer = command;
    answer[2] = static_cast<uint8_t>(answer[2] | 0x80);
    answer[3] = detail;
    return answer;
}

// Error numbers of the model's firmware (answer byte 7).
namespace sim_error {
inline constexpr uint8_t kUnknownFunction = 0xFF;  // sub-function byte not understood
inline constexpr uint8_t kUnknownPage = 0xFE;
inline constexpr uint8_t kUnknownIndex = 0xFD;     // also: no such channel, no such chunk
inline constexpr uint8_t kElementOutOfRange = 0xFC;
}  // namespace sim_error

// Error details of the PICs (answer byte 3).
namespace sim_pic_error {
inline constexpr uint8_t kBadRequest = 0x01;
inline constexpr uint8_t kNoController = 0x02;
}  // namespace sim_pic_error

}  // namespace vk
