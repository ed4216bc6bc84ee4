// How the wizard follows units being plugged in and out, its timers, and the tool
// message 0x384 that the programs of the product family exchange with it.
#include "app/QuorvelVK550ConfigDlg.h"

#include "platform/ipc/WindowDirectory.h"

#include <utility>

namespace vk {

// The unit being configured is pinned: a change of the units attached never
// points the connection at another unit. When the pinned unit has gone, or
// another unit arrives while a configuration is under way, the configuration
// ends on page 0 (a running inputs page is closed first, so that its closing
// writes reach the pinned unit or nothing).
void CQuorvelVK550ConfigDlg::OnDevicesChanged()
{
    if (m_bWatchSuspended || m_bIgnoreDeviceChanges)
        return;
    // A connection dropped for the other tool has no product id left; the one it had counts.
    const int droppedProductId = std::exchange(m_nDroppedProductId, 0);
    const int n = m_protocol.CountUnits(kFamilyFilter);
    if (n == m_nUnits) {
        if (n > 0)
            ReopenAfterDeviceChange(droppedProductId);
        return;
    }
    const bool underWay = ConfigurationUnderWay();
    const bool pinnedThere = m_pin.IsPinned() && m_pin.Ensure(m_protocol);
    const char* why = !pinnedThere ? kUnitLeftText : n > m_nUnits ? kUnitAddedText : kOtherUnitLeftText;
    const int mastersBefore = m_nMasters;
    m_nMasters = m_protocol.CountUnits(ProductIdOf(kUnitMaster));
    if (m_nMasters == 0) {
        const bool warn = mastersBefore > 0 && !m_bMasterSaved;
        m_masterProtocol.CloseUnit();
        m_bMasterSaved = true;
        m_nUnits = n;
        CloseInputsPage();
        m_nPage = Page::Welcome;
        ShowPage();
        if (warn)
            MessageBox("You have disconnected the Master Dravena before settings is ended, \nyou should reconnect the "
                       "device and pass all the steps of the configuration before disconnecting",
                       "Dravena configurarion", MB_ICONEXCLAMATION | MB_OK);
        else if (underWay)
            MessageBox(why, "Dravena configurarion", MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    if (m_nMasters == 1)
        (void)m_masterProtocol.OpenUnit(ProductIdOf(kUnitMaster), true);
    // Every change of the count ends a running inputs page (result 0).
    CloseInputsPage();
    m_nUnits = n;
    if (n > 1) {
        m_nPage = Page::Welcome;
        ShowPage();
    } else if (m_nPage == Page::Inputs) {
        // Only the unit the inputs page configures is opened again. When another
        // unit is all that is left (a master beside a slave that went away), the
        // page's end must not reach it: the connection stays closed and the
        // wizard goes to page 0 once the page has closed.
        if (n == 1 && pinnedThere)
            return;
        m_nPage = Page::Welcome;
    } else {
        m_nPage = Page::Welcome;
        // The wizard moves on by itself only when no unit was being configured:
        // one that went away is not replaced by another the user did not choose
        // (page 0 offers it), and a running inputs page still ends on its unit.
        if (n == 1 && !m_pInputsSetup && !m_pin.IsPinned())
            OnNext();
        else
            ShowPage();
    }
    if (underWay)
        MessageBox(why, "Dravena configurarion", MB_ICONEXCLAMATION | MB_OK);
}

void CQuorvelVK550ConfigDlg::ReopenAfterDeviceChange(int droppedProductId)
{
    if (!m_pin.IsPinned()) {
        const int productId = m_protocol.GetProductId();
        (void)m_protocol.OpenUnit(productId != 0 ? productId : droppedProductId, true);
        return;
    }
    // One unit swapped for another within the settle time leaves the count as it was.
    if (!m_pin.Reopen(m_protocol))
        LosePinnedUnit(kUnitLeftText);
}

bool CQuorvelVK550ConfigDlg::ConfigurationUnderWay() const
{
    switch (m_nPage) {
    case Page::Speaker:
    case Page::Inputs:
    case Page::OutputListening:
    case Page::OutputRecording:
    case Page::OutputPlayback: return true;
    case Page::Finished: return !m_bSettingsStored;
    default: return false;
    }
}

void CQuorvelVK550ConfigDlg::CloseInputsPage()
{
    if (m_pInputsSetup)
        (void)m_pInputsSetup->Post(WM_APP + 2, 0, -2);
}

void CQuorvelVK550ConfigDlg::LosePinnedUnit(const char* why)
{
    const bool underWay = ConfigurationUnderWay();
    m_pin.Release();  // the inputs page's closing writes find no unit
    m_protocol.CloseUnit();
    CloseInputsPage();
    // A slave's finished set-up no longer holds either.
    m_bIgnoreDeviceChanges = false;
    m_nUnits = m_protocol.CountUnits(kFamilyFilter);
    m_nMasters = m_protocol.CountUnits(ProductIdOf(kUnitMaster));
    m_nPage = Page::Welcome;
    ShowPage();
    if (underWay)
        MessageBox(why, "Dravena configurarion", MB_ICONEXCLAMATION | MB_OK);
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
