#pragma once
// The two value types the wave queues are built from, and the rule that sizes a
// stream's buffers from its sample rate.

#include <cstdint>
#include <memory>

#include "platform/sound/SoundTypes.h"

namespace vk {

// One PCM format block.
class CWaveFormat : public WAVEFORMATEX {
public:
    CWaveFormat() : CWaveFormat(1, 11025, 16) {}
    CWaveFormat(uint16_t channels, uint32_t rate, uint16_t bits);
    explicit CWaveFormat(const WAVEFORMATEX& other) { CopyFrom(other); }
    // Takes the six fields of another block; cbSize becomes 0.
    void CopyFrom(const WAVEFORMATEX& other);
};

// One buffer header that owns its zero-filled data block.
class CWaveBuffer : public WAVEHDR {
public:
    explicit CWaveBuffer(uint32_t size);
    CWaveBuffer(const CWaveBuffer&) = delete;
    CWaveBuffer& operator=(const CWaveBuffer&) = delete;

private:
    std::unique_ptr<uint8_t[]> m_data;
};

// Samples per block for a stream at `rate`; a buffer holds twice as many bytes.
[[nodiscard]] constexpr int WaveBlockLength(uint32_t rate)
{
    if (rate < 12000)
        return 1024;
    if (rate < 18000)
        return 2048;
    if (rate < 36000)
        return 4096;
    return 8192;
}
[[nodiscard]] constexpr int WaveBufferBytes(uint32_t rate) { return 2 * WaveBlockLength(rate); }
constexpr int kLargestWaveBuffer = 16384;

}  // namespace vk
