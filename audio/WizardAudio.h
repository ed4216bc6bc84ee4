#pragma once
// CWizardAudio: the test-audio engine. It plays a WAV file to the unit's speaker
// and records the unit's microphone, each on a worker thread of its own, and
// reports to its owner's window only by posting messages. It also computes the
// echo figures of a recorded echo test.
//
// Sharing between the owner's window thread and the workers: the run flags,
// the mode and the time limit are atomics; the record file and the copy of the
// last block each sit behind a short lock. The owner holds LockSamples() while
// it reads the block that a WM_APP+2 message points to.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/WaveFormat.h"
#include "audio/WaveReader.h"
#include "audio/WaveWriter.h"
#include "platform/post/MessageTarget.h"

namespace vk {

// WM_APP+1: wParam 0 from the speaker thread (end of file or device failure),
// 1 from the microphone thread (its device could not be opened or take its
// buffers); lParam 0.
constexpr uint32_t WM_AUDIO_DONE = WM_APP + 1;
// WM_APP+2: wParam is the address of a pointer to the last block's samples;
// lParam the block's byte count, or one of the two values below.
constexpr uint32_t WM_AUDIO_BLOCK = WM_APP + 2;
constexpr LPARAM kBlockTimeLimit = -1;  // the recorded time has reached m_dTimeLimit
// Three one-second waits passed without a block, or the recording device went
// away (the thread then ends).
constexpr LPARAM kBlockMissing = -2;

// WM_APP+3: the microphone thread could not write the record file (a full disk):
// wParam is the system's error number, lParam 0. The engine has stopped writing
// and removed the file, so no partial recording is left; RecordFileFailure()
// says why. Posted once per record file.
constexpr uint32_t WM_AUDIO_WRITE_FAILED = WM_APP + 3;

constexpr int kModePlay = 5;
constexpr int kModeMonitor = 8;
constexpr int kModeRecord = 9;
constexpr int kModePlayBack = 10;

// The engine sets no limit of its own and the owners set none before recording;
// 2.0 s makes the wizard's one-time step from 2.0 to 5.0 on the first limit
// message happen, as its handler expects (see docs/audio-engine.md).
constexpr double kInitialTimeLimit = 2.0;

class CWizardAudio;

// Told of every Start and Stop of any engine, on the caller's thread, before the
// engine acts (tools that print what a program does, e.g. the scenario runner).
// When Start begins, a run that was not stopped has been told to end already, so
// its workers (WorkerThreads()) are the ones Start is about to wait for.
class IWizardAudioObserver {
public:
    virtual ~IWizardAudioObserver() = default;
    virtual void EngineStarted(const CWizardAudio& engine, int mode) = 0;
    virtual void EngineStopped(const CWizardAudio& engine) = 0;
    // A worker thread of the engine has been started (Start, on its caller's
    // thread): a tool that paces the workers knows which ones run, and that a
    // Start that failed before starting one left none.
    virtual void WorkerStarted(const CWizardAudio& /*engine*/, std::thread::id /*worker*/) {}
};
void SetWizardAudioObserver(IWizardAudioObserver* observer);  // nullptr: nobody is told

class CWizardAudio {
public:
    CWizardAudio();
    CWizardAudio(const CWizardAudio&) = delete;
    CWizardAudio& operator=(const CWizardAudio&) = delete;
    virtual ~CWizardAudio();

    // What the owner fills in before Start.
    std::string m_strRecordFile;
    std::string m_strPlayFile;
    std::string m_strInDevice;   // name pattern of the recording device
    std::string m_strOutDevice;  // name pattern of the playback device

    std::atomic<int> m_bRecording{0};  // the microphone thread runs while set
    std::atomic<int> m_bPlaying{0};    // the speaker thread runs while set
    std::atomic<double> m_dTimeLimit{kInitialTimeLimit};

    // Copy of the last recorded block; read it only under LockSamples().
    int16_t m_Samples[kLargestWaveBuffer / 2] = {};
    int16_t* m_pSamples = m_Samples;  // WM_APP+2 carries this pointer's address

