#pragma once
// A playback device opened with event notification around a ring of buffers the
// queue owns. The streaming loop belongs to the thread that uses the queue.

#include "audio/WaveQueue.h"

namespace vk {

class CWaveOutQueue final : public CWaveQueue<IWaveOutStream> {
public:
    CWaveOutQueue() = default;
    ~CWaveOutQueue();
    CWaveOutQueue(const CWaveOutQueue&) = delete;
    CWaveOutQueue& operator=(const CWaveOutQueue&) = delete;

    // Takes effect at the next SetFormat.
    void SetCount(int n) { m_nCount = n; }
    bool Write(CWaveBuffer* buffer);
    // True when the buffer is not prepared or was unprepared now; false while the device plays it.
    bool Unprepare(CWaveBuffer* buffer);
    // Polls every 1 ms until the device is done with the buffer. A buffer the
    // device does not hold (never written, or refused) counts as done.
    void WaitDone(CWaveBuffer* buffer);
    // Unprepares every prepared buffer, then closes the device if open.
    bool Close();
};

}  // namespace vk
