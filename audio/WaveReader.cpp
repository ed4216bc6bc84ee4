#include "audio/WaveReader.h"

#include <algorithm>
#include <cstring>

namespace vk {

namespace {

constexpr uint32_t kRiff = FourCC('R', 'I', 'F', 'F');
constexpr uint32_t kWave = FourCC('W', 'A', 'V', 'E');
constexpr uint32_t kFmt = FourCC('f', 'm', 't', ' ');
constexpr uint32_t kData = FourCC('d', 'a', 't', 'a');

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

}  // namespace

void CWaveReader::Fail()
{
    Close();
    m_dwRemaining = 0;
    m_dwDataSize = 0;
    m_dwPosition = 0;
}

bool CWaveReader::Open(const std::string& path)
{
    Close();
    const size_t keep = std::min(path.size(), sizeof(m_szPath) - 1);
    std::memcpy(m_szPath, path.data(), keep);
    m_szPath[keep] = '\0';
    m_dwRemaining = m_dwDataSize = m_dwPosition = 0;
    m_riff = m_fmt = m_data = RiffChunk{};

    if (!m_file.OpenRead(path))
        return false;
    uint8_t header[12];
    if (m_file.Read(header, sizeof header) != sizeof header || Le32(header) != kRiff || Le32(header + 8) != kWave) {
        Fail();
        return false;
    }
    m_riff = {kRiff, Le32(header + 4), kWave, 8};

    // The fields this reader takes must lie inside the "fmt " chunk.
    WAVEFORMATEX head;
    if (!FindChunk(kFmt, 12, m_fmt) || m_fmt.cksize < 16 || m_file.Read(&head, 16) != 16) {
        Fail();
        return false;
    }
    uint16_t cbSize = 0;
    if (head.wFormatTag != WAVE_FORMAT_PCM) {
        if (m_fmt.cksize < 18 || m_file.Read(&cbSize, 2) != 2 || m_fmt.cksize - 18 < cbSize) {
            Fail();
            return false;
        }
    }
    m_formatBlock.reset(new (std::nothrow) uint8_t[sizeof(WAVEFORMATEX) + cbSize]);
    if (!m_formatBlock) {
        Fail();
        return false;
    }
    head.cbSize = cbSize;
    std::memcpy(m_formatBlock.get(), &head, sizeof head);
    m_pFormat = reinterpret_cast<WAVEFORMATEX*>(m_formatBlock.get());
    if (cbSize > 0 && m_file.Read(m_formatBlock.get() + sizeof head, cbSize) != cbSize) {
        Fail();
        return false;
    }

    // A missing "data" chunk is not an error here; reads then give nothing.
    if (SeekToData(0))
        m_dwDataSize = m_data.cksize;
    return true;
}

bool CWaveReader::FindChunk(uint32_t id, uint64_t from, RiffChunk& chunk)
{
    // Only chunks that begin inside the RIFF chunk count.
    const uint64_t end = m_riff.dwDataOffset + m_riff.cksize;
    uint64_t pos = from;
    while (pos + 8 <= end) {
        uint8_t header[8];
        if (!m_file.Seek(pos) || m_file.Read(header, sizeof header) != sizeof header)
            return false;
        const uint32_t size = Le32(header + 4);
        if (Le32(header) == id) {
            // A chunk that claims more than its parent holds is cut at the parent's end.
            const uint64_t room = end - (pos + 8);
            chunk = {id, static_cast<uint32_t>(std::min<uint64_t>(size, room)), 0, pos + 8};
            return true;
        }
        pos += 8 + static_cast<uint64_t>(size) + (size & 1);
    }
    return false;
}

bool CWaveReader::SeekToData(uint32_t offset)
{
    m_dwRemaining = 0;
    if (!m_file.IsOpen() || !FindChunk(kData, 12, m_data))
        return false;
    m_dwRemaining = offset > m_data.cksize ? 0 : m_data.cksize - offset;
    m_dwPosition = offset;
    return m_file.Seek(m_data.dwDataOffset + std::min(offset, m_data.cksize));
}

uint32_t CWaveReader::Read(void* buffer, uint32_t len)
{
    const uint32_t granted = std::min(len, m_dwRemaining);
    m_dwRemaining -= granted;
    if (granted == 0 || m_file.Read(buffer, granted) != granted)
        return 0;
    m_dwPosition += granted;
    return granted;
}

uint32_t CWaveReader::ReadChannel(void* buffer, uint32_t count, int channel)
{
    const uint32_t bytes = Read(buffer, std::min<uint32_t>(count, 0x7FFFFFFF) * 2);
    if (channel == 0)
        return bytes;
    auto* samples = static_cast<uint8_t*>(buffer);
    const uint32_t frames = bytes / 4;
    const uint32_t pick = channel == 1 ? 0 : 2;
    for (uint32_t f = 0; f < frames; ++f)
        std::memmove(samples + 2 * f, samples + 4 * f + pick, 2);
    return frames * 2;
}

void CWaveReader::Close()
{
    m_pFormat = nullptr;
    m_formatBlock.reset();
    m_file.Close();
}

}  // namespace vk
