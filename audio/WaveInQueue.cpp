#include "audio/WaveInQueue.h"

namespace vk {

CWaveInQueue::~CWaveInQueue()
{
    // The device lets go of every buffer before the buffers are freed.
    Reset();
    Close();
}

void CWaveInQueue::SetCount(int n)
{
    m_nCount = n;
    Allocate();
}

bool CWaveInQueue::Unprepare(CWaveBuffer* buffer)
{
    return buffer && m_stream && m_stream->Unprepare(*buffer) == MMSYSERR_NOERROR;
}

bool CWaveInQueue::AddBuffer(CWaveBuffer* buffer)
{
    return buffer && m_stream && m_stream->AddBuffer(*buffer) == MMSYSERR_NOERROR;
}

bool CWaveInQueue::Start() { return m_stream && m_stream->Start() == MMSYSERR_NOERROR; }

bool CWaveInQueue::Stop() { return m_stream && m_stream->Stop() == MMSYSERR_NOERROR; }

bool CWaveInQueue::PrepareAndAddAll()
{
    for (auto& buffer : m_buffers) {
        if (!Prepare(buffer.get()) || !AddBuffer(buffer.get())) {
            Reset();  // the caller frees the queue next: take the queued buffers back first
            return false;
        }
    }
    return true;
}

bool CWaveInQueue::Close()
{
    if (!m_bOpen)
        return true;
    bool ok = true;
    for (auto& buffer : m_buffers)
        ok = (m_stream->Unprepare(*buffer) == MMSYSERR_NOERROR) && ok;
    CloseDevice();
    return ok;
}

}  // namespace vk
