#pragma once
// The unit being configured, held by its serial number from the moment it is
// opened until the configuration starts again from the first page. Every reopen
// (after a reset, a device change, a lost connection) goes through the pin, so
// a connection is never pointed at a unit the user did not choose.
//
// A unit whose serial number cannot be known (firmware below protocol 22, or a
// read the unit refused) is held by its device path instead: it is the pinned
// unit only while that path is on the bus, and after a reset only when it is
// the one unit of its new product id. A pinned unit whose node is still on the
// bus but that does not answer its serial number read (a unit answering far too
// late) is opened again there: a node that never left is the same unit, and a
// node that is another unit answers with another serial number.

#include <string>

#include "device/HIDProtocol.h"

namespace vk {

class CUnitPin {
public:
    // Takes the unit `protocol` has open now; reads its serial number unless
    // this connection has already read it. False (and nothing pinned) when no
    // unit is open.
    bool Pin(CHIDProtocol& protocol);
    void Release();

    [[nodiscard]] bool IsPinned() const { return m_bPinned; }
    // Empty when the unit is held by its path.
    [[nodiscard]] const std::string& SerialNumber() const { return m_strSerial; }
    // The connection of `protocol` is open on the pinned unit: the pin opened
    // it (or followed it) and it has not been pointed elsewhere. Sends nothing.
    [[nodiscard]] bool Holds(const CHIDProtocol& protocol) const;
    // The pinned unit is open on `protocol` and answers; otherwise it is opened
    // again. False, with the connection closed, when it is not attached (or
    // nothing is pinned).
    bool Ensure(CHIDProtocol& protocol);
    // Opens the pinned unit again, whatever `protocol` has open now. Only units
    // of its product id are asked for their serial numbers: its product id
    // changes only through a reset, after which ReopenAfterReset names the new one.
    bool Reopen(CHIDProtocol& protocol);
    // After a reset that gives the unit a new product id.
    bool ReopenAfterReset(CHIDProtocol& protocol, uint16_t productId);
    // `protocol` was opened again on the pinned unit elsewhere (after a reset
    // that checked its serial number): the pin takes its new path and product
    // id. False when the connection is not to the pinned unit.
    bool Follow(const CHIDProtocol& protocol);

private:
    bool ReopenAs(CHIDProtocol& protocol, int productFilter);
    void Took(const CHIDProtocol& protocol);  // the connection is to the pinned unit

    bool m_bPinned = false;
    std::string m_strSerial;
    std::string m_strPath;  // where the unit was last opened
    int m_nProductId = 0;   // the product id it was last opened under
    uint64_t m_nConnection = 0;  // the protocol's connection the pin opened or followed
};

// Opens, on `protocol`, the unit with this serial number among those passing
// the filter. False, with the connection closed, when none has it. Only
// identity reads reach the other units.
[[nodiscard]] bool OpenUnitWithSerial(CHIDProtocol& protocol, const std::string& serialNumber, int productFilter);

}  // namespace vk
