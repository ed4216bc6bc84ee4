#pragma once
// The unit types of the VK550 family, in one table that the wizard, the device
// code and the simulated unit share: what the wizard writes into a unit to give
// it a type, and the identity under which the unit comes back afterwards.

#include <array>
#include <cstdint>
#include <string>

namespace vk {

enum UnitTypeId : int {
    kUnitNew = 0,
    kUnitStandAlone = 1,
    kUnitMaster = 2,
    kUnitSlave = 3,
};

struct UnitTypeInfo {
    int type;                   // m_unitType
    const char* typeName;       // m_strTypeName
    uint16_t productId;         // USB product id the unit comes back under
    const char* endpointName;   // USB device name = the sound card's name
    uint16_t flagsWord;         // parameter page 0 index 10
    std::array<uint16_t, 2> lineWords;  // controller line words [0] = 16..31, [1] = 0..15
    uint8_t channelMode;        // mode written into the four channel records
};

// Product id of a unit that has no type yet.
inline constexpr uint16_t kNewUnitProductId = 0x1C;
// The slave address word a type assignment starts from.
inline constexpr uint16_t kDefaultSlaveAddress = 0x2000;

// Rows for types 0..3. A new unit has no product id, flags, lines or mode to write;
// the slave's line words are the built-in defaults used when no stored slave
// defaults exist.
inline constexpr std::array<UnitTypeInfo, 4> kUnitTypes{{
    {kUnitNew, "NEW", kNewUnitProductId, "", 0x0000, {0x0000, 0x0000}, 0},
    {kUnitStandAlone, "STAND ALONE", 0x117, "Qrvl VK550_SAL", 0x800B, {0x1F5E, 0x739C}, 0},
    {kUnitMaster, "MASTER", 0x217, "Qrvl VK550_MAS", 0xC00B, {0x1FD7, 0xBDEF}, 3},
    {kUnitSlave, "SLAVE", 0x317, "Qrvl VK550_SLV", 0xC002, {0x031E, 0x739C}, 0},
}};

// The row of a type; types outside 0..3 give the new unit's row.
[[nodiscard]] constexpr const UnitTypeInfo& UnitTypeRow(int type)
{
    return type >= 0 && type < static_cast<int>(kUnitTypes.size()) ? kUnitTypes[static_cast<size_t>(type)]
                                                                     : kUnitTypes[0];
}

// The type a unit-type flags word stands for: bit 15 clear = new; else bit 0 set
// = Stand Alone, or Master with bit 14; bit 0 clear = Slave.
[[nodiscard]] constexpr int UnitTypeFromFlags(uint16_t flags)
{
    if ((flags & 0x8000) == 0)
        return kUnitNew;
    switch (flags & 0x4001) {
        case 0x0001: return kUnitStandAlone;
        case 0x4001: return kUnitMaster;
        default: return kUnitSlave;
    }
}

// The type a unit's product id stands for; ids no type has (a new unit's and
// the family's older ones) give a new unit.
[[nodiscard]] constexpr int UnitTypeOfProductId(int productId)
{
    for (const UnitTypeInfo& row : kUnitTypes)
        if (row.type != kUnitNew && row.productId == productId)
            return row.type;
    return kUnitNew;
}

}  // namespace vk
