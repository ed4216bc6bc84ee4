#include "app/QuorvelVK550ConfigApp.h"

#include "platform/settings/AppProfile.h"

namespace vk {

bool CQuorvelVK550ConfigApp::InitInstance()
{
    // The common controls and the framework need no set-up of their own here.
    AppProfile().SetRegistryKey("Selvo");

    CQuorvelVK550ConfigDlg dlg;
    dlg.SetAttach(m_attach);
    CDialog::SetMainWindow(&dlg);
    m_nDialogResult = dlg.DoModal();
    CDialog::SetMainWindow(nullptr);
    return false;
}

}  // namespace vk
