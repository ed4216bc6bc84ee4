// The firmware's own short commands that the wizard sends with fixed codes:
// 0xB600 before identity reads, the set-up commands 0x8415, 0x860E and 0xB101,
// 0xB000, the recording mark 0x8401, and storing the settings: 0xB7FF tells in
// bit 0 whether there is anything to store, 0xB100 and 0xB102 store it (see
// SimStoredSettings). Each is answered with its own code (0xB7FF with 0xB700 + the bit).
#include "sim/unit/SimAnswers.h"
#include "sim/unit/SimUnitState.h"

namespace vk {
namespace {

std::optional<uint16_t> Acknowledge(SimUnitState&, uint16_t code) { return code; }

void AddFirmwareCommands(CSimCommandSet& set)
{
    for (uint16_t code : {0xB600, 0x8415, 0x860E, 0x8401, 0xB000, 0xB101})
        set.OnShort(code, Acknowledge);
    set.OnShort(0xB100, [](SimUnitState& state, uint16_t code) -> std::optional<uint16_t> {
        state.StoreParametersAndChannels();
        return code;
    });
    set.OnShort(0xB102, [](SimUnitState& state, uint16_t code) -> std::optional<uint16_t> {
        state.StoreLevels();
        return code;
    });
    set.OnShort(0xB7FF, [](SimUnitState& state, uint16_t) -> std::optional<uint16_t> {
        return static_cast<uint16_t>(0xB700 | (state.HasSomethingToStore() ? 1 : 0));
    });
}

const SimCommandRegistration registration(AddFirmwareCommands);

}  // namespace
}  // namespace vk
