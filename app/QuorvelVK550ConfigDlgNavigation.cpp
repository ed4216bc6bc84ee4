// Next and Back: where each page leads, and what is sent to the unit and the
// test-audio engine on the way.
#include "app/QuorvelVK550ConfigDlg.h"

#include "device/LevelRegisters.h"
#include "device/UnitAccess.h"
#include "device/UnitStore.h"
#include "platform/settings/RegHelper.h"
#include "resources/ControlIds.h"

namespace vk {

namespace {

constexpr int kSpeakerPlayRegister = 2;  // flag raised while the PC plays through the unit's speaker
constexpr int kOutputPageRegister = 5;   // flag raised while the output page is shown
constexpr uint8_t kRouteIdle = 13;
constexpr uint8_t kRouteMicrophone = 14;
constexpr const char* kRecordingName = "MicRecorded.wav";
constexpr const char* kNextCaption = "Next  >";  // the layout's own caption, two blanks

bool HasOutputTest(int type) { return type == kUnitStandAlone || type == kUnitMaster; }

}  // namespace

void CQuorvelVK550ConfigDlg::CommonEnd()
{
    Enable({IDC_PLAY_VOICE, IDC_PLAY_MUSIC}, true);
    ShowPage();
}

// --- Next ------------------------------------------------------------------------

void CQuorvelVK550ConfigDlg::OnNext()
{
    switch (m_nPage) {
    case Page::Welcome:
        m_nUnits = m_protocol.CountUnits(kFamilyFilter);
        m_nMasters = m_protocol.CountUnits(ProductIdOf(kUnitMaster));
        // A unit that refuses this user is not a new unit: the wizard stays here.
        if (m_nUnits == 0)
            (void)TellAboutRefusedUnits();
        if (m_nUnits == 1 || m_nMasters == 1) {
            if (m_nUnits - m_nMasters > 1) {
                m_nPage = Page::ConfigurationType;
            } else if (OpenConnectedUnit() && m_pin.Pin(m_protocol)) {
                // From here on the wizard configures this unit and no other.
                ReadUnitType();
                m_nPage = m_unitType != kUnitNew ? Page::ConfigurationType : Page::TypeSelection;
            }
        }
        break;
    case Page::TypeSelection:
        if (!NextFromTypeSelection())
            return;
        break;
    case Page::ConfigurationType: NextFromConfigurationType(); break;
    case Page::Speaker: NextFromSpeaker(); break;
    case Page::Inputs: NextFromInputs(); break;
    case Page::OutputListening:
    case Page::OutputRecording:
    case Page::OutputPlayback: NextFromOutput(); break;
    case Page::Finished: ExitWizard(); return;
    default: break;
    }
    CommonEnd();
}

bool CQuorvelVK550ConfigDlg::TellAboutRefusedUnits()
{
    const std::vector<std::string> refused = m_protocol.ListRefusedUnits(kFamilyFilter);
    if (refused.empty())
        return false;
    MessageBox(RefusedUnitHint(refused), "Dravena configurarion", MB_ICONEXCLAMATION | MB_OK);
    return true;
}

bool CQuorvelVK550ConfigDlg::NextFromTypeSelection()
{
    // The unit chosen on page 0, never one plugged in since.
    if (!m_pin.Ensure(m_protocol))
        return true;  // page 1 is shown again
    SetDlgItemText(IDC_NEXT, "Wait ...");
    Enable({IDC_NEXT, IDC_BACK}, false);

    int type = kUnitNew;
    if (IsDlgButtonChecked(IDC_TYPE_SLAVE) == BST_CHECKED)
        type = kUnitSlave;
    else if (IsDlgButtonChecked(IDC_TYPE_STAND_ALONE) == BST_CHECKED)
        type = kUnitStandAlone;
    else if (IsDlgButtonChecked(IDC_TYPE_MASTER) == BST_CHECKED)
        type = kUnitMaster;
    if (type == kUnitNew) {
        SetDlgItemText(IDC_NEXT, kNextCaption);
        Enable({IDC_NEXT}, true);
        Enable({IDC_BACK}, m_unitType != kUnitNew);
        return false;
    }

    if (!AssignUnitType(type)) {
        // Page 0 shows what is attached now.
        m_nUnits = m_protocol.CountUnits(kFamilyFilter);
        m_nMasters = m_protocol.CountUnits(ProductIdOf(kUnitMaster));
        m_nPage = Page::Welcome;
        ShowPage();
        return false;
    }
    if (type == kUnitSlave) {
        m_nPage = Page::Inputs;
        m_bForward = true;
    } else {
        if (type == kUnitMaster) {
            (void)m_masterProtocol.OpenUnit(ProductIdOf(kUnitMaster), true);
            SaveMasterInputs();
            m_bMasterSaved = false;
        }
        m_audio.m_strOutDevice = m_strAudioDeviceName;
        m_nPage = Page::Speaker;
        (void)m_pin.Ensure(m_protocol);
        if (m_protocol.CheckConnection())
            NotifyAudioSetupTool();
        LoadLevels();
    }
    PrepareUnitForSetup();
    SetDlgItemText(IDC_NEXT, kNextCaption);
    Enable({IDC_NEXT, IDC_BACK}, true);
    return true;
}

void CQuorvelVK550ConfigDlg::NextFromConfigurationType()
{
    if (IsDlgButtonChecked(IDC_TYPE_STAND_ALONE) == BST_CHECKED) {  // "Configure and test the unit"
        m_audio.m_strOutDevice = m_strAudioDeviceName;
        m_audio.ProbePlayDevice();
        if (m_unitType == kUnitSlave) {
            m_nPage = Page::Inputs;
            m_bForward = true;
            PrepareUnitForSetup();
            return;
        }
        m_nPage = Page::Speaker;
        (void)m_pin.Ensure(m_protocol);
        if (m_protocol.CheckConnection()) {
            NotifyAudioSetupTool();
            if (m_unitType == kUnitMaster && m_bMasterSaved) {
                SaveMasterInputs();
                m_bMasterSaved = false;
            }
        }
        LoadLevels();
        (void)m_protocol.SetRoute(kRouteIdle, kRouteIdle);
        PrepareUnitForSetup();
    } else if (IsDlgButtonChecked(IDC_TYPE_MASTER) == BST_CHECKED) {  // "Change the type of the unit"
        m_nPage = Page::TypeSelection;
    }
}

void CQuorvelVK550ConfigDlg::NextFromSpeaker()
{
    m_audio.m_strInDevice = m_strAudioDeviceName;
    if (m_bPlaying)
        StopTestAudio();
    m_dPeakDb = 0.0;
    if (m_unitType == kUnitMaster)
        SetMasterInputsFlag(true);
    m_nPage = Page::Inputs;
    m_bForward = true;
}

// The inputs page ended with Next on its last channel.
void CQuorvelVK550ConfigDlg::NextFromInputs()
{
    if (HasOutputTest(m_unitType)) {
        EnterOutputPage();
        StartListening();
        return;
    }
    m_nPage = Page::Finished;
    (void)StoreUnitSettings();
    // A slave's set-up is complete: units coming and going no longer move the wizard.
    m_bIgnoreDeviceChanges = true;
}

void CQuorvelVK550ConfigDlg::NextFromOutput()
{
    (void)m_protocol.SetRoute(kRouteIdle, kRouteIdle);
    KillTimer(kRecordTimer);
    StopTestAudio();
    SetLevelRegisterFlag(m_protocol, kOutputPageRegister, false);
    if (m_unitType == kUnitMaster)
        RestoreMasterInputs();
    m_nPage = Page::Finished;
    if (StoreUnitSettings())
        m_bMasterSaved = true;
}

void CQuorvelVK550ConfigDlg::ExitWizard()
{
    SetLevelRegisterFlag(m_protocol, kSpeakerPlayRegister, false);
    m_bIgnoreDeviceChanges = false;
    CRegHelper reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (reg.CreateKey(kProgramKey)) {
        reg.WriteDword("Microphone Volume", static_cast<uint32_t>(m_micVolume));
        reg.WriteDword("Speaker Volume", static_cast<uint32_t>(m_speakerVolume));
        reg.WriteDword("From PC Volume", 24);
        reg.WriteDword("To PC Volume", 24);
    }
    if (m_bSettingsStored && !m_strRecordDir.empty())
        WriteCommissioningRecord();
    EndDialog(IDOK);
}

// --- Back ------------------------------------------------------------------------

void CQuorvelVK550ConfigDlg::OnBack()
{
    switch (m_nPage) {
    case Page::TypeSelection: m_nPage = m_unitType == kUnitNew ? Page::TypeSelection : Page::ConfigurationType; break;
    case Page::Speaker: BackFromSpeaker(); break;
    case Page::Inputs: BackFromInputs(); break;
    case Page::OutputListening:
    case Page::OutputRecording:
    case Page::OutputPlayback: BackFromOutput(); break;
    case Page::Finished: BackFromFinished(); break;
    default: break;
    }
    CommonEnd();
}

void CQuorvelVK550ConfigDlg::BackFromSpeaker()
{
    if (m_bPlaying)
        StopTestAudio();
    (void)m_protocol.SetRoute(kRouteIdle, kRouteIdle);
    (void)m_pin.Ensure(m_protocol);
    ReadUnitType();
    m_nPage = Page::ConfigurationType;
}

// The inputs page ended with Back on its first channel.
void CQuorvelVK550ConfigDlg::BackFromInputs()
{
    if (HasOutputTest(m_unitType)) {
        m_nPage = Page::Speaker;
        (void)m_protocol.SetRoute(kRouteIdle, kRouteIdle);
        if (m_unitType == kUnitMaster)
            SetMasterInputsFlag(false);
        return;
    }
    // Page 2 offers the unit being configured; when it has gone, page 0.
    m_nUnits = m_protocol.CountUnits(kFamilyFilter);
    m_nPage = m_nUnits > 0 && m_pin.Ensure(m_protocol) ? Page::ConfigurationType : Page::Welcome;
}

void CQuorvelVK550ConfigDlg::BackFromOutput()
{
    KillTimer(kRecordTimer);
    StopTestAudio();
    m_bForward = false;
    m_nPage = Page::Inputs;
}

void CQuorvelVK550ConfigDlg::BackFromFinished()
{
    SetDlgItemText(IDC_NEXT, "Next >");
    Show({IDC_EXIT_NO_SAVE}, false);
    if (!HasOutputTest(m_unitType)) {
        m_bForward = false;
        m_nPage = Page::Inputs;
        return;
    }
    EnterOutputPage();
    if (m_unitType == kUnitMaster) {
        SaveMasterInputs();
        SetMasterInputsFlag(true);
        m_bMasterSaved = false;
    }
    StartListening();
}

// --- shared steps ------------------------------------------------------------------

// The output page: the microphone routed to the PC and the page's flag raised.
void CQuorvelVK550ConfigDlg::EnterOutputPage()
{
    m_nPage = Page::OutputListening;
    m_bRecorded = false;
    (void)m_protocol.SetRoute(kRouteMicrophone, kRouteIdle);
    SetLevelRegisterFlag(m_protocol, kOutputPageRegister, true);
}

// The engine listens (level meter), with the recording's file ready.
void CQuorvelVK550ConfigDlg::StartListening()
{
    m_audio.m_nMode = kModeMonitor;
    m_audio.m_strRecordFile = m_strWaveDir + kRecordingName;
    m_audio.m_strPlayFile = m_strWaveDir + kRecordingName;
    (void)m_audio.Start(this);
}

void CQuorvelVK550ConfigDlg::StopTestAudio()
{
    m_audio.Stop();
    m_bPlaying = false;
    SetLevelRegisterFlag(m_protocol, kSpeakerPlayRegister, false);
}

// The store is judged by every answer: 0xB7FF, and 0xB100 and 0xB102 when the
// unit has something to store. It goes only to the unit being configured.
bool CQuorvelVK550ConfigDlg::StoreUnitSettings()
{
    if (!m_pin.Holds(m_protocol))
        (void)m_pin.Reopen(m_protocol);
    StoreResult result{StoreResult::Kind::Failed, "0xB7FF"};
    if (m_pin.Holds(m_protocol))
        result = StoreSettings(m_protocol);
    // Confirmed: 0xB100 and 0xB102 were sent and answered.
    const bool confirmed = result.kind == StoreResult::Kind::Stored;
    const bool stored = result.Kept();
    // Settings the unit did not confirm are not stored: the user is told, and
    // the finished page says so instead of its success text.
    m_bStoreFailed = !stored;
    m_bSettingsStored = stored;
    if (m_bStoreFailed)
        MessageBox(std::string(kStoreFailedText), "Dravena store failure", MB_ICONEXCLAMATION | MB_OK);
    return confirmed;
}

}  // namespace vk
