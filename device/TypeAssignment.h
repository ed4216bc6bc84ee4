#pragma once
// What gives a unit its type, short of the reset: the flags word and USB
// identity, the type's controller lines and channel records, the slave address,
// the type lines on top of the live ones and the closing commands. The wizard
// and the commissioning tool send exactly these, in this order; the reset and
// the wait for the unit to come back belong to the caller.

#include <cstdint>
#include <optional>
#include <string>

#include "device/HIDProtocol.h"
#include "device/UnitTypes.h"

namespace vk {

// The first write the unit refused (empty: all accepted). The wizard goes on
// whatever the unit answers; a caller that must know keeps the first refusal.
struct TypeWriteResult {
    std::string refused;
    // A refused identity after the flags word went in: the old flags word was
    // written back and the unit took it.
    bool flagsPutBack = false;
    // The flags word, name or product id was refused: nothing followed, and the
    // unit is not to be reset.
    bool identityRefused = false;
    void Note(bool accepted, const char* what)
    {
        if (!accepted && refused.empty())
            refused = what;
    }
};

// Flags word, USB device name and product id, each only when the one before was
// accepted.
void WriteTypeIdentity(CHIDProtocol& protocol, const UnitTypeInfo& row, TypeWriteResult& result);
// The line words (stored too), the four channel records and the address word.
void WriteTypeLinesAndChannels(CHIDProtocol& protocol, const UnitTypeInfo& row, const PicLineWords& words,
                               uint32_t address, TypeWriteResult& result);
// Lines 4, 9, 14 and 19 set (Stand Alone, Slave) or cleared (Master) on the live
// lines. Lines that cannot be read are not written: words built from a failed
// read would clear every other line.
void SetLiveTypeLines(CHIDProtocol& protocol, int type, TypeWriteResult& result);
// The commands that close an assignment.
void SendTypeClosingCommands(CHIDProtocol& protocol, TypeWriteResult& result);

// All four in order; nothing after an identity the unit refused. When the unit
// took the new flags word but refused its name or product id, oldFlags (when
// known) goes back, so that the unit keeps the type it has. Writes after the
// identity go on whatever the unit answers; the first refusal is kept.
TypeWriteResult WriteUnitType(CHIDProtocol& protocol, const UnitTypeInfo& row, const PicLineWords& words,
                              uint32_t address, std::optional<uint16_t> oldFlags);

}  // namespace vk
