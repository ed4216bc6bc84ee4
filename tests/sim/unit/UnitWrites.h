#pragma once
// The writes among the commands a simulated unit received, by code: long
// channel (0xF000), line (0xF010) and parameter (0xF00C, 0xF00E) writes; short
// port (0x24..0x27), level (0x5r..) and reset (0x0666) commands.

#include "sim/unit/SimUnit.h"

#include <cstdint>
#include <vector>

namespace vk::testing {

inline std::vector<uint16_t> WritesIn(const std::vector<SimLoggedCommand>& log)
{
    std::vector<uint16_t> writes;
    for (const auto& command : log) {
        const uint16_t code = command.Code();
        const uint8_t sub = command.bytes[1];
        const bool longWrite = command.IsLong() && (sub == 0x00 || sub == 0x10 || sub == 0x0C || sub == 0x0E);
        const bool shortWrite =
            !command.IsLong() && ((code >> 12) == 0x5 || (code >> 10) == (0x24 >> 2) || code == 0x0666);
        if (longWrite || shortWrite)
            writes.push_back(command.IsLong() ? static_cast<uint16_t>(0xF000 | sub) : code);
    }
    return writes;
}

}  // namespace vk::testing
