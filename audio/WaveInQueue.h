#pragma once
// A recording device opened with event notification around a ring of buffers
// the queue owns. The streaming loop belongs to the thread that uses the queue.

#include <memory>
#include <vector>

#include "audio/WaveFormat.h"
#include "platform/sound/SoundSystem.h"

namespace vk {

class CWaveInQueue {
public:
    CWaveInQueue() = default;
    CWaveInQueue(const CWaveInQueue&) = delete;
    CWaveInQueue& operator=(const CWaveInQueue&) = delete;
    ~CWaveInQueue();

    bool SetFormat(const WAVEFORMATEX& format, int size);
    // Sets the count and reallocates the buffers at once with the current size.
    void SetCount(int n);
    void SetDeviceId(unsigned id) { m_uDeviceId = id; }
    [[nodiscard]] bool Open(const WAVEFORMATEX& format);
    [[nodiscard]] CWaveBuffer* GetBuffer(int i) const;
    bool Prepare(CWaveBuffer* buffer);
    bool Unprepare(CWaveBuffer* buffer);
    bool AddBuffer(CWaveBuffer* buffer);
    bool Start();
    bool Stop();
    bool Reset();
    void ResetEvent() { m_event.Reset(); }
    // WAIT_OBJECT_0 or WAIT_TIMEOUT.
    [[nodiscard]] uint32_t Wait(uint32_t ms) { return m_event.Wait(ms); }
    [[nodiscard]] bool IsDone(const CWaveBuffer* buffer) const { return buffer && buffer->Has(WHDR_DONE); }
    [[nodiscard]] int Count() const { return m_nCount; }
    // Prepares and queues every buffer in order; false at the first failure, after
    // the device has handed back the buffers it already took.
    [[nodiscard]] bool PrepareAndAddAll();
    // True when not open, or when every buffer was unprepared and the device closed.
    bool Close();

    [[nodiscard]] int Size() const { return m_nSize; }
    // The device went away under an open stream.
    [[nodiscard]] bool Failed() const { return m_hWaveIn && m_hWaveIn->Failed(); }
    [[nodiscard]] bool IsOpen() const { return m_bOpen != 0; }
    [[nodiscard]] unsigned DeviceId() const { return m_uDeviceId; }
    [[nodiscard]] const CWaveFormat& Format() const { return m_format; }

private:
    void Allocate();

    std::unique_ptr<IWaveInStream> m_hWaveIn;
    CWaveEvent m_event;
    unsigned m_uDeviceId = WAVE_MAPPER;
    int m_nCount = 10;
    int m_nSize = 1024;
    int m_bOpen = 0;
    CWaveFormat m_format;
    std::vector<std::unique_ptr<CWaveBuffer>> m_buffers;
};

}  // namespace vk
