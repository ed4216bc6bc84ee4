#include "audio/WaveWriter.h"

#include <algorithm>
#include <cstring>

#include <unistd.h>

#include "audio/WaveReader.h"

namespace vk {

namespace {

constexpr uint32_t kHeaderBytes = 46;  // RIFF, WAVE, "fmt " with 18 bytes, "data" header
constexpr uint32_t kDataSizeOffset = 42;
// The RIFF size field must still hold 38 + data + pad.
constexpr uint32_t kMaxDataBytes = 0xFFFFFFFFu - 40;

void PutLe32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

bool CWaveWriter::Open(const std::string& path, const WAVEFORMATEX& format)
{
    Close();
    m_path = path;
    if (!m_file.Create(path))
        return false;
    m_format = format;
    // Only these 18 bytes are written: the header must not claim extra format
    // bytes (as an extensible format block does) that the file does not hold.
    m_format.cbSize = 0;
    m_dataBytes = 0;
    uint8_t header[kHeaderBytes];
    std::memcpy(header, "RIFF", 4);
    PutLe32(header + 4, 0);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLe32(header + 16, sizeof(WAVEFORMATEX));
    std::memcpy(header + 20, &m_format, sizeof(WAVEFORMATEX));
    std::memcpy(header + 38, "data", 4);
    PutLe32(header + kDataSizeOffset, 0);
    // The header goes to disk at once: a file that is never closed still has
    // one, with both sizes 0. A disk with no room for it gets no file at all.
    if (!m_file.Write(header, sizeof header) || !m_file.Flush()) {
        m_file.Close();
        (void)::unlink(path.c_str());
        return false;
    }
    return true;
}

int CWaveWriter::Write(const void* data, uint32_t len)
{
    if (!m_file.IsOpen() || len > kMaxDataBytes - m_dataBytes || len > 0x7FFFFFFFu)
        return -1;
    if (!m_file.Write(data, len))
        return -1;
    m_dataBytes += len;
    return static_cast<int>(len);
}

bool CWaveWriter::Close(bool sync)
{
    if (!m_file.IsOpen())
        return m_file.Error() == 0;
    // The sizes describe what reached the disk: after a failed write (a full
    // disk, a size limit) they still match the file.
    (void)m_file.Flush();
    const uint64_t stored = m_file.StoredSize();
    uint32_t data = stored > kHeaderBytes ? static_cast<uint32_t>(std::min<uint64_t>(m_dataBytes, stored - kHeaderBytes)) : 0;
    uint32_t pad = data & 1;
    if (pad) {
        const uint8_t zero = 0;
        if (!m_file.Seek(kHeaderBytes + static_cast<uint64_t>(data)) || !m_file.Write(&zero, 1) || !m_file.Flush() ||
            m_file.StoredSize() < kHeaderBytes + static_cast<uint64_t>(data) + 1) {
            // No room for the pad byte: the odd last byte goes instead.
            --data;
            pad = 0;
            (void)m_file.Truncate(kHeaderBytes + static_cast<uint64_t>(data));
        }
    }
    uint8_t size[4];
    PutLe32(size, 38 + data + pad);
    if (m_file.Seek(4))
        (void)m_file.Write(size, 4);
    PutLe32(size, data);
    if (m_file.Seek(kDataSizeOffset))
        (void)m_file.Write(size, 4);
    m_dataBytes = data;
    if (sync)
        (void)m_file.Sync();
    m_file.Close();
    return m_file.Error() == 0;
}

void CWaveWriter::Release()
{
    Close();
    m_path.clear();
    m_path.shrink_to_fit();
}

bool CopyWaveFile(const std::string& from, const std::string& to)
{
    CWaveReader reader;
    if (!reader.Open(from))
        return false;
    CWaveWriter writer;
    if (!writer.Open(to, *reader.m_pFormat))
        return false;
    uint8_t piece[4096];
    bool written = true;
    while (reader.m_dwPosition < reader.m_dwDataSize) {
        const uint32_t n = reader.Read(piece, sizeof piece);
        if (n == 0)
            break;  // the file ended early: keep what was there
        if (writer.Write(piece, n) < 0) {
            written = false;  // a full disk: the copy is short, and says so
            break;
        }
    }
    writer.Close();
    reader.Close();
    return written;
}

}  // namespace vk
