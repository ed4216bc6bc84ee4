// The channel panels: selection, which controls are shown and enabled, and the
// handlers of each panel's controls.
#include "device/UnitTypes.h"
#include "inputs/InputsSetup.h"
#include "platform/ui/DialogHost.h"

#include <cstdio>

namespace vk {
namespace {

const ChannelPanelIds& Ids(int c) { return kChannelPanels[static_cast<size_t>(c & 3)]; }

constexpr COLORREF kSelectedShadow = RGB(250, 0, 0);
constexpr COLORREF kSelectedHilite = RGB(100, 50, 50);

}  // namespace

CInputsSetup::ControlRole CInputsSetup::RoleOf(int id)
{
    for (int c = 0; c < kInputChannels; ++c) {
        const ChannelPanelIds& p = Ids(c);
        for (int member : {p.frame, p.use, p.typeGroup, p.first, p.second, p.third, p.gainLabel, p.gainText,
                           p.gainSpin, p.phantomGroup, p.phantom, p.v3, p.v24, p.localLabel, p.local, p.mute})
            if (member == id)
                return {c, id};
    }
    return {};
}

std::string CInputsSetup::ChannelTitle(int n) const
{
    const char* format = m_model.UnitType() == kUnitMaster  ? "Master Input %d Setup"
                         : m_model.UnitType() == kUnitSlave ? "Slave Input %d Setup"
                                                            : "Stand Alone Input %d Setup";
    char text[64];
    std::snprintf(text, sizeof text, format, n + 1);
    return text;
}

void CInputsSetup::SelectChannel(int n)
{
    m_model.CheckConnection();
    const int old = m_model.m_nSelChannel;
    if (old >= 0)
        RetryUnknownControllerState();
    const bool master = m_model.UnitType() == kUnitMaster;
    if (old >= 0) {
        m_surfaces.SetPanelColors(old, m_clrPanelShadow, m_clrPanelHilite, false);
        m_surfaces.RedrawPanel(old);
        GetDlgItem(Ids(old).use).BringWindowToTop();
        if (master && m_model.Channel(old).m_nChoice == kSecondType && m_model.Channel(old).m_bLocalMute == 0)
            m_model.ApplyLocal(old, true);
    }
    m_model.m_nSelChannel = n;
    if (master && m_model.Channel(n).m_nChoice == kSecondType && m_model.Channel(n).m_bLocalMute == 0)
        m_model.ApplyLocal(n, false);
    m_surfaces.SetPanelColors(n, kSelectedShadow, kSelectedHilite, false);
    m_surfaces.RedrawPanel(n);
    GetDlgItem(Ids(n).use).BringWindowToTop();

    CHIDProtocol& unit = m_owner.UnitProtocol();
    (void)unit.SetRoute(static_cast<uint8_t>(n + 3), 9);
    (void)unit.SetRoute(static_cast<uint8_t>(n + 3), 13);
    ShowLocalControls(n);
    for (int c = 0; c < kInputChannels; ++c)
        EnableChannelControls(c, c == n);
    EnableSupplyButtons();
    SetDlgItemText(IDC_TITLE, ChannelTitle(n));
}

void CInputsSetup::ShowLocalControls(int c)
{
    const ChannelPanelIds& p = Ids(c);
    const bool shown = m_model.LocalShown(c);
    GetDlgItem(p.local).Show(shown);
    GetDlgItem(p.mute).Show(shown);
    GetDlgItem(p.localLabel).Show(shown);
    if (!shown)
        return;
    GetDlgItem(p.local).SetPos(24 - m_model.Channel(c).m_nLocalLevel);
    CheckDlgButton(p.mute, m_model.Channel(c).m_bLocalMute ? BST_CHECKED : BST_UNCHECKED);
}

void CInputsSetup::ShowChannelControls(int c)
{
    const ChannelPanelIds& p = Ids(c);
    const InputChannelState& ch = m_model.Channel(c);
    const int type = m_model.UnitType();
    CheckDlgButton(p.use, ch.m_bInUse ? BST_CHECKED : BST_UNCHECKED);

    if (type == kUnitMaster)
        SetDlgItemText(p.first, "Slave");
    if (type == kUnitSlave)
        SetDlgItemText(p.second, "Slave");
    for (int id : {p.typeGroup, p.first, p.second})
        GetDlgItem(id).Show(ch.m_bInUse);
    GetDlgItem(p.third).Show(ch.m_bInUse && type != kUnitSlave);
    CheckDlgButton(p.first, ch.m_nChoice == kFirstType ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(p.second, ch.m_nChoice == kSecondType ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(p.third, ch.m_nChoice == kThirdType ? BST_CHECKED : BST_UNCHECKED);

    const bool gain = m_model.GainShown(c);
    for (int id : {p.gainLabel, p.gainText, p.gainSpin})
        GetDlgItem(id).Show(gain);
    GetDlgItem(p.gainSpin).SetPos(ch.m_nGainShown);
    // A step the page could not read is not shown as one.
    SetDlgItemText(p.gainText, m_model.ControllerStateKnown() ? m_strGain[static_cast<size_t>(ch.m_nGainShown & 7)] : "");

    const bool phantom = m_model.PhantomShown(c);
    for (int id : {p.phantomGroup, p.phantom, p.v3, p.v24})
        GetDlgItem(id).Show(phantom);
    CheckDlgButton(p.phantom, ch.m_nPhantomShown != kPhantomOff ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(p.v3, ch.m_nPhantomShown == kPhantom3V ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(p.v24, ch.m_nPhantomShown == kPhantom24V ? BST_CHECKED : BST_UNCHECKED);

    ShowLocalControls(c);
}

// The controls whose changes write the controller lines and the address word
// (use, type, gain, supply) work only once both are known: a change built on
// words that could not be read would give every channel guessed gains and
// supplies. Until then they stay disabled; the channel record's own controls
// (local level and mute) do not depend on them. A channel whose record could
// not be read has nothing to build a record from: all its controls stay off.
void CInputsSetup::EnableChannelControls(int c, bool enable)
{
    const ChannelPanelIds& p = Ids(c);
    const bool record = enable && m_model.Channel(c).m_bKnown;
    const bool lines = record && m_model.ControllerStateKnown();
    for (int id : {p.use, p.first, p.second, p.third, p.typeGroup, p.gainLabel, p.gainText, p.gainSpin,
                   p.phantomGroup, p.phantom})
        GetDlgItem(id).EnableWindow(lines);
    for (int id : {p.local, p.mute, p.localLabel})
        GetDlgItem(id).EnableWindow(record);
    GetDlgItem(p.v3).EnableWindow(false);
    GetDlgItem(p.v24).EnableWindow(false);
}

void CInputsSetup::EnableSupplyButtons()
{
    const int n = m_model.m_nSelChannel;
    if (n < 0)
        return;
    const ChannelPanelIds& p = Ids(n);
    const bool on = m_model.ControllerStateKnown() && m_model.Channel(n).m_nPhantomShown != kPhantomOff;
    GetDlgItem(p.v3).EnableWindow(on);
    GetDlgItem(p.v24).EnableWindow(on);
}

// The lines were read late by the last write: the channels the user did not
// touch now show what the unit has, and the selected channel's controls work.
void CInputsSetup::ShowRefreshedLines()
{
    if (!m_model.TakeLinesRefreshed())
        return;
    for (int i = 0; i < kInputChannels; ++i) {
        ShowChannelControls(i);
        EnableChannelControls(i, i == m_model.m_nSelChannel);
    }
}

// Lines or address that could not be read when the page opened are asked for
// again whenever the user selects a channel.
void CInputsSetup::RetryUnknownControllerState()
{
    if (m_model.ControllerStateKnown())
        return;
    m_model.ReadUnknownControllerState();
    if (m_model.TakeLinesRefreshed())
        for (int i = 0; i < kInputChannels; ++i)
            ShowChannelControls(i);
}

void CInputsSetup::OnUseInput(int c)
{
    m_model.UseInput(c, IsDlgButtonChecked(Ids(c).use) == BST_CHECKED);
    ShowChannelControls(c);
    ShowRefreshedLines();
    EnableSupplyButtons();
}

void CInputsSetup::OnMicrophone(int c)
{
    m_model.ChooseFirst(c);
    for (int i = 0; i < kInputChannels; ++i)
        ShowChannelControls(i);
    (void)m_model.TakeLinesRefreshed();
    ShowLocalControls(m_model.m_nSelChannel);
    EnableSupplyButtons();
}

void CInputsSetup::OnSoundReinforcement(int c)
{
    m_model.ChooseSecond(c);
    for (int i = 0; i < kInputChannels; ++i)
        ShowChannelControls(i);
    (void)m_model.TakeLinesRefreshed();
    ShowLocalControls(m_model.m_nSelChannel);
    EnableSupplyButtons();
}

void CInputsSetup::OnAuxiliary(int c)
{
    m_model.ChooseThird(c);
    ShowChannelControls(c);
    ShowRefreshedLines();
    ShowLocalControls(m_model.m_nSelChannel);
    EnableSupplyButtons();
}

void CInputsSetup::OnPhantom(int c)
{
    const bool on = IsDlgButtonChecked(Ids(c).phantom) == BST_CHECKED;
    for (int i : m_model.ChangePhantom(c, on ? kPhantom3V : kPhantomOff))
        ShowChannelControls(i);
    ShowRefreshedLines();
    EnableSupplyButtons();
}

void CInputsSetup::OnSupply(int c, bool threeVolts)
{
    const ChannelPanelIds& p = Ids(c);
    const bool checked = IsDlgButtonChecked(threeVolts ? p.v3 : p.v24) == BST_CHECKED;
    const int state = checked == threeVolts ? kPhantom3V : kPhantom24V;
    for (int i : m_model.ChangePhantom(c, state))
        ShowChannelControls(i);
    ShowRefreshedLines();
    EnableSupplyButtons();
}

void CInputsSetup::OnMute()
{
    const int n = m_model.m_nSelChannel;
    if (n < 0)
        return;
    m_model.ChangeLocalMute(n, IsDlgButtonChecked(Ids(n).mute) == BST_CHECKED);
}

void CInputsSetup::OnGainScroll(int c, const CControl& spin)
{
    const int step = spin.GetPos() & 0x0F;
    if (step >= kGainSteps || step == m_model.GetGainStep(c))
        return;
    CControl* focus = GetFocus();
    for (int i : m_model.ChangeGain(c, step)) {
        SetDlgItemText(Ids(i).gainText, m_strGain[static_cast<size_t>(step)]);
        if (i != c)
            GetDlgItem(Ids(i).gainSpin).SetPos(step);
    }
    ShowRefreshedLines();
    EnableSupplyButtons();
    if (focus)
        focus->SetFocus();
}

void CInputsSetup::OnLocalScroll(int c, const CControl& slider)
{
    const int n = m_model.m_nSelChannel;
    if (n < 0)
        return;
    const int level = 24 - slider.GetPos();
    const bool mute = IsDlgButtonChecked(Ids(c).mute) == BST_CHECKED;
    m_model.ChangeLocalLevel(n, level, mute);
}

}  // namespace vk
