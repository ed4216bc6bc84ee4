#include "app/WizardTestSeam.h"

#include "app/QuorvelVK550ConfigDlg.h"

namespace vk {

void CWizardTestSeam::PutOnPage(CQuorvelVK550ConfigDlg& wizard, Page page) { wizard.m_nPage = page; }
CWizardAudio& CWizardTestSeam::Engine(CQuorvelVK550ConfigDlg& wizard) { return wizard.m_audio; }
CHIDProtocol& CWizardTestSeam::Unit(CQuorvelVK550ConfigDlg& wizard) { return wizard.m_protocol; }
void CWizardTestSeam::SetUnitType(CQuorvelVK550ConfigDlg& wizard, int type) { wizard.m_unitType = type; }
void CWizardTestSeam::SetUnitFlags(CQuorvelVK550ConfigDlg& wizard, uint16_t flags) { wizard.m_wUnitFlags = flags; }
void CWizardTestSeam::SetLevels(CQuorvelVK550ConfigDlg& wizard, int mic, int speaker)
{
    wizard.m_micVolume = mic;
    wizard.m_speakerVolume = speaker;
}
void CWizardTestSeam::SetUseDefaultLevels(CQuorvelVK550ConfigDlg& wizard, bool on) { wizard.m_bUseDefaultLevels = on; }
void CWizardTestSeam::SetRecorded(CQuorvelVK550ConfigDlg& wizard, bool recorded) { wizard.m_bRecorded = recorded; }
void CWizardTestSeam::SetEchoTestResults(CQuorvelVK550ConfigDlg& wizard,
                                         const std::optional<EchoTestFigures>& figures)
{
    wizard.m_echoTestFigures = figures;
}

}  // namespace vk
