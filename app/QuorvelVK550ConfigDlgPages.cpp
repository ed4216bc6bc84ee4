// What each page of the wizard shows; page 7 runs the inputs page modally.
#include "app/QuorvelVK550ConfigDlg.h"

#include "device/LevelRegisters.h"
#include "inputs/InputsPage.h"
#include "platform/settings/WinPos.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"

#include <cstdio>

namespace vk {

namespace {

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

}  // namespace

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

void CQuorvelVK550ConfigDlg::ShowPage()
{
    ForgetStoredLoadOffPage();
    SetDlgItemText(IDC_NEXT, "Next >");
    switch (m_nPage) {
    case Page::Welcome: ShowWelcomePage(); break;
    case Page::TypeSelection: ShowTypeSelectionPage(); break;
    case Page::ConfigurationType: ShowConfigurationTypePage(); break;
    case Page::Speaker: ShowSpeakerPage(); break;
    case Page::Inputs: RunInputsPage(); return;  // copies the texts itself, when it should
    case Page::OutputListening: ShowOutputPage(); break;
    case Page::Finished: ShowFinishedPage(); break;
    default: break;  // 9 and 10 keep what page 8 set up
    }
    CopyTexts();
}

void CQuorvelVK550ConfigDlg::ShowWelcomePage()
{
    // The configuration starts again here: no unit is pinned until Next, and
    // no test sound or recording of the pages left behind goes on.
    if (!m_pInputsSetup)
        m_pin.Release();
    if (m_bPlaying || m_audio.m_bRecording != 0 || m_audio.m_bPlaying != 0) {
        KillTimer(kRecordTimer);
        m_audio.Stop();
        m_bPlaying = false;
    }
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
    } else if (m_pInputsSetup) {
        // The inputs page still ends on the unit it configured: nothing else is
        // opened until it has closed (the page is set up again then).
        Enable({IDC_NEXT}, false);
    } else if (OpenConnectedUnit()) {
        m_strBody = Format("You are configuring %s device.", m_protocol.GetProductName());
        Enable({IDC_NEXT}, true);
    }
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER,
          IDC_PLAY_VOICE, IDC_PLAY_MUSIC, IDC_SAVE_OUTPUT_RECORDING, IDC_EXIT_NO_SAVE, IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER,
          IDC_TYPE_SLAVE, IDC_OUTPUT_LEVEL_MIC, IDC_OUTPUT_LEVEL_LINE, IDC_OUTPUT_LEVEL_FRAME},
         false);
    Enable({IDC_BACK}, false);
    SetPageIcon(IDI_UNIT);
}

void CQuorvelVK550ConfigDlg::ShowTypeSelectionPage()
{
    m_strTitle = "Unit Type Selection";
    m_strBody = m_unitType == 0
                    ? "You are configuring a new Dravena unit.\r\nSelect a type for the new unit."
                    : Format("You are re-configuring an Dravena %s unit.\r\nSelect a new type for the unit.",
                             m_strTypeName);
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER,
          IDC_PLAY_VOICE, IDC_PLAY_MUSIC, IDC_SAVE_OUTPUT_RECORDING},
         false);
    for (int id : {IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER, IDC_TYPE_SLAVE})
        CheckDlgButton(id, BST_UNCHECKED);
    SetDlgItemText(IDC_TYPE_STAND_ALONE, "Stand Alone");
    SetDlgItemText(IDC_TYPE_MASTER, "Master");
    SetDlgItemText(IDC_TYPE_SLAVE, "Slave");
    // Only Slave can be chosen while a live master is attached beside the unit.
    const bool onlySlave = m_masterProtocol.CheckConnection() && m_nUnits > 1;
    Show({IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER}, !onlySlave);
    Show({IDC_TYPE_SLAVE}, true);
    // Page 2 may have left its two choices disabled; every offered type can be chosen here.
    Enable({IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER}, true);
    Show({IDC_OUTPUT_LEVEL_MIC, IDC_OUTPUT_LEVEL_LINE, IDC_OUTPUT_LEVEL_FRAME, IDC_EXIT_NO_SAVE}, false);
    Enable({IDC_NEXT}, true);
    Enable({IDC_BACK}, m_unitType != 0);
    SetPageIcon(IDI_UNIT);
}

