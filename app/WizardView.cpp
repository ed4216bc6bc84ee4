#include "app/WizardView.h"

#include "app/QuorvelVK550ConfigDlg.h"

namespace vk {

Page CWizardView::CurrentPage() const { return m_wizard.m_nPage; }
std::string CWizardView::Title() const { return m_wizard.m_strTitle; }
int CWizardView::Units() const { return m_wizard.m_nUnits; }
int CWizardView::UnitType() const { return m_wizard.m_unitType; }
std::string CWizardView::TypeName() const { return m_wizard.m_strTypeName; }
std::string CWizardView::AudioDeviceName() const { return m_wizard.m_strAudioDeviceName; }
uint16_t CWizardView::UnitFlags() const { return m_wizard.m_wUnitFlags; }
const CHIDProtocol& CWizardView::Unit() const { return m_wizard.m_protocol; }
const CHIDProtocol& CWizardView::MasterUnit() const { return m_wizard.m_masterProtocol; }
std::string CWizardView::InstallDir() const { return m_wizard.m_strInstallDir; }
std::string CWizardView::WaveDir() const { return m_wizard.m_strWaveDir; }
std::string CWizardView::RecordDir() const { return m_wizard.m_strRecordDir; }
int CWizardView::MicVolume() const { return m_wizard.m_micVolume; }
int CWizardView::SpeakerVolume() const { return m_wizard.m_speakerVolume; }
bool CWizardView::UsesDefaultLevels() const { return m_wizard.m_bUseDefaultLevels; }
bool CWizardView::Playing() const { return m_wizard.m_bPlaying; }
bool CWizardView::Recorded() const { return m_wizard.m_bRecorded; }
double CWizardView::PeakDb() const { return m_wizard.m_dPeakDb; }
double CWizardView::EchoFigure() const { return m_wizard.m_dEchoFigure; }
const std::optional<EchoTestFigures>& CWizardView::EchoTestResults() const { return m_wizard.m_echoTestFigures; }
const CWizardAudio& CWizardView::Audio() const { return m_wizard.m_audio; }
bool CWizardView::IgnoresDeviceChanges() const { return m_wizard.m_bIgnoreDeviceChanges; }
bool CWizardView::WatchSuspended() const { return m_wizard.m_bWatchSuspended; }
CDialog* CWizardView::InputsPage() const { return m_wizard.m_pInputsSetup; }

}  // namespace vk
