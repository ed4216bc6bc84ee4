// A slave's line and address words become the defaults for the next slave.
#include <optional>
#include <string>

#include "device/UnitTypes.h"
#include "inputs/InputChannelModel.h"
#include "platform/settings/RegHelper.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/MessageBox.h"

namespace vk {
namespace {

constexpr const char* kChangedText =
    "You have changed the SLAVE configuration.\r\nThis new configuration will be saved and used as defualt for next "
    "slaves.\r\nMake sure to update slaves that have already been configured, so that all microphones will have the "
    "same gain and phantom supply.   ";

// A stored value as a number; a value that is not a REG_DWORD counts as missing.
std::optional<uint32_t> ReadStoredDword(const char* name)
{
    const auto value = Settings().Query(RootKeyName(HKEY_CURRENT_USER) + "\\" + kSlaveDefaultsKey, name);
    if (!value || value->type != RegValue::Type::Dword)
        return std::nullopt;
    return value->number;
}

// Line words were once stored sign-extended; anything else above 16 bits is not
// a line word and counts as missing.
std::optional<uint16_t> StoredLineWord(const char* name)
{
    const auto value = ReadStoredDword(name);
    if (!value || ((*value >> 16) != 0 && (*value >> 16) != 0xFFFF))
        return std::nullopt;
    return static_cast<uint16_t>(*value);
}

std::optional<uint16_t> StoredAddress()
{
    const auto value = ReadStoredDword(kSlaveAddressValue);
    if (!value || *value > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(*value);
}

}  // namespace

void CInputChannelModel::SaveSlaveDefaults(IWindowOwner* boxOwner)
{
    if (!ReadLines())
        return;
    if (m_unitType != kUnitSlave || Channel(0).choice != kFirstType)
        return;
    CRegHelper reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.CreateKey(kSlaveDefaultsKey))
        return;
    const auto lines0 = StoredLineWord(kSlaveLines0Value);
    const auto lines1 = StoredLineWord(kSlaveLines1Value);
    const auto address = StoredAddress();
    const bool allRead = lines0.has_value() && lines1.has_value() && address.has_value();
    if (allRead && (lines0.value_or(0) != m_wLines[0] || lines1.value_or(0) != m_wLines[1] ||
                    address.value_or(0) != m_wAddress))
        (void)MessageBoxes().Show(boxOwner, kChangedText, "Slave Setup", MB_ICONINFORMATION | MB_OK);
    reg.WriteDword(kSlaveLines0Value, m_wLines[0]);
    reg.WriteDword(kSlaveLines1Value, m_wLines[1]);
    reg.WriteDword(kSlaveAddressValue, m_wAddress);
}

}  // namespace vk
