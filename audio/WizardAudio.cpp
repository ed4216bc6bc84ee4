// The test-audio engine: Start, Stop, the record file and the two worker threads.

#include "audio/WizardAudio.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "audio/DeviceLookup.h"
#include "audio/RecordingCopy.h"
#include "audio/StrFormat.h"
#include "audio/WaveInQueue.h"
#include "audio/WaveOutQueue.h"
#include "platform/clock/Clock.h"
#include "platform/ui/MessageBox.h"

namespace vk {
namespace {

constexpr int kSpeakerBuffers = 4;
constexpr int kMicrophoneBuffers = 6;
constexpr uint32_t kBlockWaitMs = 1000;
constexpr int kWaitsBeforeMissing = 3;
constexpr uint32_t kMicrophoneStopMs = 3000;
constexpr uint32_t kSpeakerStopMs = 1000;

// Posting to no window in particular: the message is dropped, as the desktop
// window drops what it is sent.
class CDesktopWindow final : public IMessageTarget {
public:
    bool Post(uint32_t, WPARAM, LPARAM) override { return true; }
};

CDesktopWindow g_desktop;

// Debug texts for a developer watching the engine; silent unless asked for.
void OutputDebugText(const char* text)
{
    static const bool wanted = std::getenv("VK_DEBUG_OUTPUT") != nullptr;
    if (wanted)
        std::fputs(text, stderr);
}

// Above-normal priority where the system grants it; an ordinary user may only
// lower a thread's priority, so a refusal is expected and harmless.
void RaiseThreadPriority()
{
#if defined(__linux__)
    const auto thread = static_cast<id_t>(gettid());
    const int current = getpriority(PRIO_PROCESS, thread);
    (void)setpriority(PRIO_PROCESS, thread, current - 2);
#endif
}

[[nodiscard]] unsigned DeviceIdOf(int index) { return index < 0 ? WAVE_MAPPER : static_cast<unsigned>(index); }

}  // namespace

CWizardAudio::CWizardAudio() = default;

CWizardAudio::~CWizardAudio()
{
    // Owners stop the engine first; a worker that outlived Stop's wait ends here.
    m_bRecording = 0;
    m_bPlaying = 0;
    Join(m_microphone);
    Join(m_speaker);
    std::lock_guard lock(m_recordLock);
    if (m_pRecordFile)
        m_pRecordFile->Release();
    m_pRecordFile.reset();
    m_PlayFile.Close();
}

// ---- Start and Stop ---------------------------------------------------------

namespace {
std::atomic<IWizardAudioObserver*> g_observer{nullptr};
}  // namespace

void SetWizardAudioObserver(IWizardAudioObserver* observer) { g_observer.store(observer, std::memory_order_release); }

bool CWizardAudio::Start(IMessageTarget* hNotify)
{
    // Owners stop the engine before they start it again. A run that was not
    // stopped, or a worker that outlived Stop's wait, ends here: two runs never
    // share the engine's members. Its workers are told before the observer hears
    // of the start, as in Stop: a clock that lets them sleep at once must not
    // let one that still sees itself running report what never happened.
    const bool oldRun = m_microphone.thread.joinable() || m_speaker.thread.joinable();
    if (oldRun) {
        m_bRecording = 0;
        m_bPlaying = 0;
    }
    if (auto* observer = g_observer.load(std::memory_order_acquire))
        observer->EngineStarted(*this, m_nMode);
    if (oldRun) {
        Join(m_microphone);
        Join(m_speaker);
    }

    m_hNotifyWnd = hNotify ? hNotify : &g_desktop;
    m_nSampleRate = 16000;
    bool playback = false;
    bool recording = false;
    const int mode = m_nMode;
    if (mode == kModePlay || mode == kModePlayBack) {
        m_PlayFile.Close();
        if (!m_PlayFile.Open(m_strPlayFile)) {
            AfxMessageBox(StrFormat("Unable to open file: %s", m_strPlayFile.c_str()), MB_OK | MB_ICONERROR,
                          "WizardAudio");
            return false;
        }
        m_nSampleRate = static_cast<int>(m_PlayFile.m_pFormat->nSamplesPerSec);
        m_nOutDeviceId = FindOutDeviceId(m_strOutDevice);
        playback = true;
    }
    if (mode == kModeMonitor || mode == kModeRecord) {
        if (mode == kModeRecord && !OpenRecordFile())
            return false;
        m_nInDeviceId = FindInDeviceId(m_strInDevice);
        recording = true;
    }
    if (playback) {
        const unsigned device = DeviceIdOf(m_nOutDeviceId);
        if (!Launch(m_speaker, m_bPlaying, [this, device] { SpeakerThread(device); })) {
            AfxMessageBox("Unable to create SpeakerThread", MB_OK | MB_ICONERROR, "RecUtilDlg");
            return false;
        }
        TellWorkerStarted(m_speaker);
    }
    if (recording) {
        const int rate = m_nSampleRate;
        const unsigned device = DeviceIdOf(m_nInDeviceId);
        if (!Launch(m_microphone, m_bRecording, [this, rate, device] { MicrophoneThread(rate, device); })) {
            AfxMessageBox("Unable to create MicThread", MB_OK | MB_ICONERROR, "RecUtilDlg");
            return false;
        }
        TellWorkerStarted(m_microphone);
    }
    return true;
}

void CWizardAudio::TellWorkerStarted(const Worker& worker) const
{
    if (auto* observer = g_observer.load(std::memory_order_acquire))
        observer->WorkerStarted(*this, worker.thread.get_id());
}

std::vector<std::thread::id> CWizardAudio::WorkerThreads() const
{
    std::vector<std::thread::id> ids;
    for (const Worker* worker : {&m_microphone, &m_speaker})
        if (worker->thread.joinable())
            ids.push_back(worker->thread.get_id());
    return ids;
}

int CWizardAudio::Stop()
{
    // Both workers are told first, then the observer hears of it: a clock that
    // lets a stopping engine's sleeps pass at once must not let a worker that
    // still sees itself running wait out its whole silence limit and report a
    // missing block (or play its file to the end) that never happened.
    m_bRecording = 0;
    m_bPlaying = 0;
    if (auto* observer = g_observer.load(std::memory_order_acquire))
        observer->EngineStopped(*this);
    Await(m_microphone, kMicrophoneStopMs);
    // The speaker thread reads the play file until it ends; one that outlives
    // the wait leaves the file to the next Start or the destructor.
    if (Await(m_speaker, kSpeakerStopMs))
        m_PlayFile.Close();
    return 1;
}

bool CWizardAudio::Launch(Worker& worker, std::atomic<int>& runFlag, std::function<void()> body)
{
    {
        std::lock_guard lock(worker.mutex);
        worker.finished = false;
    }
    runFlag = 1;
    try {
        worker.thread = std::thread([&worker, body = std::move(body)] {
            // The thread shows itself to the clock first: a clock that paces the
            // workers (a test's) knows of it even when its device fails and it
            // ends at once, and may hold it there until the starting thread
            // lets the workers run.
            (void)Clock().NowMs();
            RaiseThreadPriority();
            body();
            {
                std::lock_guard lock(worker.mutex);
                worker.finished = true;
            }
            worker.ended.notify_all();
        });
    } catch (const std::system_error&) {
        runFlag = 0;
        return false;
    }
    return true;
}

bool CWizardAudio::Await(Worker& worker, uint32_t ms)
{
    if (!worker.thread.joinable())
        return true;
    {
        std::unique_lock lock(worker.mutex);
        if (!worker.ended.wait_for(lock, std::chrono::milliseconds(ms), [&] { return worker.finished; }))
            return false;
    }
    worker.thread.join();
    return true;
}

void CWizardAudio::Join(Worker& worker)
{
    if (worker.thread.joinable())
        worker.thread.join();
}

void CWizardAudio::Post(uint32_t message, WPARAM wParam, LPARAM lParam)
{
    m_hNotifyWnd->Post(message, wParam, lParam);
}

// ---- Record file ------------------------------------------------------------

bool CWizardAudio::OpenRecordFile()
{
    std::string failure;
    const char* caption = "WizardAudio";
    {
        std::lock_guard lock(m_recordLock);
        if (m_pRecordFile) {
            m_pRecordFile->Release();
            m_pRecordFile.reset();
        }
        try {
            m_pRecordFile = std::make_unique<CWaveWriter>();
        } catch (const std::bad_alloc& error) {
            failure = std::string(error.what()).substr(0, 255);
            caption = "Error";
        }
        m_recordError = 0;
        m_recordFailure.clear();
        // A new account has no recordings folder yet.
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(m_strRecordFile).parent_path(), ignored);
        const CWaveFormat format(1, static_cast<uint32_t>(m_nSampleRate), 16);
        if (m_pRecordFile && !m_pRecordFile->Open(m_strRecordFile, format)) {
            // Created, but no room for its header (the writer has removed it):
            // the old recording of that name is gone too.
            if (const int error = m_pRecordFile->Error()) {
                m_recordError = error;
                m_recordFailure = WriteFailureText(m_strRecordFile, error);
                failure = m_recordFailure;
            } else {
                failure = StrFormat("Unable to open file: %s", m_strRecordFile.c_str());
            }
        }
    }
    if (failure.empty())
        return true;
    // Shown after unlocking: the box waits for the user, and the microphone
    // thread (with the level meter it feeds) must not wait with it.
    AfxMessageBox(failure, MB_OK | MB_ICONERROR, caption);
    return false;
}

