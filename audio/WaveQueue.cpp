#include "audio/WaveQueue.h"

namespace vk {

namespace {

// The system call that opens a stream of the queue's direction.
MMRESULT OpenStream(unsigned id, const WAVEFORMATEX& format, uint32_t bytes, CWaveEvent& event,
                    std::unique_ptr<IWaveInStream>& stream)
{
    return SoundSystem().OpenIn(id, format, bytes, event, stream);
}

MMRESULT OpenStream(unsigned id, const WAVEFORMATEX& format, uint32_t bytes, CWaveEvent& event,
                    std::unique_ptr<IWaveOutStream>& stream)
{
    return SoundSystem().OpenOut(id, format, bytes, event, stream);
}

}  // namespace

template <typename Stream>
void CWaveQueue<Stream>::Allocate()
{
    m_buffers.clear();
    for (int i = 0; i < m_nCount; ++i)
        m_buffers.push_back(std::make_unique<CWaveBuffer>(static_cast<uint32_t>(m_nSize)));
}

template <typename Stream>
bool CWaveQueue<Stream>::SetFormat(const WAVEFORMATEX& format, int size)
{
    m_format.CopyFrom(format);
    m_nSize = size;
    Allocate();
    return true;
}

template <typename Stream>
bool CWaveQueue<Stream>::Open(const WAVEFORMATEX& format)
{
    if (m_bOpen)
        return false;
    std::unique_ptr<Stream> stream;
    if (OpenStream(m_uDeviceId, format, static_cast<uint32_t>(m_nSize), m_event, stream) != MMSYSERR_NOERROR || !stream)
        return false;
    m_stream = std::move(stream);
    m_bOpen = 1;
    return true;
}

template <typename Stream>
CWaveBuffer* CWaveQueue<Stream>::GetBuffer(int i) const
{
    if (i < 0 || static_cast<size_t>(i) >= m_buffers.size())
        return nullptr;
    return m_buffers[static_cast<size_t>(i)].get();
}

template <typename Stream>
bool CWaveQueue<Stream>::Prepare(CWaveBuffer* buffer)
{
    return buffer && m_stream && m_stream->Prepare(*buffer) == MMSYSERR_NOERROR;
}

template <typename Stream>
bool CWaveQueue<Stream>::Reset()
{
    return m_stream && m_stream->Reset() == MMSYSERR_NOERROR;
}

template <typename Stream>
void CWaveQueue<Stream>::CloseDevice()
{
    m_stream.reset();
    m_bOpen = 0;
}

template class CWaveQueue<IWaveInStream>;
template class CWaveQueue<IWaveOutStream>;

}  // namespace vk
