#pragma once
// The firmware's command dispatch. Each group of commands lives in its own file
// and registers itself with a static SimCommandRegistration, so new groups are
// added without touching the others:
//
//   namespace { void Add(CSimCommandSet& set) { set.OnLong(0x0D, ...); } }
//   static const SimCommandRegistration registration(Add);
//
// Commands the firmware does not know are treated as a unit treats them, and
// are flagged (SimUnitState::unknownCommand) so that the unit records them:
// - an unknown short code is not answered (a short answer has no way to say
//   "not understood"; the host times out);
// - an unknown long sub-command (byte 1) is answered with the unit's error
//   answer, error number 0xFF (sub-command not understood);
// - a known long command with a sub-function (byte 2) or selector the firmware
//   does not have is rejected by its handler the same way and flagged too.

#include "sim/unit/SimUnitState.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace vk {

using SimBlock = std::array<uint8_t, 8>;  // the 8 data bytes of a report

// A handler returns the answer, or nullopt to stay silent.
using SimShortHandler = std::function<std::optional<uint16_t>(SimUnitState&, uint16_t code)>;
using SimLongHandler = std::function<std::optional<SimBlock>(SimUnitState&, const SimBlock& command)>;

class CSimCommandSet {
public:
    void OnShort(uint16_t code, SimShortHandler handler);
    // Every short code with this high byte that has no exact handler (register banks).
    void OnShortHigh(uint8_t highByte, SimShortHandler handler);
    // Long command 0xF0 <subCommand>.
    void OnLong(uint8_t subCommand, SimLongHandler handler);

    // Unknown short codes: no answer; unknown long sub-commands: error 0xFF.
    // Both raise state.unknownCommand.
    [[nodiscard]] std::optional<uint16_t> Short(SimUnitState& state, uint16_t code) const;
    [[nodiscard]] std::optional<SimBlock> Long(SimUnitState& state, const SimBlock& command) const;

private:
    std::map<uint16_t, SimShortHandler> m_short;
    std::map<uint8_t, SimShortHandler> m_shortHigh;
    std::map<uint8_t, SimLongHandler> m_long;
};

// The dispatch every simulated unit uses: all registered groups.
[[nodiscard]] const CSimCommandSet& SimCommands();

struct SimCommandRegistration {
    explicit SimCommandRegistration(void (*add)(CSimCommandSet&));
};

// Answer bytes the firmware repeats from a long command (the bytes the host checks).
[[nodiscard]] std::vector<size_t> SimEchoedBytes(uint8_t subCommand);

}  // namespace vk
