// What the wizard does with recordings as files: Save Recording on the output
// page, and the echo test that judges a recorded echo-test file.
#include "app/QuorvelVK550ConfigDlg.h"

#include <ctime>

#include "app/RecordingCopy.h"
#include "audio/EchoFigures.h"
#include "platform/clock/Clock.h"
#include "platform/settings/Paths.h"
#include "platform/ui/FileDialog.h"
#include "resources/ControlIds.h"

namespace vk {

namespace {

std::string FormatLocalTime(const LocalTime& t, const char* format)
{
    std::tm tm{};
    tm.tm_year = t.wYear - 1900;
    tm.tm_mon = t.wMonth - 1;
    tm.tm_mday = t.wDay;
    tm.tm_wday = t.wDayOfWeek;
    tm.tm_hour = t.wHour;
    tm.tm_min = t.wMinute;
    tm.tm_sec = t.wSecond;
    tm.tm_isdst = -1;
    char text[64];
    const size_t n = std::strftime(text, sizeof text, format, &tm);
    return std::string(text, n);
}

}  // namespace

std::string OutputRecordingName(const LocalTime& now)
{
    return "Output_" + FormatLocalTime(now, "%b %d %Y") + " " + FormatLocalTime(now, "%H-%M-%S") + ".wav";
}

void CQuorvelVK550ConfigDlg::OnSaveRecording()
{
    CFileDialog dialog(false, ".wav", m_strWaveDir + OutputRecordingName(Clock().Local()), 0,
                       "WAV Files (*.wav)|*.wav||", this);
    if (dialog.DoModal() != IDOK)
        return;
    const std::string& recording = m_audio.m_strRecordFile;
    switch (CopyRecording(recording, dialog.GetPathName())) {
    case RecordingCopyResult::SourceUnreadable:
        MessageBox("Can't open file : \n" + recording, "Quorvel Audio Saving", MB_ICONEXCLAMATION);
        break;
    case RecordingCopyResult::Saved: GetDlgItem(IDC_SAVE_OUTPUT_RECORDING).EnableWindow(false); break;
    case RecordingCopyResult::DestinationUnwritable: break;  // not saved: the button stays for another try
    }
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
    MessageBox(FormatEchoReport(reduction, reductionPassed, m_dEchoFigure, residualPassed), "Echo Test Results",
               MB_ICONINFORMATION);
}

}  // namespace vk
