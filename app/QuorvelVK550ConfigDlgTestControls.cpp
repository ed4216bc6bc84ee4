// The speaker and output test buttons of the wizard, the recording timer and the
// engine's two messages: playing the test sounds on the speaker page; listening,
// recording, playing back on the output page; the level meter.
#include "app/QuorvelVK550ConfigDlg.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "device/LevelRegisters.h"
#include "platform/clock/Clock.h"
#include "platform/settings/Paths.h"
#include "resources/ControlIds.h"

namespace vk {

namespace {

constexpr uint32_t kRecordTimerMs = 5000;
// Registers whose flags the tests raise: 1 while the recording is played back,
// 2 while the PC plays through the unit's speaker.
constexpr int kPlaybackRegister = 1;
constexpr int kSpeakerPlayRegister = 2;
// Routes of the unit while the recording is played back, and otherwise.
constexpr uint8_t kRoutePlayback = 1;
constexpr uint8_t kRouteNormal = 13;
constexpr uint16_t kTimeLimitCommand = 0x8401;

}  // namespace

std::string CQuorvelVK550ConfigDlg::TestSoundPath(const char* name) const
{
    return m_strInstallDir + paths::LocalPath(std::string("WaveFiles\\") + name);
}

std::string CQuorvelVK550ConfigDlg::RecordingPath() const { return m_strWaveDir + "MicRecorded.wav"; }

void CQuorvelVK550ConfigDlg::UseUnitSoundCard()
{
    m_audio.m_strOutDevice = m_strAudioDeviceName;
    m_audio.m_strInDevice = m_strAudioDeviceName;
}

void CQuorvelVK550ConfigDlg::EnsureUnitConnection() { (void)m_pin.Ensure(m_protocol); }

// Page 5: one test sound plays at a time; the pressed button reads "Stop" and
// the other one is disabled until it is pressed again or the sound ends.
void CQuorvelVK550ConfigDlg::ToggleTestSound(int pressed, int other, const char* caption, const char* file)
{
    EnsureUnitConnection();
    if (m_bPlaying) {
        SetDlgItemText(pressed, caption);
        GetDlgItem(other).EnableWindow(true);
        m_audio.Stop();
        m_bPlaying = false;
        SetLevelRegisterFlag(m_protocol, kSpeakerPlayRegister, false);
        return;
    }
    SetDlgItemText(pressed, "Stop");
    GetDlgItem(other).EnableWindow(false);
    SetLevelRegisterFlag(m_protocol, kSpeakerPlayRegister, true);
    m_audio.m_strPlayFile = TestSoundPath(file);
    m_audio.m_nMode = kModePlay;
    m_bPlaying = true;
    // A test sound that cannot be played has been reported by the engine; the
    // buttons do not pretend that it plays.
    if (!m_audio.Start(this))
        ToggleTestSound(pressed, other, caption, file);
}

void CQuorvelVK550ConfigDlg::OnPlayVoice()
{
    UseUnitSoundCard();
    // Timer 1 belongs to a running recording (page 9) and ends it; anywhere else
    // it is left over and must not come back every five seconds.
    if (m_nPage != Page::OutputRecording)
        KillTimer(kRecordTimer);
    switch (m_nPage) {
    case Page::Welcome: m_bUseDefaultLevels = true; break;
    case Page::Speaker: ToggleTestSound(IDC_PLAY_VOICE, IDC_PLAY_MUSIC, "Play Voice", "VoicePlayback.wav"); break;
    case Page::OutputListening: StartRecording(); break;
    case Page::OutputRecording: StopRecording(true); break;
    default: break;
    }
}

void CQuorvelVK550ConfigDlg::StartRecording()
{
    m_audio.Stop();
    SetDlgItemText(IDC_PLAY_VOICE, "Stop Recording");
    for (int id : {IDC_PLAY_MUSIC, IDC_OUTPUT_SLIDER, IDC_OUTPUT_FRAME})
        GetDlgItem(id).EnableWindow(false);
    m_nPage = Page::OutputRecording;
    m_audio.m_nMode = kModeRecord;
    m_audio.m_strPlayFile = RecordingPath();
    // The record file is set when the page is entered; kept in step here so a
    // recording always lands where Playback and Save Recording look for it.
    m_audio.m_strRecordFile = RecordingPath();
    SetTimer(kRecordTimer, kRecordTimerMs);
    m_bRecordingStarted = m_audio.Start(this);
    // A recording file that cannot be made has been reported by the engine:
    // back to listening at once, and an earlier recording stays the one kept.
    if (!m_bRecordingStarted)
        StopRecording(true);
}

// Ends a recording (Stop Recording, timer 1, a recording device that failed, or
// a record file that could not be written) and, unless the device failed,
// listens again.
void CQuorvelVK550ConfigDlg::StopRecording(bool listenAgain)
{
    KillTimer(kRecordTimer);
    m_audio.Stop();  // the microphone thread completes the file as it ends
    SetDlgItemText(IDC_PLAY_VOICE, "Record");
    for (int id : {IDC_OUTPUT_SLIDER, IDC_OUTPUT_FRAME, IDC_PLAY_MUSIC})
        GetDlgItem(id).EnableWindow(true);
    // A record file that could not be written has been removed by the engine
    // (with any earlier recording of that name): there is no recording to play
    // back or save. The engine told the user when it could not even start one.
    const bool failed = m_audio.RecordFileFailed();
    const bool tell = failed && m_bRecordingStarted;
    m_bRecorded = !failed && (m_bRecorded || m_bRecordingStarted);
    m_bRecordingStarted = false;
    m_nPage = Page::OutputListening;
    m_audio.m_nMode = kModeMonitor;
    if (listenAgain)
        (void)m_audio.Start(this);
    GetDlgItem(IDC_PLAY_MUSIC).EnableWindow(m_bRecorded);
    GetDlgItem(IDC_SAVE_OUTPUT_RECORDING).EnableWindow(m_bRecorded);
    if (tell)
        MessageBox(m_audio.RecordFileFailure(), "WizardAudio", MB_ICONERROR);
}

// The engine could not write the recording (a full disk): a recording still
// running ends at once. One that StopRecording judged whole, but whose last
// bytes the microphone thread wrote only after Stop gave up waiting for it, is
// withdrawn.
intptr_t CQuorvelVK550ConfigDlg::OnRecordFileFailed()
{
    if (!m_audio.RecordFileFailed())
        return 0;  // a new recording has started since
    if (m_nPage == Page::OutputRecording && m_bRecordingStarted) {
        StopRecording(true);
    } else if (m_nPage == Page::OutputListening && m_bRecorded) {
        m_bRecorded = false;
        GetDlgItem(IDC_PLAY_MUSIC).EnableWindow(false);
        GetDlgItem(IDC_SAVE_OUTPUT_RECORDING).EnableWindow(false);
        MessageBox(m_audio.RecordFileFailure(), "WizardAudio", MB_ICONERROR);
    }
    return 0;
}

void CQuorvelVK550ConfigDlg::OnPlayMusic()
{
    UseUnitSoundCard();
    m_audio.m_nMode = PageNumber(m_nPage);  // the page number is the engine's mode
    switch (m_nPage) {
    case Page::Speaker: ToggleTestSound(IDC_PLAY_MUSIC, IDC_PLAY_VOICE, "Play Music", "MusicPlayback.wav"); break;
    case Page::OutputListening: StartPlayback(); break;
    case Page::OutputPlayback: StopPlayback(); break;
    default: break;
    }
}

void CQuorvelVK550ConfigDlg::StartPlayback()
{
    m_audio.Stop();
    SetLevelRegisterFlag(m_protocol, kPlaybackRegister, true);
    (void)m_protocol.SetRoute(kRoutePlayback, kRouteNormal);
    m_nPage = Page::OutputPlayback;
    m_audio.m_nMode = kModePlayBack;
    SetLevelRegisterFlag(m_protocol, kSpeakerPlayRegister, true);
    GetDlgItem(IDC_PLAY_VOICE).EnableWindow(false);
    SetDlgItemText(IDC_PLAY_MUSIC, "Stop");
    m_audio.m_strPlayFile = RecordingPath();
    m_bPlaying = true;
    // A recording that cannot be played has been reported: back to listening.
    if (!m_audio.Start(this))
        StopPlayback();
}

// Back to listening; the speaker flag stays raised until the page is left.
void CQuorvelVK550ConfigDlg::StopPlayback()
{
    m_audio.Stop();
    SetLevelRegisterFlag(m_protocol, kPlaybackRegister, false);
    (void)m_protocol.SetRoute(kRouteNormal, kRouteNormal);
    m_nPage = Page::OutputListening;
    m_audio.m_nMode = kModeMonitor;
    m_bPlaying = false;
    GetDlgItem(IDC_PLAY_VOICE).EnableWindow(true);
    SetDlgItemText(IDC_PLAY_MUSIC, "Playback");
    m_audio.m_strPlayFile = RecordingPath();
    (void)m_audio.Start(this);
}

intptr_t CQuorvelVK550ConfigDlg::OnAudioDone()
{
    // The end of a sound that was stopped as its page was left arrives late:
    // on another page (the inputs page above all, whose loop would run a second
    // inputs page inside the first) it has nothing left to end.
    if (m_nPage != Page::Speaker && m_nPage != Page::OutputListening && m_nPage != Page::OutputRecording &&
        m_nPage != Page::OutputPlayback)
        return 0;
    if (m_nPage == Page::OutputPlayback) {
        OnPlayMusic();  // the recording has been played to its end: listen again
    } else {
        // A recording device that fails ends the recording with what it holds.
        if (m_nPage == Page::OutputRecording)
            StopRecording(false);
        m_audio.Stop();
        if (m_pin.Holds(m_protocol)) {
            (void)m_protocol.SetRoute(kRouteNormal, kRouteNormal);
            SetLevelRegisterFlag(m_protocol, kSpeakerPlayRegister, false);
        }
    }
    m_bPlaying = false;
    GetDlgItem(IDC_PLAY_VOICE).EnableWindow(true);
    GetDlgItem(IDC_PLAY_MUSIC).EnableWindow(true);
    ShowPage();
    return 0;
}

intptr_t CQuorvelVK550ConfigDlg::OnAudioBlock(WPARAM wParam, LPARAM lParam)
{
    if (lParam < 0) {
        // The recorded time reached the engine's limit, or no block came.
        // The mark goes to the unit being configured, never one opened since.
        if (m_pin.Holds(m_protocol) && m_protocol.GetProtocolVersion() >= 6 && m_audio.m_dTimeLimit == kInitialTimeLimit) {
            (void)m_protocol.WriteShortCommand(kTimeLimitCommand);
            m_audio.m_dTimeLimit = 5.0;
        }
        Clock().SleepMs(10);
        return 0;
    }
    if (m_nPage != Page::OutputListening && m_nPage != Page::OutputRecording)
        return 0;
    m_dPeakDb = BlockPeakDb(wParam, lParam);
    GetDlgItem(IDC_LEVEL_METER).SetPos(static_cast<int>(m_dPeakDb));
    return 0;
}

// The level of the first half of the block the engine has just copied, in dB
// of one step (0 for silence). Only our own engine's block is read: a message
// pointing anywhere else (it may have come from another program) counts as silence.
double CQuorvelVK550ConfigDlg::BlockPeakDb(WPARAM wParam, LPARAM lParam)
{
    if (m_audio.m_bRecording == 0 || wParam != reinterpret_cast<WPARAM>(&m_audio.m_pSamples))
        return 0.0;
    const auto lock = m_audio.LockSamples();
    const auto capacity = static_cast<LPARAM>(std::size(m_audio.m_Samples));
    const auto count = static_cast<size_t>(std::min(lParam / 4, capacity));
    int peak = 0;
    for (size_t i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(m_audio.m_pSamples[i])));
    return peak >= 1 ? 20.0 * std::log10(static_cast<double>(peak)) : 0.0;
}

void CQuorvelVK550ConfigDlg::SetSpeakerPlayFlag(bool on) { SetLevelRegisterFlag(m_protocol, kSpeakerPlayRegister, on); }

}  // namespace vk
