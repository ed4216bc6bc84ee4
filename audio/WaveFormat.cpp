#include "audio/WaveFormat.h"

namespace vk {

CWaveFormat::CWaveFormat(uint16_t channels, uint32_t rate, uint16_t bits)
{
    wFormatTag = WAVE_FORMAT_PCM;
    nChannels = channels;
    nSamplesPerSec = rate;
    nBlockAlign = static_cast<uint16_t>((bits / 8) * channels);
    nAvgBytesPerSec = static_cast<uint32_t>(bits / 8) * channels * rate;
    wBitsPerSample = bits;
    cbSize = 0;
}

void CWaveFormat::CopyFrom(const WAVEFORMATEX& other)
{
    wFormatTag = other.wFormatTag;
    nChannels = other.nChannels;
    nSamplesPerSec = other.nSamplesPerSec;
    nAvgBytesPerSec = other.nAvgBytesPerSec;
    nBlockAlign = other.nBlockAlign;
    wBitsPerSample = other.wBitsPerSample;
    cbSize = 0;
}

CWaveBuffer::CWaveBuffer(uint32_t size) : m_data(new uint8_t[size]())
{
    lpData = m_data.get();
    dwBufferLength = size;
}

}  // namespace vk
