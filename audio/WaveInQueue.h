#pragma once
// A recording device opened with event notification around a ring of buffers
// the queue owns. The streaming loop belongs to the thread that uses the queue.

#include "audio/WaveQueue.h"

namespace vk {

class CWaveInQueue final : public CWaveQueue<IWaveInStream> {
public:
    CWaveInQueue() = default;
    ~CWaveInQueue();
    CWaveInQueue(const CWaveInQueue&) = delete;
    CWaveInQueue& operator=(const CWaveInQueue&) = delete;

    // Sets the count and reallocates the buffers at once with the current size.
    void SetCount(int n);
    // The plain system call, whatever the buffer's flags.
    bool Unprepare(CWaveBuffer* buffer);
    bool AddBuffer(CWaveBuffer* buffer);
    bool Start();
    bool Stop();
    // WAIT_OBJECT_0 or WAIT_TIMEOUT.
    [[nodiscard]] uint32_t Wait(uint32_t ms) { return m_event.Wait(ms); }
    [[nodiscard]] bool IsDone(const CWaveBuffer* buffer) const { return buffer && buffer->Has(WHDR_DONE); }
    // Prepares and queues every buffer in order; false at the first failure, after
    // the device has handed back the buffers it already took.
    [[nodiscard]] bool PrepareAndAddAll();
    // True when not open, or when every buffer was unprepared and the device closed.
    bool Close();
};

}  // namespace vk
