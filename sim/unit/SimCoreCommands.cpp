// The commands the unit link itself needs: presence, reset and the identity words.
#include "sim/unit/SimCommands.h"

namespace vk {
namespace {

void AddCoreCommands(CSimCommandSet& set)
{
    set.OnShort(0x0555, [](SimUnitState&, uint16_t code) -> std::optional<uint16_t> { return code; });
    // The unit resets without answering.
    set.OnShort(0x0666, [](SimUnitState& s, uint16_t) -> std::optional<uint16_t> {
        s.resetRequested = true;
        return std::nullopt;
    });
    set.OnShort(0x9000, [](SimUnitState& s, uint16_t) -> std::optional<uint16_t> { return s.productCodeAnswer; });
    set.OnShort(0xA000, [](SimUnitState& s, uint16_t) -> std::optional<uint16_t> { return s.softwareVersionAnswer; });
    set.OnShort(0xA400, [](SimUnitState& s, uint16_t) -> std::optional<uint16_t> { return s.protocolVersionAnswer; });
}

const SimCommandRegistration registration(AddCoreCommands);

}  // namespace
}  // namespace vk