void CWizardAudio::CloseRecordFile() { (void)EndRecordFile(); }

int CWizardAudio::EndRecordFile()
{
    std::lock_guard lock(m_recordLock);
    return FinishRecordFile();
}

int CWizardAudio::FinishRecordFile()
{
    if (!m_pRecordFile || !m_pRecordFile->IsOpen())
        return 0;
    if (m_pRecordFile->Close())
        return 0;
    const int error = m_pRecordFile->Error() != 0 ? m_pRecordFile->Error() : EIO;
    DropRecordFile(error);
    return error;
}

void CWizardAudio::DropRecordFile(int error)
{
    (void)m_pRecordFile->Close();
    // A recording that lost blocks is no recording: nothing partial stays to be
    // played back or saved.
    std::error_code ignored;
    std::filesystem::remove(m_pRecordFile->Path(), ignored);
    m_recordError = error;
    m_recordFailure = WriteFailureText(m_pRecordFile->Path(), error);
}

bool CWizardAudio::RecordFileFailed() const
{
    std::lock_guard lock(m_recordLock);
    return m_recordError != 0;
}

std::string CWizardAudio::RecordFileFailure() const
{
    std::lock_guard lock(m_recordLock);
    return m_recordFailure;
}

int CWizardAudio::AppendToRecordFile(const uint8_t* data, uint32_t bytes)
{
    // The mode is read under the lock, so a block goes either to the file the
    // owner has opened or nowhere, never through a writer being replaced.
    std::lock_guard lock(m_recordLock);
    if (m_nMode == kModeMonitor || !m_pRecordFile || !m_pRecordFile->IsOpen())
        return 0;
    if (m_pRecordFile->Write(data, bytes) >= 0)
        return 0;
    // The file stops here (a full disk): the blocks go on to the owner's
    // window, and the owner ends its recording when it hears of it.
    const int error = m_pRecordFile->Error() != 0 ? m_pRecordFile->Error() : EIO;
    DropRecordFile(error);
    return error;
}

