// The inputs page: start-up, command dispatch, the ways it ends.
#include "inputs/InputsSetup.h"

#include "device/UnitTypes.h"
#include "inputs/InputsPage.h"
#include "platform/settings/WinPos.h"
#include "platform/ui/MessageBox.h"
#include "resources/Resources.h"

namespace vk {
namespace {

constexpr const char* kExitCaption = "Dravena configurarion";
constexpr const char* kExitMasterText =
    "You are stopping the Configuration of the Master Dravena before settings is completed and saved to the "
    "device,\nThe device may be left in a non functional state.\nIt is recomended to pass all the steps of the "
    "configuration before exiting.\n\nDo you realy want to exit ?";
constexpr const char* kExitText =
    "You are stopping the Configuration of the Dravena before settings is completed and saved to the device,\nIt is "
    "recomended to pass all the steps of the configuration before exiting.\n\nDo you realy want to exit ?";

void SetSliderLook(CControl& slider, int maximum, int pos)
{
    slider.SetRange(0, maximum);
    slider.SetPos(pos);
    slider.SetTicFreq(3);
    slider.SetLineSize(1);
    slider.SetPageSize(4);
}

}  // namespace

std::unique_ptr<CDialog> CreateInputsPage(IInputsOwner& owner, int firstChannel)
{
    return std::make_unique<CInputsSetup>(owner, firstChannel);
}

CInputsSetup::CInputsSetup(IInputsOwner& owner, int firstChannel)
    : CDialog(kInputsTemplate, &owner.OwnerWindow()), m_owner(owner), m_model(owner, firstChannel)
{
}

CInputsSetup::~CInputsSetup()
{
    // A page destroyed without its window's end (never run) still stops its threads.
    m_audioMonitor.Stop();
    m_audioPlayback.Stop();
}

bool CInputsSetup::OnInitDialog()
{
    m_pWizard = CDialog::MainWindow() ? CDialog::MainWindow() : &m_owner.OwnerWindow();
    ShowWindow(SW_HIDE);
    CWinPos().RestorePosition(*this, SW_HIDE, false);
    SetIcon(IDR_MAINFRAME, true);
    SetIcon(IDR_MAINFRAME, false);

    std::array<int, 4> frames{};
    for (int c = 0; c < kInputChannels; ++c)
        frames[static_cast<size_t>(c)] = kChannelPanels[static_cast<size_t>(c)].frame;
    m_surfaces.AttachPanels(*this, frames);
    m_surfaces.GetPanelColors(0, m_clrPanelShadow, m_clrPanelHilite);

    GetDlgItem(IDC_TITLE).SetFont(m_owner.TitleFont());
    GetDlgItem(IDC_BODY).SetFont(m_owner.TextFont());
    GetDlgItem(IDC_BACK).SetFont(m_owner.ButtonFont());
    GetDlgItem(IDC_NEXT).SetFont(m_owner.ButtonFont());

    m_bPlayback = false;
    m_bRecordToFile = false;
    GetDlgItem(IDC_INPUTS_PLAYBACK).EnableWindow(false);
    GetDlgItem(IDC_INPUTS_SAVE).EnableWindow(false);
    SetSliderLook(GetDlgItem(IDC_MONITOR_SLIDER), 24, 24);
    for (int step = 0; step < kGainSteps; ++step)
        m_strGain[static_cast<size_t>(step)] = GainText(step);
    for (const ChannelPanelIds& p : kChannelPanels) {
        GetDlgItem(p.gainSpin).SetRange(0, kGainSteps - 1);
        SetSliderLook(GetDlgItem(p.local), 24, 0);
    }

    m_model.ReadControllerState();
    for (int c = 0; c < kInputChannels; ++c)
        m_model.ReadInputChannel(c);
    m_model.PrepareUnit();

    const int first = m_model.m_nSelChannel;
    m_model.m_nSelChannel = -1;
    SelectChannel(first);
    for (int c = 0; c < kInputChannels; ++c)
        ShowChannelControls(c);

    m_model.CheckConnection();
    CHIDProtocol& unit = m_owner.UnitProtocol();
    (void)unit.SendShortCommand(0x5318, kTransactTimeoutMs);
    (void)unit.SendShortCommand(static_cast<uint16_t>(0x5400 + GetDlgItem(IDC_MONITOR_SLIDER).GetPos()),
                                kTransactTimeoutMs);

    StartMonitor();
    (void)m_surfaces.CreateView(*this, IDC_SIGNAL_VIEW);
    m_surfaces.SetSweep(kSweepSamples);

    SetDlgItemText(IDC_BODY, kInstructionText);
    ShowWindow(SW_SHOW);
    ShowWizard(false);
    return true;
}

void CInputsSetup::OnCommand(int id)
{
    switch (id) {
    case IDC_INPUTS_RECORD: OnRecord(); return;
    case IDC_INPUTS_PLAYBACK: OnPlayback(); return;
    case IDC_INPUTS_SAVE: OnSaveRecording(); return;
    case IDC_BACK: OnBack(); return;
    case IDC_NEXT: OnNext(); return;
    default: break;
    }
    const ControlRole role = RoleOf(id);
    if (role.channel < 0) {
        CDialog::OnCommand(id);
        return;
    }
    const ChannelPanelIds& p = kChannelPanels[static_cast<size_t>(role.channel)];
    const int c = role.channel;
    if (id == p.use)
        OnUseInput(c);
    else if (id == p.first)
        OnMicrophone(c);
    else if (id == p.second)
        OnSoundReinforcement(c);
    else if (id == p.third)
        OnAuxiliary(c);
    else if (id == p.phantom)
        OnPhantom(c);
    else if (id == p.v3)
        OnSupply(c, true);
    else if (id == p.v24)
        OnSupply(c, false);
    else if (id == p.mute)
        OnMute();
}

void CInputsSetup::OnVScroll(int, int, CControl* ctrl)
{
    if (!ctrl)
        return;
    const ControlRole role = RoleOf(ctrl->Id());
    if (role.channel < 0)
        return;
    const ChannelPanelIds& p = kChannelPanels[static_cast<size_t>(role.channel)];
    if (ctrl->Id() == p.gainSpin)
        OnGainScroll(role.channel, *ctrl);
    else if (ctrl->Id() == p.local)
        OnLocalScroll(role.channel, *ctrl);
}

// A click on the page (also one that a disabled control let through) selects the
// first panel whose window rectangle holds it, edges included.
void CInputsSetup::OnLButtonDown(unsigned, Point clientPoint)
{
    for (int c = 0; c < kInputChannels; ++c) {
        const Rect r = GetDlgItem(kChannelPanels[static_cast<size_t>(c)].frame).GetClientRectInDialog();
        if (r.ContainsInclusive(clientPoint)) {
            SelectChannel(c);
            return;
        }
    }
}

intptr_t CInputsSetup::OnMessage(uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_AUDIO_DONE)
        return OnAudioDone(wParam);
    if (message == WM_AUDIO_BLOCK)
        return OnAudioBlock(wParam, lParam);
    if (message == WM_AUDIO_WRITE_FAILED)
        return OnRecordFileFailed();
    return 0;
}

