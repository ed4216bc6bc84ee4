#include "audio/WaveOutQueue.h"

#include "platform/clock/Clock.h"

namespace vk {

CWaveOutQueue::~CWaveOutQueue()
{
    // The device lets go of every buffer before the buffers are freed.
    Reset();
    Close();
}

bool CWaveOutQueue::Write(CWaveBuffer* buffer)
{
    return buffer && m_stream && m_stream->Write(*buffer) == MMSYSERR_NOERROR;
}

bool CWaveOutQueue::Unprepare(CWaveBuffer* buffer)
{
    if (!buffer)
        return false;
    if (!buffer->Has(WHDR_PREPARED))
        return true;
    if (!m_stream)
        return false;
    return m_stream->Unprepare(*buffer) == MMSYSERR_NOERROR;
}

void CWaveOutQueue::WaitDone(CWaveBuffer* buffer)
{
    if (!buffer)
        return;
    while (buffer->Has(WHDR_INQUEUE) && !buffer->Has(WHDR_DONE))
        Clock().SleepMs(1);
}

bool CWaveOutQueue::Close()
{
    bool ok = true;
    for (auto& buffer : m_buffers) {
        if (buffer->Has(WHDR_PREPARED) && m_stream)
            ok = m_stream->Unprepare(*buffer) == MMSYSERR_NOERROR && ok;
    }
    if (m_bOpen)
        CloseDevice();
    return ok;
}

}  // namespace vk
