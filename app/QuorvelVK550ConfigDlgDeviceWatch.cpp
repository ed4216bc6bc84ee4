// How the wizard follows units being plugged in and out, its timers, and the tool
// message 0x384 that the programs of the product family exchange with it.
#include "app/QuorvelVK550ConfigDlg.h"

#include "platform/ipc/WindowDirectory.h"

#include <utility>

namespace vk {

void CQuorvelVK550ConfigDlg::OnDevicesChanged()
{
    if (m_bWatchSuspended || m_bIgnoreDeviceChanges)
        return;
    // A connection dropped for the other tool has no product id left; the one it had counts.
    const int droppedProductId = std::exchange(m_nDroppedProductId, 0);
    const int n = m_protocol.CountUnits(kFamilyFilter);
    if (n == m_nUnits) {
        if (n > 0) {
            const int productId = m_protocol.GetProductId();
            (void)m_protocol.OpenUnit(productId != 0 ? productId : droppedProductId, true);
        }
        return;
    }
    const int mastersBefore = m_nMasters;
    m_nMasters = m_protocol.CountUnits(ProductIdOf(kUnitMaster));
    if (m_nMasters == 0) {
        const bool warn = mastersBefore > 0 && !m_bMasterSaved;
        m_masterProtocol.CloseUnit();
        m_bMasterSaved = true;
        m_nUnits = n;
        m_nPage = 0;
        ShowPage();
        if (warn)
            MessageBox("You have disconnected the Master Dravena before settings is ended, \nyou should reconnect the "
                       "device and pass all the steps of the configuration before disconnecting",
                       "Dravena configurarion", MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    if (m_nMasters == 1)
        (void)m_masterProtocol.OpenUnit(ProductIdOf(kUnitMaster), true);
    if (m_nPage == 7 && m_pInputsSetup)
        m_pInputsSetup->Post(WM_APP + 2, 0, -2);
    m_nUnits = n;
    if (n > 1) {
        m_nPage = 0;
        ShowPage();
    } else if (m_nPage == 7) {
        // Only the unit the inputs page configures is opened again. When another
        // unit is all that is left (a master beside a slave that went away), the
        // page's end must not reach it: the connection stays closed and the
        // wizard goes to page 0 once the page has closed.
        if (n == 1 && !ReopenUnit())
            m_nPage = 0;
    } else {
        m_nPage = 0;
        if (n == 1)
            OnNext();
        else
            ShowPage();
    }
}

void CQuorvelVK550ConfigDlg::OnTimer(unsigned id)
{
    if (id == kWatchSuspendTimer) {
        ResumeDeviceWatch();
    } else if (id == kRecordTimer) {
        OnPlayVoice();
    } else if (id == kDeviceSettleTimer) {
        KillTimer(kDeviceSettleTimer);
        (void)m_protocol.PumpWaitingMessages();
        OnDevicesChanged();
    }
}

// The other tool is done with the unit (or its time is up): the wizard's old
// connection may be stale, so it is dropped and the units are counted again.
void CQuorvelVK550ConfigDlg::ResumeDeviceWatch()
{
    KillTimer(kWatchSuspendTimer);
    m_bWatchSuspended = false;
    m_nDroppedProductId = m_protocol.GetProductId();  // closing forgets the unit's identity
    m_protocol.CloseUnit();
    OnDevicesChanged();
}

intptr_t CQuorvelVK550ConfigDlg::OnToolMessage(WPARAM, LPARAM lParam)
{
    switch (lParam) {
    case 3:
        // A running inputs page is closed first (result 0: no navigation), so
        // the wizard's own loop can end.
        if (m_pInputsSetup)
            (void)m_pInputsSetup->Post(WM_APP + 2, 0, -2);
        EndDialog(0);
        break;
    case 6:
        m_bWatchSuspended = true;
        SetTimer(kWatchSuspendTimer, kWatchSuspendMs);
        break;
    case 7: ResumeDeviceWatch(); break;
    default: break;
    }
    return 0;
}

intptr_t CQuorvelVK550ConfigDlg::OnMessage(uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TOOL_MESSAGE)
        return OnToolMessage(wParam, lParam);
    if (message == WM_DEVICECHANGE) {
        // A burst of notifications leads to one re-count after the last one.
        SetTimer(kDeviceSettleTimer, kDeviceSettleMs);
        return 1;
    }
    if (message == WM_APP + 1)
        return OnAudioDone();
    if (message == WM_APP + 2)
        return OnAudioBlock(wParam, lParam);
    if (message == WM_AUDIO_WRITE_FAILED)
        return OnRecordFileFailed();
    return 0;
}

void CQuorvelVK550ConfigDlg::NotifyAudioSetupTool()
{
    if (auto tool = Windows().FindWindow(kAudioSetupTitle))
        (void)tool->PostMessage(WM_TOOL_MESSAGE, 0, 1);
}

}  // namespace vk
