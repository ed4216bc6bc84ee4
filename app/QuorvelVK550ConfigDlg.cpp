// The wizard window's life: construction, start (OnInitDialog), the commands of
// its buttons, the system menu and the ways it ends.
#include "app/QuorvelVK550ConfigDlg.h"

#include "app/AboutDlg.h"
#include "platform/settings/Paths.h"
#include "platform/settings/RegHelper.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"

namespace vk {

namespace {

const DialogFont kTitleFont{"Microsoft Sans Serif", 0, 24, 700};
const DialogFont kTextFont{"Microsoft Sans Serif", 0, 18, 500};
const DialogFont kButtonFont{"Microsoft Sans Serif", 0, 14, 500};

}  // namespace

CQuorvelVK550ConfigDlg::CQuorvelVK550ConfigDlg(CDialog* parent)
    : CDialog(kWizardTemplate, parent), m_hIcon(IDR_MAINFRAME)
{
}

CQuorvelVK550ConfigDlg::~CQuorvelVK550ConfigDlg() = default;

// --- start ---------------------------------------------------------------------

bool CQuorvelVK550ConfigDlg::OnInitDialog()
{
    CopyTexts();

    if (HasSystemMenu()) {
        const std::string about = LoadResourceString(IDS_ABOUTBOX);
        const std::string device = LoadResourceString(IDS_ABOUTDEVICE);
        if (!about.empty()) {
            AppendSystemMenu(0, "");
            AppendSystemMenu(IDM_SAVECONFIG, kSaveConfigEntry);
            AppendSystemMenu(IDM_LOADCONFIG, kLoadConfigEntry);
            AppendSystemMenu(IDM_SAVERECORD, kSaveRecordEntry);
            AppendSystemMenu(0, "");
            AppendSystemMenu(IDM_ABOUTDEVICE, device);
            AppendSystemMenu(IDM_ABOUTBOX, about);
        }
    }
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    m_fontTitle = kTitleFont;
    m_fontText = kTextFont;
    m_fontButton = kButtonFont;
    GetDlgItem(IDC_TITLE).SetFont(m_fontTitle);
    for (int id : {IDC_BODY, IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER, IDC_TYPE_SLAVE})
        GetDlgItem(id).SetFont(m_fontText);
    for (int id : {IDC_PLAY_VOICE, IDC_PLAY_MUSIC, IDC_BACK, IDC_NEXT, IDC_EXIT_NO_SAVE})
        GetDlgItem(id).SetFont(m_fontButton);

    m_dEchoFigure = 0.0;
    m_echoTestFigures.reset();
    m_bSettingsStored = false;
    m_bRecorded = false;
    m_bUseDefaultLevels = false;
    m_bForward = true;
    m_bWatchSuspended = false;
    m_bIgnoreDeviceChanges = false;
    m_bMasterSaved = true;
    m_pInputsSetup = nullptr;

    for (int id : {IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER}) {
        CControl& slider = GetDlgItem(id);
        slider.SetRange(0, 24);
        slider.SetPos(24);
        slider.SetTicFreq(3);
        slider.SetLineSize(1);
        slider.SetPageSize(4);
    }

    ReadFolders();
    m_micVolume = 12;
    m_speakerVolume = 12;
    (void)m_masterProtocol.OpenUnit(ProductIdOf(kUnitMaster), true);

    CControl& meter = GetDlgItem(IDC_LEVEL_METER);
    meter.SetRange(56, 90);
    meter.SetPos(0);

    if (m_attach)
        m_pAttachment = m_attach(*this);

    m_bPlaying = false;
    m_nPage = Page::Welcome;
    OnNext();
    return true;
}

void CQuorvelVK550ConfigDlg::ReadFolders()
{
    m_strInstallDir = paths::DefaultInstallDir();
    m_strWaveDir = paths::DefaultWaveDir();
    CRegHelper reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.CreateKey(kProgramKey))
        return;
    std::string folder;
    if (reg.ReadString("Install Directory", folder))
        m_strInstallDir = paths::FolderFromSetting(folder, m_strInstallDir);
    if (reg.ReadString("Wave Files Directory", folder))
        m_strWaveDir = paths::FolderFromSetting(folder, m_strWaveDir);
    if (reg.ReadString("Commissioning Records Directory", folder))
        m_strRecordDir = paths::FolderFromSetting(folder, m_strWaveDir);
}

