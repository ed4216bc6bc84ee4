#include "audio/WaveInQueue.h"

namespace vk {

CWaveInQueue::~CWaveInQueue()
{
    // The device lets go of every buffer before the buffers are freed.
    if (m_hWaveIn)
        m_hWaveIn->Reset();
    Close();
}

void CWaveInQueue::Allocate()
{
    m_buffers.clear();
    for (int i = 0; i < m_nCount; ++i)
        m_buffers.push_back(std::make_unique<CWaveBuffer>(static_cast<uint32_t>(m_nSize)));
}

bool CWaveInQueue::SetFormat(const WAVEFORMATEX& format, int size)
{
    m_format.CopyFrom(format);
    m_nSize = size;
    Allocate();
    return true;
}

void CWaveInQueue::SetCount(int n)
{
    m_nCount = n;
    Allocate();
}

bool CWaveInQueue::Open(const WAVEFORMATEX& format)
{
    if (m_bOpen)
        return false;
    std::unique_ptr<IWaveInStream> stream;
    if (SoundSystem().OpenIn(m_uDeviceId, format, static_cast<uint32_t>(m_nSize), m_event, stream) != MMSYSERR_NOERROR || !stream)
        return false;
    m_hWaveIn = std::move(stream);
    m_bOpen = 1;
    return true;
}

CWaveBuffer* CWaveInQueue::GetBuffer(int i) const
{
    if (i < 0 || static_cast<size_t>(i) >= m_buffers.size())
        return nullptr;
    return m_buffers[static_cast<size_t>(i)].get();
}

bool CWaveInQueue::Prepare(CWaveBuffer* buffer)
{
    return buffer && m_hWaveIn && m_hWaveIn->Prepare(*buffer) == MMSYSERR_NOERROR;
}

bool CWaveInQueue::Unprepare(CWaveBuffer* buffer)
{
    return buffer && m_hWaveIn && m_hWaveIn->Unprepare(*buffer) == MMSYSERR_NOERROR;
}

bool CWaveInQueue::AddBuffer(CWaveBuffer* buffer)
{
    return buffer && m_hWaveIn && m_hWaveIn->AddBuffer(*buffer) == MMSYSERR_NOERROR;
}

bool CWaveInQueue::Start() { return m_hWaveIn && m_hWaveIn->Start() == MMSYSERR_NOERROR; }

bool CWaveInQueue::Stop() { return m_hWaveIn && m_hWaveIn->Stop() == MMSYSERR_NOERROR; }

bool CWaveInQueue::Reset() { return m_hWaveIn && m_hWaveIn->Reset() == MMSYSERR_NOERROR; }

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
        ok = (m_hWaveIn->Unprepare(*buffer) == MMSYSERR_NOERROR) && ok;
    m_hWaveIn.reset();  // closing the device detaches it from every buffer
    m_bOpen = 0;
    return ok;
}

}  // namespace vk
