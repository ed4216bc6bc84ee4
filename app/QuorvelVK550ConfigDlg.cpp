#include "app/QuorvelVK550ConfigDlg.h"

#include "app/AboutDlg.h"
#include "inputs/InputsPage.h"
#include "platform/ipc/WindowDirectory.h"
#include "platform/settings/Paths.h"
#include "platform/settings/RegHelper.h"
#include "platform/settings/WinPos.h"
#include "resources/Resources.h"

#include <cstdio>

namespace vk {

namespace {

// Control ids of layout 102.
enum : int {
    IDC_LEVEL_METER = 1000,
    IDC_TEST_A = 1001,
    IDC_NEXT = 1003,
    IDC_BACK = 1004,
    IDC_OUTPUT_SLIDER = 1005,
    IDC_TEST_B = 1006,
    IDC_SPEAKER_SLIDER = 1007,
    IDC_TITLE = 1008,
    IDC_BODY = 1009,
    IDC_OUTPUT_FRAME = 1010,
    IDC_PAGE_ICON = 1011,
    IDC_SPEAKER_FRAME = 1013,
    IDC_EXIT_WITHOUT_SAVING = 1014,
    IDC_CHOICE_1 = 1022,
    IDC_CHOICE_2 = 1023,
    IDC_CHOICE_3 = 1024,
    IDC_SAVE_RECORDING = 1026,
    IDC_OUTPUT_LEVEL_FRAME = 1109,
    IDC_MICROPHONE_LEVEL = 1110,
    IDC_LINE_LEVEL = 1112,
    IDC_METER_SCALE = 1114,
};

constexpr int IDI_PAGE_UNIT = 132;
constexpr int IDI_PAGE_SPEAKER = 130;
constexpr int IDI_PAGE_OUTPUT = 129;

std::string Format(const char* format, int n)
{
    char text[512];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

std::string Format(const char* format, const std::string& s)
{
    // One %s, replaced by the text whatever its length.
    const std::string f = format;
    const size_t at = f.find("%s");
    return at == std::string::npos ? f : f.substr(0, at) + s + f.substr(at + 2);
}

const DialogFont kTitleFont{"Microsoft Sans Serif", 0, 24, 700};
const DialogFont kTextFont{"Microsoft Sans Serif", 0, 18, 500};
const DialogFont kButtonFont{"Microsoft Sans Serif", 0, 14, 500};

}  // namespace

CQuorvelVK550ConfigDlg::CQuorvelVK550ConfigDlg(CDialog* parent)
    : CDialog(kWizardTemplate, parent), m_hIcon(IDR_MAINFRAME)
{
}

CQuorvelVK550ConfigDlg::~CQuorvelVK550ConfigDlg() = default;

// --- helpers -------------------------------------------------------------------

void CQuorvelVK550ConfigDlg::Show(std::initializer_list<int> ids, bool visible)
{
    for (int id : ids)
        GetDlgItem(id).ShowWindow(visible ? SW_SHOW : SW_HIDE);
}

void CQuorvelVK550ConfigDlg::Enable(std::initializer_list<int> ids, bool enable)
{
    for (int id : ids)
        GetDlgItem(id).EnableWindow(enable);
}

void CQuorvelVK550ConfigDlg::SetPageIcon(int icon) { GetDlgItem(IDC_PAGE_ICON).SetImage(icon); }

void CQuorvelVK550ConfigDlg::CopyTexts()
{
    SetDlgItemText(IDC_TITLE, m_strTitle);
    SetDlgItemText(IDC_BODY, m_strBody);
}

void CQuorvelVK550ConfigDlg::CommonEnd()
{
    Enable({IDC_TEST_A, IDC_TEST_B}, true);
    ShowPage();
}

// --- start ---------------------------------------------------------------------

bool CQuorvelVK550ConfigDlg::OnInitDialog()
{
    CopyTexts();

    if (HasSystemMenu()) {
        const std::string about = LoadResourceString(IDS_ABOUTBOX);
        const std::string device = LoadResourceString(IDS_ABOUTDEVICE);
        if (!about.empty()) {
            AppendSystemMenu(0, "");
            AppendSystemMenu(IDM_ABOUTDEVICE, device);
            AppendSystemMenu(IDM_ABOUTBOX, about);
        }
    }
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    m_titleFont = kTitleFont;
    m_textFont = kTextFont;
    m_buttonFont = kButtonFont;
    GetDlgItem(IDC_TITLE).SetFont(m_titleFont);
    for (int id : {IDC_BODY, IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_CHOICE_1, IDC_CHOICE_2, IDC_CHOICE_3})
        GetDlgItem(id).SetFont(m_textFont);
    for (int id : {IDC_TEST_A, IDC_TEST_B, IDC_BACK, IDC_NEXT, IDC_EXIT_WITHOUT_SAVING})
        GetDlgItem(id).SetFont(m_buttonFont);

    m_dEchoFigure = 0.0;
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
    (void)m_masterProtocol.OpenUnit(kMasterProductId, true);

    CControl& meter = GetDlgItem(IDC_LEVEL_METER);
    meter.SetRange(56, 90);
    meter.SetPos(0);

    if (m_attach)
        m_attachment = m_attach(*this);

    m_bPlaying = false;
    m_nPage = 0;
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
}

void CQuorvelVK550ConfigDlg::OnDestroy() { m_attachment.reset(); }

// --- pages -----------------------------------------------------------------------

void CQuorvelVK550ConfigDlg::ShowPage()
{
    SetDlgItemText(IDC_NEXT, "Next >");
    switch (m_nPage) {
    case 0: ShowWelcomePage(); break;
    case 1: ShowTypeSelectionPage(); break;
    case 2: ShowConfigurationTypePage(); break;
    case 5: ShowSpeakerPage(); break;
    case 7: RunInputsPage(); return;  // copies the texts itself, when it should
    case 8: ShowOutputPage(); break;
    case 13: ShowFinishedPage(); break;
    default: break;  // 9 and 10 keep what page 8 set up
    }
    CopyTexts();
}

void CQuorvelVK550ConfigDlg::ShowWelcomePage()
{
    m_strTitle = "Welcome to Quorvel Dravena Configuration";
    if (m_nUnits == 0) {
        m_strBody = "No Dravena is connected !\r\nConnect a single Dravena and click the 'next >' button to start "
                    "configuration.";
        Enable({IDC_NEXT}, false);
    } else if (m_nUnits != 1 && m_nMasters != 1) {
        m_strBody = Format("There are %d Dravena devices connected.\r\nDisconnect all devices except the one you want "
                           "to configure, and click the 'Next >' button to start the configuration.",
                           m_nUnits);
        Enable({IDC_NEXT}, false);
    } else if (OpenConnectedUnit()) {
        m_strBody = Format("You are configuring %s device.", m_protocol.GetProductName());
        Enable({IDC_NEXT}, true);
    }
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER,
          IDC_TEST_A, IDC_TEST_B, IDC_SAVE_RECORDING, IDC_EXIT_WITHOUT_SAVING, IDC_CHOICE_1, IDC_CHOICE_2,
          IDC_CHOICE_3, IDC_MICROPHONE_LEVEL, IDC_LINE_LEVEL, IDC_OUTPUT_LEVEL_FRAME},
         false);
    Enable({IDC_BACK}, false);
    SetPageIcon(IDI_PAGE_UNIT);
}

