// What the wizard does with recordings as files: Save Recording on the output
// page, and the echo test that judges a recorded echo-test file.
#include "app/QuorvelVK550ConfigDlg.h"

#include "audio/EchoFigures.h"
#include "audio/RecordingCopy.h"
#include "audio/RecordingName.h"
#include "platform/clock/Clock.h"
#include "platform/settings/Paths.h"
#include "platform/ui/FileDialog.h"
#include "resources/ControlIds.h"

namespace vk {

std::string OutputRecordingName(const LocalTime& now) { return RecordingFileName("Output_", now); }

void CQuorvelVK550ConfigDlg::OnSaveRecording()
{
    CFileDialog dialog(false, ".wav", m_strWaveDir + OutputRecordingName(Clock().Local()), 0,
                       "WAV Files (*.wav)|*.wav||", this);
    if (dialog.DoModal() != IDOK)
        return;
    const std::string& recording = m_audio.m_strRecordFile;
    const std::string chosen = dialog.GetPathName();
    const RecordingCopyOutcome outcome = CopyRecording(recording, chosen);
    // Not saved: the user is told why, and the button stays for another try.
    if (outcome.result != RecordingCopyResult::Saved) {
        MessageBox(RecordingCopyFailureText(outcome, recording, chosen), kSavingCaption, MB_ICONEXCLAMATION);
        return;
    }
    GetDlgItem(IDC_SAVE_OUTPUT_RECORDING).EnableWindow(false);
}

void CQuorvelVK550ConfigDlg::OnEchoTest()
{
    CFileDialog dialog(true, ".wav", paths::LocalPath(".\\WaveFiles\\Echo_Test.wav"), 0,
                       "wav files (*.wav)|*.wav|All Files (*.*)|*.*||", this);
    if (dialog.DoModal() != IDOK)
        return;
    const std::string path = dialog.GetPathName();
    const bool reductionPassed = m_audio.EchoReductionTest(path, m_dEchoFigure);
    const double reduction = m_dEchoFigure;
    const bool residualPassed = m_audio.ResidualEchoTest(path, m_dEchoFigure);
    m_echoTestFigures = EchoTestFigures{reduction, m_dEchoFigure};  // for the commissioning record
    MessageBox(FormatEchoReport(reduction, reductionPassed, m_dEchoFigure, residualPassed), "Echo Test Results",
               MB_ICONINFORMATION);
}

}  // namespace vk