    int m_nInDeviceId = -1;  // -1: the system's default device
    int m_nOutDeviceId = -1;
    int m_nSampleRate = 16000;
    std::atomic<int> m_nMode{0};  // kModePlay, kModeMonitor, kModeRecord, kModePlayBack; others start nothing
    IMessageTarget* m_hNotifyWnd = nullptr;

    // Starts what m_nMode asks for; false after a message box when a file or a
    // thread could not be set up. Device problems are reported by the threads.
    bool Start(IMessageTarget* hNotify);
    // Ends both threads and closes the play file; always 1.
    int Stop();
    // Replaces the record file writer by a new one on m_strRecordFile (its
    // folder is made when missing).
    bool OpenRecordFile();
    // Fixes the record file's chunk sizes and closes it; nothing when there is none.
    void CloseRecordFile();
    // Whether the last record file could not be written (since OpenRecordFile):
    // it has been removed then; and the text that tells the user why.
    [[nodiscard]] bool RecordFileFailed() const;
    [[nodiscard]] std::string RecordFileFailure() const;

    [[nodiscard]] std::unique_lock<std::mutex> LockSamples() { return std::unique_lock(m_samplesLock); }

    // The worker threads started and not yet joined; ask on the thread that
    // starts and stops the engine (a tool's clock lets a stopping engine's
    // workers, and only those, sleep without waiting for its time).
    [[nodiscard]] std::vector<std::thread::id> WorkerThreads() const;

    // Device lookups by name pattern over the current device lists.
    [[nodiscard]] int FindInDeviceId(const std::string& pattern);
    [[nodiscard]] int FindOutDeviceId(const std::string& pattern);
    void ProbePlayDevice();

    // Echo figures.
    [[nodiscard]] bool OpenWaveFile(std::unique_ptr<CWaveReader>& slot, const std::string& path);
    // Level of a window (start and length in bytes of the channel's samples) in dB
    // of full scale; 0.0 after a read failure, -1000.0 for a window without spread.
    [[nodiscard]] float CalcRMS(CWaveReader& reader, int channel, uint64_t start, uint64_t length);
    [[nodiscard]] bool EchoReductionTest(const std::string& path, double& figure);
    [[nodiscard]] bool ResidualEchoTest(const std::string& path, double& figure);

    std::unique_ptr<CWaveReader> m_pCheckFile;  // the file the echo figures read

private:
    // A worker thread whose end can be waited for with a time-out.
    struct Worker {
        std::thread thread;
        std::mutex mutex;
        std::condition_variable ended;
        bool finished = false;
    };

    [[nodiscard]] static bool Launch(Worker& worker, std::atomic<int>& runFlag, std::function<void()> body);
    // Waits up to ms for the worker to end and joins it; false when it still runs.
    static bool Await(Worker& worker, uint32_t ms);
    static void Join(Worker& worker);
    void TellWorkerStarted(const Worker& worker) const;

    void SpeakerThread(unsigned deviceId);
    void MicrophoneThread(int sampleRate, unsigned deviceId);
    void Post(uint32_t message, WPARAM wParam, LPARAM lParam);
    void StoreBlock(const uint8_t* data, uint32_t bytes);
    // The error number when the block could not be written (the file is gone then), else 0.
    [[nodiscard]] int AppendToRecordFile(const uint8_t* data, uint32_t bytes);
    // CloseRecordFile, telling the error number when the file could not be completed, else 0.
    [[nodiscard]] int EndRecordFile();
    // Lock held: closes the record file; the error number when it could not be completed, else 0.
    [[nodiscard]] int FinishRecordFile();
    // Lock held: the record file failed with `error`: removed, and remembered.
    void DropRecordFile(int error);
    [[nodiscard]] bool RunEchoTest(const std::string& path, double& figure, bool reduction);

    mutable std::mutex m_recordLock;  // the microphone thread writes blocks under it
    std::unique_ptr<CWaveWriter> m_pRecordFile;
    int m_recordError = 0;        // why the record file failed, under the lock
    std::string m_recordFailure;  // the text for the user, under the lock
    std::mutex m_samplesLock;
    CWaveReader m_PlayFile;  // used by the speaker thread between Start and Stop
    Worker m_microphone;
    Worker m_speaker;
};

}  // namespace vk