void CQuorvelVK550ConfigDlg::ShowConfigurationTypePage()
{
    m_strTitle = "Configuration Type";
    m_strBody = Format("This unit is already configured as %s unit.\r\nSelect one of the following options.",
                       m_strTypeName);
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER,
          IDC_PLAY_VOICE, IDC_PLAY_MUSIC, IDC_SAVE_OUTPUT_RECORDING, IDC_OUTPUT_LEVEL_MIC, IDC_OUTPUT_LEVEL_LINE, IDC_OUTPUT_LEVEL_FRAME},
         false);
    SetDlgItemText(IDC_TYPE_STAND_ALONE, "Configure and test the unit");
    SetDlgItemText(IDC_TYPE_MASTER, "Change the type of the unit");
    const bool masterAnswers = m_masterProtocol.CheckConnection();
    if (m_nMasters == 1 && m_nUnits > 2) {
        m_strBody = Format("You have connected one master unit and %d non-master units.\r\nWith these connections you "
                           "can only do system integration.   ",
                           m_nUnits - 1);
        Enable({IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER}, false);
        CheckDlgButton(IDC_TYPE_STAND_ALONE, BST_UNCHECKED);
        CheckDlgButton(IDC_TYPE_MASTER, BST_UNCHECKED);
    } else {
        Enable({IDC_TYPE_STAND_ALONE}, true);
        CheckDlgButton(IDC_TYPE_STAND_ALONE, BST_CHECKED);
        Enable({IDC_TYPE_MASTER}, !(m_unitType == 3 && masterAnswers));
        CheckDlgButton(IDC_TYPE_MASTER, BST_UNCHECKED);
    }
    Show({IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER}, true);
    Show({IDC_TYPE_SLAVE}, false);
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
    Show({IDC_METER_SCALE, IDC_OUTPUT_LEVEL_MIC, IDC_OUTPUT_LEVEL_LINE, IDC_OUTPUT_LEVEL_FRAME, IDC_EXIT_NO_SAVE,
          IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER, IDC_TYPE_SLAVE},
         false);
    GetDlgItem(IDC_LEVEL_METER).SetPos(0);
    Enable({IDC_OUTPUT_FRAME, IDC_OUTPUT_SLIDER}, false);
    Enable({IDC_SPEAKER_FRAME, IDC_SPEAKER_SLIDER}, true);
    Show({IDC_PLAY_VOICE, IDC_PLAY_MUSIC}, true);
    Show({IDC_SAVE_OUTPUT_RECORDING}, false);
    SetDlgItemText(IDC_PLAY_VOICE, "Play Voice");
    SetDlgItemText(IDC_PLAY_MUSIC, "Play Music");
    Enable({IDC_BACK, IDC_NEXT}, true);
    SetPageIcon(IDI_SPEAKER);
}

void CQuorvelVK550ConfigDlg::ShowOutputPage()
{
    m_strTitle = Format("%s Output Setup", m_strTypeName);
    m_strBody = "To test the microphone, speak to it and set the volume to an adequate level.";
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER,
          IDC_SPEAKER_SLIDER},
         true);
    Show({IDC_EXIT_NO_SAVE}, false);
    if (m_unitType == 1 || m_unitType == 2) {
        // A failed read (-1) counts as microphone level.
        const bool microphone = m_protocol.GetPicLine(23, false, 1) != 0;
        CheckDlgButton(IDC_OUTPUT_LEVEL_MIC, microphone ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(IDC_OUTPUT_LEVEL_LINE, microphone ? BST_UNCHECKED : BST_CHECKED);
        Show({IDC_OUTPUT_LEVEL_MIC, IDC_OUTPUT_LEVEL_LINE, IDC_OUTPUT_LEVEL_FRAME}, true);
    } else {
        Show({IDC_OUTPUT_LEVEL_MIC, IDC_OUTPUT_LEVEL_LINE, IDC_OUTPUT_LEVEL_FRAME}, false);
    }
    Enable({IDC_OUTPUT_FRAME, IDC_OUTPUT_SLIDER}, true);
    Enable({IDC_SPEAKER_FRAME, IDC_SPEAKER_SLIDER}, false);
    Enable({IDC_PLAY_MUSIC, IDC_SAVE_OUTPUT_RECORDING}, m_bRecorded);
    Show({IDC_PLAY_VOICE, IDC_PLAY_MUSIC, IDC_SAVE_OUTPUT_RECORDING}, true);
    SetDlgItemText(IDC_PLAY_VOICE, "Record");
    SetDlgItemText(IDC_PLAY_MUSIC, "Playback");
    Enable({IDC_BACK, IDC_NEXT}, true);
    SetPageIcon(IDI_OUTPUT);
}

void CQuorvelVK550ConfigDlg::ShowFinishedPage()
{
    m_strBody.clear();
    if (m_bStoreFailed) {
        // Never a success text for settings the unit did not store.
        m_strTitle = kStoreFailedTitle;
        m_strBody = kStoreFailedText;
    } else if (m_unitType == 1) {
        m_strTitle = "Stand Alone unit configuration ended succesfully.";
    } else if (m_unitType == 2) {
        m_strTitle = "Master unit configuration ended succesfully.";
    } else {
        m_strTitle = Format("Configuration of a %s unit ended succesfully.", m_strTypeName);
    }
    Show({IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER, IDC_TYPE_SLAVE}, false);
    SetDlgItemText(IDC_NEXT, "Exit >");
    Show({IDC_OUTPUT_FRAME, IDC_SPEAKER_FRAME, IDC_LEVEL_METER, IDC_METER_SCALE, IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER,
          IDC_OUTPUT_LEVEL_MIC, IDC_OUTPUT_LEVEL_LINE, IDC_OUTPUT_LEVEL_FRAME, IDC_PLAY_VOICE, IDC_PLAY_MUSIC, IDC_SAVE_OUTPUT_RECORDING},
         false);
    Enable({IDC_NEXT, IDC_BACK}, true);
    SetPageIcon(IDI_UNIT);
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

    // The inputs page may have changed the levels; the wizard's own are written
    // back, into the unit it configured and no other.
    if (m_pin.Holds(m_protocol)) {
        (void)WriteSpeakerLevel(m_protocol, static_cast<uint8_t>(m_speakerVolume));
        (void)WriteOutputLevel(m_protocol, static_cast<uint8_t>(m_micVolume));
    }

    // A wizard that was ended meanwhile (tool message 0x384) goes no further.
    if (IsEnded())
        return;
    if (result == kInputsBack)
        OnBack();
    else if (result == kInputsNext)
        OnNext();
    else if (m_nPage != Page::Inputs)
        ShowPage();  // the unit it configured went away: the page the watch chose
    else
        return;  // closed by the wizard itself (or abandoned): no navigation, no texts
    inputs.reset();
    CopyTexts();
}

}  // namespace vk
