#pragma once
// Reads a RIFF WAVE file: keeps its format block and hands out the bytes of its
// "data" chunk from any offset. Never hands out bytes from outside that chunk.

#include <cstdint>
#include <memory>
#include <string>

#include "audio/BufferedFile.h"
#include "platform/sound/SoundTypes.h"

namespace vk {

struct RiffChunk {
    uint32_t ckid = 0;
    uint32_t cksize = 0;
    uint32_t fccType = 0;
    uint64_t dwDataOffset = 0;  // where the chunk's data begins in the file
};

class CWaveReader {
public:
    CWaveReader() = default;
    CWaveReader(const CWaveReader&) = delete;
    CWaveReader& operator=(const CWaveReader&) = delete;
    virtual ~CWaveReader() { Close(); }

    [[nodiscard]] bool Open(const std::string& path);
    [[nodiscard]] bool SeekToData(uint32_t offset);
    // Bytes copied, at most len; 0 at the end of the data or on an error.
    [[nodiscard]] uint32_t Read(void* buffer, uint32_t len);
    // Reads count 16-bit words; for a channel other than 0 keeps, of every whole
    // stereo frame, the left (channel 1) or right sample, packed at the front.
    [[nodiscard]] uint32_t ReadChannel(void* buffer, uint32_t count, int channel);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_pFormat != nullptr; }

    WAVEFORMATEX* m_pFormat = nullptr;  // 18 + cbSize bytes while open
    uint32_t m_dwDataSize = 0;
    uint32_t m_dwPosition = 0;
    char m_szPath[200] = {};

private:
    [[nodiscard]] bool FindChunk(uint32_t id, uint64_t from, RiffChunk& chunk);
    void Fail();

    std::unique_ptr<uint8_t[]> m_formatBlock;
    CBufferedFile m_file;
    RiffChunk m_riff;
    RiffChunk m_fmt;
    RiffChunk m_data;
    uint32_t m_dwRemaining = 0;
};

[[nodiscard]] constexpr uint32_t FourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

}  // namespace vk