void CWizardAudio::StoreBlock(const uint8_t* data, uint32_t bytes)
{
    std::lock_guard lock(m_samplesLock);
    std::memcpy(m_Samples, data, std::min<size_t>(bytes, sizeof m_Samples));
}

// ---- Device lookups ---------------------------------------------------------

int CWizardAudio::FindInDeviceId(const std::string& pattern) { return FindInDeviceIndex(pattern); }

int CWizardAudio::FindOutDeviceId(const std::string& pattern) { return FindOutDeviceIndex(pattern); }

void CWizardAudio::ProbePlayDevice() { m_nOutDeviceId = ProbePlayDeviceIndex(m_strOutDevice); }

// ---- Speaker thread ---------------------------------------------------------

void CWizardAudio::SpeakerThread(unsigned deviceId)
{
    const WAVEFORMATEX& file = *m_PlayFile.m_pFormat;
    const CWaveFormat format(file.nChannels, file.nSamplesPerSec, file.wBitsPerSample);
    const int size = WaveBufferBytes(file.nSamplesPerSec);
    CWaveOutQueue queue;
    queue.SetCount(kSpeakerBuffers);
    queue.SetFormat(format, size);
    queue.SetDeviceId(deviceId);
    if (!queue.Open(format)) {
        Post(WM_AUDIO_DONE, 0, 0);
        AfxMessageBox("Unable to open USB device for playing\nStopping test", MB_OK | MB_ICONERROR, "SpeakerThread");
        return;
    }
    queue.ResetEvent();

    // Waits for the device while playback is wanted and the device is there;
    // false when told to stop.
    const auto waitWhilePlaying = [&](const auto& busy) {
        while (busy() && !queue.Failed()) {
            if (!m_bPlaying)
                return false;
            Clock().SleepMs(1);
        }
        return true;
    };

    std::vector<uint8_t> staging(kLargestWaveBuffer);
    CWaveBuffer* last = nullptr;
    bool ended = false;
    int next = 0;
    while (m_bPlaying) {
        if (ended) {
            Clock().SleepMs(100);
            continue;
        }
        const uint32_t bytes = queue.Failed() ? 0 : m_PlayFile.Read(staging.data(), static_cast<uint32_t>(size));
        CWaveBuffer* buffer = queue.GetBuffer(next);
        // The device hands the ring buffer back before it is filled again.
        if (bytes > 0 && !waitWhilePlaying([&] { return !queue.Unprepare(buffer); }))
            break;
        if (bytes > 0 && !queue.Failed()) {
            std::memcpy(buffer->lpData, staging.data(), bytes);
            buffer->dwBufferLength = bytes;
            queue.Prepare(buffer);
            next = (next + 1) % kSpeakerBuffers;
            queue.Write(buffer);
            last = buffer;
        } else {
            // The end of the file, a read error, or a device that went away.
            if (last && !waitWhilePlaying([&] { return last->Has(WHDR_INQUEUE) && !last->Has(WHDR_DONE); }))
                break;
            Clock().SleepMs(100);
            Post(WM_AUDIO_DONE, 0, 0);
            ended = true;
        }
    }
    queue.Reset();
    queue.Close();
    Clock().SleepMs(10);
    OutputDebugText("Exiting SpeakerThread()\n");
}

