// Recording, playback and saving on the inputs page, and the engines' messages.
#include <algorithm>
#include <cstdio>

#include "audio/RecordingCopy.h"
#include "audio/RecordingName.h"
#include "device/UnitTypes.h"
#include "inputs/InputsPage.h"
#include "inputs/InputsSetup.h"
#include "platform/clock/Clock.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"

namespace vk {
namespace {

constexpr const char* kRecordFileName = "MicRecorded.wav";

}  // namespace

std::string CInputsSetup::DevicePattern() const { return UnitTypeRow(m_model.UnitType()).endpointName; }

void CInputsSetup::StartMonitor()
{
    m_audioMonitor.m_strRecordFile = m_owner.WaveDir() + kRecordFileName;
    m_audioMonitor.m_strInDevice = DevicePattern();
    m_audioMonitor.m_nMode = kModeMonitor;
    m_audioMonitor.m_strOutDevice = m_audioMonitor.m_strInDevice;
    m_audioMonitor.ProbePlayDevice();
    (void)m_audioMonitor.Start(this);
}

void CInputsSetup::OnRecord()
{
    if (m_bRecordToFile) {
        SetDlgItemText(IDC_INPUTS_RECORD, "Record");
        m_audioMonitor.m_nMode = kModeMonitor;
        m_bRecordToFile = false;
        m_audioMonitor.CloseRecordFile();
        // A record file that could not be written (a full disk) is gone: there
        // is nothing to play back or save, and the user is told why.
        const bool kept = !m_audioMonitor.RecordFileFailed();
        GetDlgItem(IDC_INPUTS_PLAYBACK).EnableWindow(kept);
        GetDlgItem(IDC_INPUTS_SAVE).EnableWindow(kept);
        SetDlgItemText(IDC_BODY, kInstructionText);
        if (!kept)
            MessageBox(m_audioMonitor.RecordFileFailure(), "WizardAudio", MB_ICONERROR | MB_OK);
        return;
    }
    m_audioMonitor.m_nMode = kModeRecord;
    // The engine has said why when the file cannot be opened (it is being played
    // back, or there is no room for it): the page then keeps listening, and never
    // shows a recording that does not happen.
    if (!m_audioMonitor.OpenRecordFile()) {
        m_audioMonitor.m_nMode = kModeMonitor;
        // No room even for its header: the earlier recording of that name is gone.
        if (m_audioMonitor.RecordFileFailed()) {
            GetDlgItem(IDC_INPUTS_PLAYBACK).EnableWindow(false);
            GetDlgItem(IDC_INPUTS_SAVE).EnableWindow(false);
        }
        return;
    }
    SetDlgItemText(IDC_INPUTS_RECORD, "Stop Recording");
    m_bRecordToFile = true;
    SetDlgItemText(IDC_BODY, "The signal is recorded to the file\r\n" + m_audioMonitor.m_strRecordFile);
}

void CInputsSetup::OnPlayback()
{
    CHIDProtocol& unit = m_owner.UnitProtocol();
    if (m_bPlayback) {
        SetDlgItemText(IDC_INPUTS_PLAYBACK, "Playback");
        m_audioPlayback.Stop();
        m_bPlayback = false;
        const auto route = static_cast<uint8_t>(std::max(m_model.m_nSelChannel, 0) + 3);
        (void)unit.SetRoute(route, 13);
        (void)unit.SetRoute(route, 9);
        return;
    }
    m_owner.SetSpeakerPlayFlag(true);
    m_audioPlayback.m_strPlayFile = m_owner.WaveDir() + kRecordFileName;
    m_audioPlayback.m_nMode = kModePlay;
    m_audioPlayback.m_strOutDevice = UnitTypeRow(m_model.UnitType() == kUnitStandAlone ? kUnitStandAlone : kUnitMaster).endpointName;
    if (!m_audioPlayback.Start(this))
        return;
    (void)unit.SetRoute(1, 13);
    (void)unit.SetRoute(1, 9);
    SetDlgItemText(IDC_INPUTS_PLAYBACK, "Stop Playback");
    m_bPlayback = true;
}

void CInputsSetup::OnSaveRecording()
{
    const std::string proposed = m_owner.WaveDir() + RecordingFileName("Input_", Clock().Local());
    CFileDialog dialog(false, ".wav", proposed, 0, "WAV Files (*.wav)|*.wav||", this);
    if (dialog.DoModal() != IDOK)
        return;
    const std::string& source = m_audioMonitor.m_strRecordFile;
    const std::string chosen = dialog.GetPathName();
    const RecordingCopyOutcome outcome = CopyRecording(source, chosen);
    // Not saved: the user is told why, and the button stays for another try.
    if (outcome.result != RecordingCopyResult::Saved) {
        MessageBox(RecordingCopyFailureText(outcome, source, chosen), kSavingCaption, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    GetDlgItem(IDC_INPUTS_SAVE).EnableWindow(false);
}

// wParam 0: the playback reached its end or its device failed. wParam 1: the
// monitor's recording device failed. When that device was the unit's own sound
// card (found by its name, or it had delivered), the card has gone with the
// unit, and the page closes as when the wizard asks it to; a monitor that
// never found the card leaves the page open.
intptr_t CInputsSetup::OnAudioDone(WPARAM wParam)
{
    if (m_bPlayback)
        OnPlayback();
    if (wParam == 1 && (m_bBlockSeen || m_audioMonitor.m_nInDeviceId >= 0))
        Close(kInputsClosed);
    return 0;
}

// The monitor could not write the recording (a full disk): a recording to the
// file still running ends as Stop Recording ends it, and says why.
intptr_t CInputsSetup::OnRecordFileFailed()
{
    if (m_bRecordToFile && m_audioMonitor.RecordFileFailed())
        OnRecord();
    return 0;
}

intptr_t CInputsSetup::OnAudioBlock(WPARAM wParam, LPARAM lParam)
{
    if (lParam == kBlockMissing) {
        Close(kInputsClosed);
        return 0;
    }
    if (lParam < 0 || !m_audioMonitor.m_bRecording)
        return 0;
    // Only the monitor's own block is drawn, and never more than it holds.
    if (wParam != reinterpret_cast<WPARAM>(&m_audioMonitor.m_pSamples))
        return 0;
    m_bBlockSeen = true;
    const int n = static_cast<int>(std::min<LPARAM>(lParam / 2, std::size(m_audioMonitor.m_Samples)));
    const int channel = m_model.m_nSelChannel + 1;
    char title[64];
    if (m_bPlayback)
        std::snprintf(title, sizeof title, "Playback of last Recording");
    else
        std::snprintf(title, sizeof title, m_bRecordToFile ? "Input %d Recorded Signal" : "Input %d Monitored Signal",
                      channel);
    auto lock = m_audioMonitor.LockSamples();
    m_surfaces.ShowSamples(m_audioMonitor.m_Samples, n, title);
    return 0;
}

}  // namespace vk
