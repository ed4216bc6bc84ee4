#pragma once
// A playback device opened with event notification around a ring of buffers the
// queue owns. The streaming loop belongs to the thread that uses the queue.

#include <memory>
#include <vector>

#include "audio/WaveFormat.h"
#include "platform/sound/SoundSystem.h"

namespace vk {

class CWaveOutQueue {
public:
    CWaveOutQueue() = default;
    CWaveOutQueue(const CWaveOutQueue&) = delete;
    CWaveOutQueue& operator=(const CWaveOutQueue&) = delete;
    virtual ~CWaveOutQueue();

    // Copies the format, sets the buffer size and replaces all buffers.
    bool SetFormat(const WAVEFORMATEX& format, int size);
    // Takes effect at the next SetFormat.
    void SetCount(int n) { m_nCount = n; }
    void SetDeviceId(unsigned id) { m_uDeviceId = id; }
    [[nodiscard]] bool Open(const WAVEFORMATEX& format);
    [[nodiscard]] CWaveBuffer* GetBuffer(int i) const;
    bool Prepare(CWaveBuffer* buffer);
    bool Write(CWaveBuffer* buffer);
    // True when the buffer is not prepared or was unprepared now; false while the device plays it.
    bool Unprepare(CWaveBuffer* buffer);
    // Polls every 1 ms until the device is done with the buffer. A buffer the
    // device does not hold (never written, or refused) counts as done.
    void WaitDone(CWaveBuffer* buffer);
    bool Reset();
    void ResetEvent() { m_event.Reset(); }
    bool Close();

    [[nodiscard]] int Count() const { return m_nCount; }
    [[nodiscard]] int Size() const { return m_nSize; }
    // The device went away under an open stream.
    [[nodiscard]] bool Failed() const { return m_hWaveOut && m_hWaveOut->Failed(); }
    [[nodiscard]] bool IsOpen() const { return m_bOpen != 0; }
    [[nodiscard]] unsigned DeviceId() const { return m_uDeviceId; }
    [[nodiscard]] const CWaveFormat& Format() const { return m_format; }

private:
    int m_nCount = 10;
    int m_nSize = 1024;
    unsigned m_uDeviceId = WAVE_MAPPER;
    int m_bOpen = 0;
    CWaveEvent m_event;
    CWaveFormat m_format;
    std::vector<std::unique_ptr<CWaveBuffer>> m_buffers;
    std::unique_ptr<IWaveOutStream> m_hWaveOut;
};

}  // namespace vk
