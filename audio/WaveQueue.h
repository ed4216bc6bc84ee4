#pragma once
// What the playback and the recording queue have alike: a device opened with
// event notification around a ring of buffers the queue owns, its format and
// device id. Each queue adds the calls of its direction and keeps its own rules
// for SetCount, Unprepare and Close.

#include <memory>
#include <vector>

#include "audio/WaveFormat.h"
#include "platform/sound/SoundSystem.h"

namespace vk {

template <typename Stream>
class CWaveQueue {
public:
    CWaveQueue(const CWaveQueue&) = delete;
    CWaveQueue& operator=(const CWaveQueue&) = delete;

    // Copies the format, sets the buffer size and replaces all buffers.
    bool SetFormat(const WAVEFORMATEX& format, int size);
    void SetDeviceId(unsigned id) { m_uDeviceId = id; }
    // False when already open (nothing changes) or when the system refuses.
    [[nodiscard]] bool Open(const WAVEFORMATEX& format);
    // None past the last buffer.
    [[nodiscard]] CWaveBuffer* GetBuffer(int i) const;
    bool Prepare(CWaveBuffer* buffer);
    bool Reset();
    void ResetEvent() { m_event.Reset(); }

    [[nodiscard]] int Count() const { return m_nCount; }
    [[nodiscard]] int Size() const { return m_nSize; }
    // The device went away under an open stream.
    [[nodiscard]] bool Failed() const { return m_stream && m_stream->Failed(); }
    [[nodiscard]] bool IsOpen() const { return m_bOpen != 0; }
    [[nodiscard]] unsigned DeviceId() const { return m_uDeviceId; }
    [[nodiscard]] const CWaveFormat& Format() const { return m_format; }

protected:
    CWaveQueue() = default;
    ~CWaveQueue() = default;

    void Allocate();
    // Closing the device detaches it from every buffer.
    void CloseDevice();

    CWaveEvent m_event;
    unsigned m_uDeviceId = WAVE_MAPPER;
    int m_nCount = 10;
    int m_nSize = 1024;
    int m_bOpen = 0;
    CWaveFormat m_format;
    std::vector<std::unique_ptr<CWaveBuffer>> m_buffers;
    // Last, so it goes first: the device never outlives its event or buffers.
    std::unique_ptr<Stream> m_stream;
};

extern template class CWaveQueue<IWaveInStream>;
extern template class CWaveQueue<IWaveOutStream>;

}  // namespace vk
