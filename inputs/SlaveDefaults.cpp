// A slave's line and address words become the defaults for the next slave.
#include "device/UnitTypes.h"
#include "inputs/InputChannelModel.h"
#include "platform/settings/RegHelper.h"
#include "platform/settings/SlaveDefaults.h"
#include "platform/ui/MessageBox.h"

namespace vk {
namespace {

constexpr const char* kChangedText =
    "You have changed the SLAVE configuration.\r\nThis new configuration will be saved and used as defualt for next "
    "slaves.\r\nMake sure to update slaves that have already been configured, so that all microphones will have the "
    "same gain and phantom supply.   ";

}  // namespace

void CInputChannelModel::SaveSlaveDefaults(IWindowOwner* boxOwner)
{
    if (!ReadLines())
        return;
    if (m_unitType != kUnitSlave || Channel(0).m_nChoice != kFirstType)
        return;
    CRegHelper reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.CreateKey(kSlaveDefaultsKey))
        return;
    if (const auto stored = ReadSlaveDefaults(); stored && !stored->SameAs(m_wLines[0], m_wLines[1], m_wAddress))
        (void)MessageBoxes().Show(boxOwner, kChangedText, "Slave Setup", MB_ICONINFORMATION | MB_OK);
    reg.WriteDword(kSlaveLines0Value, m_wLines[0]);
    reg.WriteDword(kSlaveLines1Value, m_wLines[1]);
    reg.WriteDword(kSlaveAddressValue, m_wAddress);
}

}  // namespace vk