// ---- Microphone thread ------------------------------------------------------

void CWizardAudio::MicrophoneThread(int sampleRate, unsigned deviceId)
{
    const auto rate = static_cast<uint32_t>(sampleRate);
    const CWaveFormat format(1, rate, 16);
    CWaveInQueue queue;
    queue.SetCount(kMicrophoneBuffers);
    queue.SetFormat(format, WaveBufferBytes(rate));
    queue.SetDeviceId(deviceId);
    if (!queue.Open(format)) {
        AfxMessageBox(StrFormat("Unable to open device for recording, DevID=%d\n", static_cast<int>(deviceId)),
                      MB_OK | MB_ICONWARNING, "MicrophoneThread");
        Post(WM_AUDIO_DONE, 1, 0);
        CloseRecordFile();
        return;
    }
    if (!queue.PrepareAndAddAll()) {
        AfxMessageBox("Unable to create record Queue\nStopping test", MB_OK | MB_ICONWARNING, "MicrophoneThread");
        Post(WM_AUDIO_DONE, 1, 0);
        CloseRecordFile();
        return;
    }

    const auto samplesAddress = reinterpret_cast<WPARAM>(&m_pSamples);
    const double secondsPerByte = 1.0 / (2.0 * rate);
    double elapsed = 0.0;
    queue.ResetEvent();
    queue.Start();
    // A device that went away (unplugged, the unit re-enumerated, its stream
    // failed) delivers no more blocks: the owner hears of it as of a silent one,
    // by one "no block" message, and the thread ends. The inputs page closes
    // itself on that message; a device-failure message would leave it open.
    int i = 0;
    while (m_bRecording) {
        CWaveBuffer* buffer = queue.GetBuffer(i);
        // Waits look at the run flag too, so Stop ends a thread whose device has
        // gone quiet within one wait.
        int timeouts = 0;
        while (!queue.IsDone(buffer) && m_bRecording && !queue.Failed()) {
            if (queue.Wait(kBlockWaitMs) == WAIT_TIMEOUT && ++timeouts == kWaitsBeforeMissing)
                Post(WM_AUDIO_BLOCK, samplesAddress, kBlockMissing);
        }
        if (!m_bRecording)
            break;
        if (!queue.IsDone(buffer)) {
            if (timeouts < kWaitsBeforeMissing)  // else the message went out already
                Post(WM_AUDIO_BLOCK, samplesAddress, kBlockMissing);
            break;
        }
        queue.Unprepare(buffer);
        const uint32_t bytes = std::min<uint32_t>(buffer->dwBytesRecorded, buffer->dwBufferLength);
        elapsed += bytes * secondsPerByte;
        if (elapsed >= m_dTimeLimit)
            Post(WM_AUDIO_BLOCK, samplesAddress, kBlockTimeLimit);
        if (const int error = AppendToRecordFile(buffer->lpData, bytes))
            Post(WM_AUDIO_WRITE_FAILED, static_cast<WPARAM>(error), 0);
        StoreBlock(buffer->lpData, bytes);
        Post(WM_AUDIO_BLOCK, samplesAddress, static_cast<LPARAM>(bytes));
        queue.Prepare(buffer);
        if (!queue.AddBuffer(buffer)) {
            // A buffer the device did not take would still look done next time
            // round and repeat its old block; the device is gone.
            Post(WM_AUDIO_BLOCK, samplesAddress, kBlockMissing);
            break;
        }
        i = (i + 1) % queue.Count();
    }
    queue.Stop();
    queue.Reset();
    queue.Close();
    // The recording ends with the thread, by whatever path: the file gets its
    // final sizes now, whatever the mode was switched to last.
    if (const int error = EndRecordFile())
        Post(WM_AUDIO_WRITE_FAILED, static_cast<WPARAM>(error), 0);
    Clock().SleepMs(10);
    OutputDebugText("Exiting MicrophoneThread()\n");
}

}  // namespace vk
