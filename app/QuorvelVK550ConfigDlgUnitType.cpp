// Finding the unit to configure and reading its type.
#include "app/QuorvelVK550ConfigDlg.h"

namespace vk {

bool CQuorvelVK550ConfigDlg::OpenConnectedUnit()
{
    m_nUnits = m_protocol.CountUnits(kFamilyFilter);
    if (m_nUnits == 0)
        return false;
    // A slave is preferred when a master is attached beside it.
    for (int productId : {ProductIdOf(kUnitSlave), ProductIdOf(kUnitNew), ProductIdOf(kUnitStandAlone)})
        if (m_protocol.OpenUnit(productId, true))
            return true;
    if (m_protocol.OpenUnit(ProductIdOf(kUnitMaster), true)) {
        if (!m_masterProtocol.CheckConnection())
            (void)m_masterProtocol.OpenUnit(ProductIdOf(kUnitMaster), true);
        return true;
    }
    return m_protocol.OpenUnit(kFamilyFilter, true);
}

void CQuorvelVK550ConfigDlg::ReadUnitType()
{
    uint16_t flags = 0;
    if (m_protocol.GetParameter(0, 10, flags) >= 0)  // a failed read leaves the flags as they were
        m_wUnitFlags = flags;
    const UnitTypeInfo& row = UnitTypeRow(UnitTypeFromFlags(m_wUnitFlags));
    m_unitType = row.type;
    m_strTypeName = row.typeName;
    m_strAudioDeviceName = row.endpointName;
}

}  // namespace vk