void CInputsSetup::OnBack()
{
    if (m_model.m_nSelChannel > 0)
        SelectChannel(m_model.m_nSelChannel - 1);
    else
        Leave(kInputsBack);
}

void CInputsSetup::OnNext()
{
    if (m_model.m_nSelChannel < kInputChannels - 1)
        SelectChannel(m_model.m_nSelChannel + 1);
    else
        Leave(kInputsNext);
}

void CInputsSetup::Leave(int result)
{
    m_model.SaveSlaveDefaults(this);
    ShowWizard(true);
    EndDialog(result);
}

void CInputsSetup::Close(int result) { EndDialog(result); }

void CInputsSetup::ShowWizard(bool show)
{
    if (m_pWizard && m_pWizard != this)
        m_pWizard->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CInputsSetup::OnCancel()
{
    const bool master = m_model.UnitType() == kUnitMaster;
    if (MessageBox(master ? kExitMasterText : kExitText, kExitCaption, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    // The program ends here; the playback thread is stopped too so that nothing
    // still streams while the process goes down.
    m_bExiting = true;
    m_audioMonitor.Stop();
    m_audioPlayback.Stop();
    m_model.RestoreUnit();
    CDialog::ExitProcess(0);
}

void CInputsSetup::OnDestroy()
{
    ShowWizard(true);
    m_audioMonitor.Stop();
    m_audioPlayback.Stop();
    if (m_bExiting)
        return;  // the exit question has restored the unit already
    if (m_model.UnitType() == kUnitMaster)
        m_model.StoreMasterInputs();
    m_model.RestoreUnit();
    CWinPos().SavePosition(*this);
}

}  // namespace vk
