#pragma once
// Brings an open unit to a wanted configuration through the wizard's own
// operations and in the wizard's order: type assignment (with its reset and
// re-enumeration when the type differs), flags word, channel records, controller
// lines, address word, levels. Only what differs from the configuration read
// beforehand is written; an unchanged unit receives no write. Afterwards the
// unit is read again and compared, and a unit that holds what was wanted is
// told to store it, so that it keeps it over a power cycle. An unchanged unit
// is not stored again: nothing was sent that it could forget.

#include <optional>
#include <string>
#include <vector>

#include "commission/UnitConfiguration.h"

namespace vk::commission {

struct ApplyOutcome {
    std::vector<std::string> written;  // the steps that were sent, in order
    std::string failedStep;            // empty when every write was accepted
    std::optional<UnitConfiguration> holds;  // read back afterwards (empty: unreadable)
    bool verified = false;  // read back: the unit holds what was wanted (identity too after a type change)
    // The unit was told to store and answered (or had nothing to store). A
    // store that failed is the failed step "store (<command> not confirmed)".
    bool stored = false;
    std::string storeFailedCommand;  // the store's command that was not confirmed
    // A new type was written: the read-back must show the type's product id and
    // USB device name too.
    bool typeAssigned = false;
    [[nodiscard]] bool Succeeded() const { return failedStep.empty() && verified; }
};

// Why the unit cannot take the wanted configuration, or nothing when it can.
// Checked before anything is sent.
[[nodiscard]] std::optional<std::string> WhyUnitCannotTake(const UnitConfiguration& current,
                                                           const UnitConfiguration& wanted);

enum class StoreAfterApply { Store, Skip };

// current: what the unit holds, as ReadConfiguration gave it just before.
// Skip leaves a changed unit unstored: it forgets the changes at its next power cycle.
[[nodiscard]] ApplyOutcome ApplyConfiguration(CHIDProtocol& protocol, const UnitConfiguration& current,
                                              const UnitConfiguration& wanted,
                                              StoreAfterApply store = StoreAfterApply::Store);

// After a reset: opens the unit with this serial number under its new product id
// (the only unit of that id when the serial is unknown).
[[nodiscard]] bool ReopenUnit(CHIDProtocol& protocol, const std::string& serialNumber, uint16_t productId);

}  // namespace vk::commission
