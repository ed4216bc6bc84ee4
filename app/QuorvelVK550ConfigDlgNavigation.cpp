// Next and Back: where each page leads, and what is sent to the unit on the way.
#include "app/QuorvelVK550ConfigDlg.h"

#include "resources/ControlIds.h"

namespace vk {

void CQuorvelVK550ConfigDlg::CommonEnd()
{
    Enable({IDC_PLAY_VOICE, IDC_PLAY_MUSIC}, true);
    ShowPage();
}

void CQuorvelVK550ConfigDlg::OnNext()
{
    if (m_nPage == 0) {
        m_nUnits = m_protocol.CountUnits(kFamilyFilter);
        m_nMasters = m_protocol.CountUnits(ProductIdOf(kUnitMaster));
        if (m_nUnits == 1 || m_nMasters == 1) {
            if (m_nUnits - m_nMasters > 1) {
                m_nPage = 2;
            } else if (OpenConnectedUnit()) {
                ReadUnitType();
                m_nPage = m_unitType != 0 ? 2 : 1;
            }
        }
    }
    CommonEnd();
}

void CQuorvelVK550ConfigDlg::OnBack() { CommonEnd(); }

}  // namespace vk