void CQuorvelVK550ConfigDlg::ShowTypeSelectionPage()
{
    m_strTitle = "Unit Type Selection";
    m_strBody = m_unitType == 0
                    ? "You are configuring a new Dravena unit.\r\nSelect a type for the new unit."
                    : Format("You are re-configuring an Dravena %s unit.\r\nSelect a new type for the unit.",
                             m_strTypeName);
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER,
          IDC_TEST_A, IDC_TEST_B, IDC_SAVE_RECORDING},
         false);
    for (int id : {IDC_CHOICE_1, IDC_CHOICE_2, IDC_CHOICE_3})
        CheckDlgButton(id, BST_UNCHECKED);
    SetDlgItemText(IDC_CHOICE_1, "Stand Alone");
    SetDlgItemText(IDC_CHOICE_2, "Master");
    SetDlgItemText(IDC_CHOICE_3, "Slave");
    // Only Slave can be chosen while a live master is attached beside the unit.
    const bool onlySlave = m_masterProtocol.CheckConnection() && m_nUnits > 1;
    Show({IDC_CHOICE_1, IDC_CHOICE_2}, !onlySlave);
    Show({IDC_CHOICE_3}, true);
    Show({IDC_MICROPHONE_LEVEL, IDC_LINE_LEVEL, IDC_OUTPUT_LEVEL_FRAME, IDC_EXIT_WITHOUT_SAVING}, false);
    Enable({IDC_NEXT}, true);
    Enable({IDC_BACK}, m_unitType != 0);
    SetPageIcon(IDI_PAGE_UNIT);
}