void CQuorvelVK550ConfigDlg::OnDestroy()
{
    // Whatever way the wizard ends, no engine thread outlives its window.
    m_audio.Stop();
    m_pAttachment.reset();
}

// --- system menu, commands, cancel ------------------------------------------------

void CQuorvelVK550ConfigDlg::OnSysCommand(unsigned id, LPARAM)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        (void)about.DoModal();
    } else if ((id & 0xFFF0) == IDM_ABOUTDEVICE) {
        ShowUnitReport();
    } else if ((id & 0xFFF0) == IDM_SAVECONFIG) {
        OnSaveUnitConfiguration();
    } else if ((id & 0xFFF0) == IDM_LOADCONFIG) {
        OnLoadUnitConfiguration();
    } else if ((id & 0xFFF0) == IDM_SAVERECORD) {
        OnSaveCommissioningRecord();
    }
}

void CQuorvelVK550ConfigDlg::ShowUnitReport()
{
    // While a unit is being configured the report is about that unit only.
    if (m_pin.IsPinned())
        (void)m_pin.Ensure(m_protocol);
    else if (!m_protocol.CheckConnection())
        (void)m_protocol.OpenUnit(kFamilyFilter, true);
    const bool connected = m_protocol.CheckConnection();
    if (!connected && TellAboutRefusedUnits())
        return;  // attached, but this user may not open it: not "no unit"
    const std::string text = connected ? m_protocol.GetUnitReport() : "No Dravena is connected";
    MessageBox(text, "Dravena Device Info", MB_ICONINFORMATION | MB_OK);
}

void CQuorvelVK550ConfigDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_NEXT: OnNext(); break;
    case IDC_BACK: OnBack(); break;
    case IDC_EXIT_NO_SAVE: EndDialog(1); break;
    case IDC_PLAY_VOICE: OnPlayVoice(); break;
    case IDC_PLAY_MUSIC: OnPlayMusic(); break;
    case IDC_SAVE_OUTPUT_RECORDING: OnSaveRecording(); break;
    case IDC_ECHO_TEST: OnEchoTest(); break;
    case IDC_OUTPUT_LEVEL_MIC: OnOutputLevel(true); break;
    case IDC_OUTPUT_LEVEL_LINE: OnOutputLevel(false); break;
    default: CDialog::OnCommand(id); break;
    }
}

void CQuorvelVK550ConfigDlg::OnVScroll(int, int pos, CControl* ctrl)
{
    if (ctrl != nullptr)
        OnLevelSlider(ctrl->Id(), pos);
}

// The layout has no OK button; only "Exit >" on the last page ends the wizard normally.
void CQuorvelVK550ConfigDlg::OnOK() {}

void CQuorvelVK550ConfigDlg::OnCancel()
{
    // While the inputs page runs, the close box of the (disabled) wizard asks
    // the inputs page's own question.
    if (m_pInputsSetup) {
        (void)m_pInputsSetup->SendMessage(WM_COMMAND, IDCANCEL);
        return;
    }
    const bool underWay = m_nPage != Page::Welcome && m_nPage != Page::TypeSelection &&
                          m_nPage != Page::ConfigurationType && m_nPage != Page::Finished;
    if (underWay) {
        const char* text =
            m_unitType == 2
                ? "You are stopping the Configuration of the Master Dravena before settings is completed and saved to "
                  "the device,\nThe device may be left in a non functional state.\nIt is recomended to pass all the "
                  "steps of the configuration before exiting.\n\nDo you realy want to exit ?"
                : "You are stopping the Configuration of the Dravena before settings is completed and saved to the "
                  "device,\nIt is recomended to pass all the steps of the configuration before exiting.\n\nDo you "
                  "realy want to exit ?";
        // Only a clear Yes ends the configuration; No (or a box closed otherwise) stays.
        if (MessageBox(text, "Dravena configurarion", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return;
    }
    m_audio.Stop();
    CDialog::ExitProcess(0);
}

}  // namespace vk
