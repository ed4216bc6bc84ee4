#include "audio/WaveOutQueue.h"

#include "platform/clock/Clock.h"

namespace vk {

CWaveOutQueue::~CWaveOutQueue()
{
    // The device lets go of every buffer before the buffers are freed.
    if (m_hWaveOut)
        m_hWaveOut->Reset();
    Close();
}

bool CWaveOutQueue::SetFormat(const WAVEFORMATEX& format, int size)
{
    m_format.CopyFrom(format);
    m_nSize = size;
    m_buffers.clear();
    for (int i = 0; i < m_nCount; ++i)
        m_buffers.push_back(std::make_unique<CWaveBuffer>(static_cast<uint32_t>(size)));
    return true;
}

bool CWaveOutQueue::Open(const WAVEFORMATEX& format)
{
    if (m_bOpen)
        return false;
    std::unique_ptr<IWaveOutStream> stream;
    if (SoundSystem().OpenOut(m_uDeviceId, format, static_cast<uint32_t>(m_nSize), m_event, stream) != MMSYSERR_NOERROR || !stream)
        return false;
    m_hWaveOut = std::move(stream);
    m_bOpen = 1;
    return true;
}

CWaveBuffer* CWaveOutQueue::GetBuffer(int i) const
{
    if (i < 0 || static_cast<size_t>(i) >= m_buffers.size())
        return nullptr;
    return m_buffers[static_cast<size_t>(i)].get();
}

bool CWaveOutQueue::Prepare(CWaveBuffer* buffer)
{
    return buffer && m_hWaveOut && m_hWaveOut->Prepare(*buffer) == MMSYSERR_NOERROR;
}

bool CWaveOutQueue::Write(CWaveBuffer* buffer)
{
    return buffer && m_hWaveOut && m_hWaveOut->Write(*buffer) == MMSYSERR_NOERROR;
}

bool CWaveOutQueue::Unprepare(CWaveBuffer* buffer)
{
    if (!buffer)
        return false;
    if (!buffer->Has(WHDR_PREPARED))
        return true;
    if (!m_hWaveOut)
        return false;
    return m_hWaveOut->Unprepare(*buffer) == MMSYSERR_NOERROR;
}

void CWaveOutQueue::WaitDone(CWaveBuffer* buffer)
{
    if (!buffer)
        return;
    while (buffer->Has(WHDR_INQUEUE) && !buffer->Has(WHDR_DONE))
        Clock().SleepMs(1);
}

bool CWaveOutQueue::Reset()
{
    return m_hWaveOut && m_hWaveOut->Reset() == MMSYSERR_NOERROR;
}

bool CWaveOutQueue::Close()
{
    bool ok = true;
    for (auto& buffer : m_buffers) {
        if (buffer->Has(WHDR_PREPARED) && m_hWaveOut)
            ok = m_hWaveOut->Unprepare(*buffer) == MMSYSERR_NOERROR && ok;
    }
    if (m_bOpen) {
        m_hWaveOut.reset();  // closing the device detaches it from every buffer
        m_bOpen = 0;
    }
    return ok;
}

}  // namespace vk