void CQuorvelVK550ConfigDlg::ShowConfigurationTypePage()
{
    m_strTitle = "Configuration Type";
    m_strBody = Format("This unit is already configured as %s unit.\r\nSelect one of the following options.",
                       m_strTypeName);
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER,
          IDC_TEST_A, IDC_TEST_B, IDC_SAVE_RECORDING, IDC_MICROPHONE_LEVEL, IDC_LINE_LEVEL, IDC_OUTPUT_LEVEL_FRAME},
         false);
    SetDlgItemText(IDC_CHOICE_1, "Configure and test the unit");
    SetDlgItemText(IDC_CHOICE_2, "Change the type of the unit");
    const bool masterAnswers = m_masterProtocol.CheckConnection();
    if (m_nMasters == 1 && m_nUnits > 2) {
        m_strBody = Format("You have connected one master unit and %d non-master units.\r\nWith these connections you "
                           "can only do system integration.   ",
                           m_nUnits - 1);
        Enable({IDC_CHOICE_1, IDC_CHOICE_2}, false);
        CheckDlgButton(IDC_CHOICE_1, BST_UNCHECKED);
        CheckDlgButton(IDC_CHOICE_2, BST_UNCHECKED);
    } else {
        Enable({IDC_CHOICE_1}, true);
        CheckDlgButton(IDC_CHOICE_1, BST_CHECKED);
        Enable({IDC_CHOICE_2}, !(m_unitType == 3 && masterAnswers));
        CheckDlgButton(IDC_CHOICE_2, BST_UNCHECKED);
    }
    Show({IDC_CHOICE_1, IDC_CHOICE_2}, true);
    Show({IDC_CHOICE_3}, false);
    Enable({IDC_BACK}, false);
    Enable({IDC_NEXT}, true);
    // The page icon stays as it was.
}

void CQuorvelVK550ConfigDlg::ShowSpeakerPage()
{
    m_strTitle = Format("%s Speaker Setup", m_strTypeName);
    m_strBody = "To test the speaker, push the 'Play Voice' or 'Play Music' buttons, and set the volume to an "
                "adequate level.";
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER}, true);
    Show({IDC_METER_SCALE, IDC_MICROPHONE_LEVEL, IDC_LINE_LEVEL, IDC_OUTPUT_LEVEL_FRAME, IDC_EXIT_WITHOUT_SAVING,
          IDC_CHOICE_1, IDC_CHOICE_2, IDC_CHOICE_3},
         false);
    GetDlgItem(IDC_LEVEL_METER).SetPos(0);
    Enable({IDC_OUTPUT_FRAME, IDC_OUTPUT_SLIDER}, false);
    Enable({IDC_SPEAKER_FRAME, IDC_SPEAKER_SLIDER}, true);
    Show({IDC_TEST_A, IDC_TEST_B}, true);
    Show({IDC_SAVE_RECORDING}, false);
    SetDlgItemText(IDC_TEST_A, "Play Voice");
    SetDlgItemText(IDC_TEST_B, "Play Music");
    Enable({IDC_BACK, IDC_NEXT}, true);
    SetPageIcon(IDI_PAGE_SPEAKER);
}

void CQuorvelVK550ConfigDlg::ShowOutputPage()
{
    m_strTitle = Format("%s Output Setup", m_strTypeName);
    m_strBody = "To test the microphone, speak to it and set the volume to an adequate level.";
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER,
          IDC_SPEAKER_SLIDER},
         true);
    Show({IDC_EXIT_WITHOUT_SAVING}, false);
    if (m_unitType == 1 || m_unitType == 2) {
        // A failed read (-1) counts as microphone level.
        const bool microphone = m_protocol.GetPicLine(23, false, 1) != 0;
        CheckDlgButton(IDC_MICROPHONE_LEVEL, microphone ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(IDC_LINE_LEVEL, microphone ? BST_UNCHECKED : BST_CHECKED);
        Show({IDC_MICROPHONE_LEVEL, IDC_LINE_LEVEL, IDC_OUTPUT_LEVEL_FRAME}, true);
    } else {
        Show({IDC_MICROPHONE_LEVEL, IDC_LINE_LEVEL, IDC_OUTPUT_LEVEL_FRAME}, false);
    }
    Enable({IDC_OUTPUT_FRAME, IDC_OUTPUT_SLIDER}, true);
    Enable({IDC_SPEAKER_FRAME, IDC_SPEAKER_SLIDER}, false);
    Enable({IDC_TEST_B, IDC_SAVE_RECORDING}, m_bRecorded);
    Show({IDC_TEST_A, IDC_TEST_B, IDC_SAVE_RECORDING}, true);
    SetDlgItemText(IDC_TEST_A, "Record");
    SetDlgItemText(IDC_TEST_B, "Playback");
    Enable({IDC_BACK, IDC_NEXT}, true);
    SetPageIcon(IDI_PAGE_OUTPUT);
}

void CQuorvelVK550ConfigDlg::ShowFinishedPage()
{
    if (m_unitType == 1)
        m_strTitle = "Stand Alone unit configuration ended succesfully.";
    else if (m_unitType == 2)
        m_strTitle = "Master unit configuration ended succesfully.";
    else
        m_strTitle = Format("Configuration of a %s unit ended succesfully.", m_strTypeName);
    m_strBody.clear();
    Show({IDC_CHOICE_1, IDC_CHOICE_2, IDC_CHOICE_3}, false);
    SetDlgItemText(IDC_NEXT, "Exit >");
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER,
          IDC_MICROPHONE_LEVEL, IDC_LINE_LEVEL, IDC_OUTPUT_LEVEL_FRAME, IDC_TEST_A, IDC_TEST_B, IDC_SAVE_RECORDING},
         false);
    Enable({IDC_NEXT, IDC_BACK}, true);
    SetPageIcon(IDI_PAGE_UNIT);
}

// Page 7 runs the inputs page modally and returns only when it has ended.
void CQuorvelVK550ConfigDlg::RunInputsPage()
{
    CWinPos winPos;
    winPos.SavePosition(*this);
    auto inputs = CreateInputsPage(*this, m_bForward ? 0 : 3);
    m_pInputsSetup = inputs.get();
    const int result = inputs->DoModal();
    winPos.RestorePosition(*this, SW_SHOWNORMAL, false);
    m_pInputsSetup = nullptr;

    (void)m_protocol.SendShortCommand(static_cast<uint16_t>(0x5100 + m_speakerVolume), 1000);
    (void)m_protocol.SendShortCommand(static_cast<uint16_t>(0x5300 + m_micVolume), 1000);
    (void)m_protocol.SendShortCommand(static_cast<uint16_t>(0x5700 + m_micVolume), 1000);
    (void)m_protocol.SendShortCommand(static_cast<uint16_t>(0x5400 + m_micVolume), 1000);

    if (result == 1)
        OnBack();
    else if (result == 2)
        OnNext();
    else
        return;  // closed by the wizard itself (or abandoned): no navigation, no texts
    inputs.reset();
    CopyTexts();
}

// --- navigation ------------------------------------------------------------------

void CQuorvelVK550ConfigDlg::OnNext()
{
    if (m_nPage == 0) {
        m_nUnits = m_protocol.CountUnits(kFamilyFilter);
        m_nMasters = m_protocol.CountUnits(kMasterProductId);
        if (m_nUnits == 1 || m_nMasters == 1) {
            if (m_nUnits - m_nMasters > 1) {
                m_nPage = 2;
            } else if (OpenConnectedUnit()) {
                ReadUnitType();
                m_nPage = m_unitType != 0 ? 2 : 1;
            }
        }
    }
    // The other pages' steps (type assignment, tests, storing) come with the
    // speaker, output and type-assignment work; until then Next only redraws.
    CommonEnd();
}

void CQuorvelVK550ConfigDlg::OnBack() { CommonEnd(); }

bool CQuorvelVK550ConfigDlg::OpenConnectedUnit()
{
    m_nUnits = m_protocol.CountUnits(kFamilyFilter);
    if (m_nUnits == 0)
        return false;
    // A slave is preferred when a master is attached beside it.
    for (int productId : {kSlaveProductId, kNewProductId, kStandAloneProductId})
        if (m_protocol.OpenUnit(productId, true))
            return true;
    if (m_protocol.OpenUnit(kMasterProductId, true)) {
        if (!m_masterProtocol.CheckConnection())
            (void)m_masterProtocol.OpenUnit(kMasterProductId, true);
        return true;
    }
    return m_protocol.OpenUnit(kFamilyFilter, true);
}

void CQuorvelVK550ConfigDlg::ReadUnitType()
{
    uint16_t flags = 0;
    if (m_protocol.GetParameter(0, 10, flags) >= 0)  // a failed read leaves the flags as they were
        m_wUnitFlags = flags;
    if ((m_wUnitFlags & 0x8000) == 0) {
        m_unitType = 0;
        m_strTypeName = "NEW";
        m_strAudioDeviceName.clear();
    } else if ((m_wUnitFlags & 0x4001) == 0x0001) {
        m_unitType = 1;
        m_strTypeName = "STAND ALONE";
        m_strAudioDeviceName = "Qrvl VK550_SAL";
    } else if ((m_wUnitFlags & 0x4001) == 0x4001) {
        m_unitType = 2;
        m_strTypeName = "MASTER";
        m_strAudioDeviceName = "Qrvl VK550_MAS";
    } else {
        m_unitType = 3;
        m_strTypeName = "SLAVE";
        m_strAudioDeviceName = "Qrvl VK550_SLV";
    }
}

// --- device watch, timers, tool messages ---------------------------------------------

void CQuorvelVK550ConfigDlg::OnDevicesChanged()
{
    if (m_bWatchSuspended || m_bIgnoreDeviceChanges)
        return;
    const int n = m_protocol.CountUnits(kFamilyFilter);
    if (n == m_nUnits) {
        if (n > 0)
            (void)m_protocol.OpenUnit(m_protocol.GetProductId(), true);
        return;
    }
    const int mastersBefore = m_nMasters;
    m_nMasters = m_protocol.CountUnits(kMasterProductId);
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
        (void)m_masterProtocol.OpenUnit(kMasterProductId, true);
    if (m_nPage == 7 && m_pInputsSetup)
        m_pInputsSetup->Post(WM_APP + 2, 0, -2);
    m_nUnits = n;
    if (n > 1) {
        m_nPage = 0;
        ShowPage();
    } else if (m_nPage == 7) {
        if (n == 1)
            (void)m_protocol.OpenUnit(kFamilyFilter, true);
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
        KillTimer(kWatchSuspendTimer);
        m_bWatchSuspended = false;
        m_protocol.CloseUnit();
        OnDevicesChanged();
    } else if (id == kRecordTimer) {
        OnPlayVoice();
    } else if (id == kDeviceSettleTimer) {
        KillTimer(kDeviceSettleTimer);
        (void)m_protocol.PumpWaitingMessages();
        OnDevicesChanged();
    }
}

intptr_t CQuorvelVK550ConfigDlg::OnToolMessage(WPARAM, LPARAM lParam)
{
    switch (lParam) {
    case 3: EndDialog(0); break;
    case 6:
        m_bWatchSuspended = true;
        SetTimer(kWatchSuspendTimer, kWatchSuspendMs);
        break;
    case 7:
        m_bWatchSuspended = false;
        KillTimer(kWatchSuspendTimer);
        m_protocol.CloseUnit();
        OnDevicesChanged();
        break;
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
    return 0;
}

void CQuorvelVK550ConfigDlg::NotifyAudioSetupTool()
{
    if (auto tool = Windows().FindWindow(kAudioSetupTitle))
        (void)tool->PostMessage(WM_TOOL_MESSAGE, 0, 1);
}

// --- system menu, commands, cancel ------------------------------------------------

void CQuorvelVK550ConfigDlg::OnSysCommand(unsigned id, LPARAM)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        (void)about.DoModal();
    } else if ((id & 0xFFF0) == IDM_ABOUTDEVICE) {
        ShowUnitReport();
    }
}

void CQuorvelVK550ConfigDlg::ShowUnitReport()
{
    if (!m_protocol.CheckConnection())
        (void)m_protocol.OpenUnit(kFamilyFilter, true);
    const std::string text = m_protocol.CheckConnection() ? m_protocol.GetUnitReport() : "No Dravena is connected";
    MessageBox(text, "Dravena Device Info", MB_ICONINFORMATION | MB_OK);
}

void CQuorvelVK550ConfigDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_NEXT: OnNext(); break;
    case IDC_BACK: OnBack(); break;
    case IDC_EXIT_WITHOUT_SAVING: EndDialog(1); break;
    case IDC_TEST_A: OnPlayVoice(); break;
    case IDC_TEST_B: OnPlayMusic(); break;
    case IDC_SAVE_RECORDING: OnSaveRecording(); break;
    case 1015: OnEchoTest(); break;
    case IDC_MICROPHONE_LEVEL: OnOutputLevel(true); break;
    case IDC_LINE_LEVEL: OnOutputLevel(false); break;
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
    const bool underWay = m_nPage != 0 && m_nPage != 1 && m_nPage != 2 && m_nPage != 13;
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
