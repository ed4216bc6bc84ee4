#pragma once
// Our own test recordings: 16-bit PCM RIFF files built byte by byte, so the
// tests do not depend on the writer under test, plus the tones that fill them.

#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace vk::testwav {

struct Chunk {
    std::string id;  // four characters
    std::vector<uint8_t> bytes;
};

inline void PutLE(std::vector<uint8_t>& out, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline Chunk FmtChunk(uint16_t channels, uint32_t rate)
{
    Chunk fmt{"fmt ", {}};
    PutLE(fmt.bytes, 1, 2);  // PCM
    PutLE(fmt.bytes, channels, 2);
    PutLE(fmt.bytes, rate, 4);
    PutLE(fmt.bytes, rate * channels * 2, 4);
    PutLE(fmt.bytes, channels * 2u, 2);
    PutLE(fmt.bytes, 16, 2);
    return fmt;
}

inline Chunk DataChunk(const std::vector<int16_t>& interleaved)
{
    Chunk data{"data", {}};
    data.bytes.reserve(interleaved.size() * 2);
    for (int16_t s : interleaved)
        PutLE(data.bytes, static_cast<uint16_t>(s), 2);
    return data;
}

inline void WriteChunks(const std::string& path, const std::vector<Chunk>& chunks)
{
    std::vector<uint8_t> body{'W', 'A', 'V', 'E'};
    for (const Chunk& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        PutLE(body, static_cast<uint32_t>(c.bytes.size()), 4);
        body.insert(body.end(), c.bytes.begin(), c.bytes.end());
        if (c.bytes.size() % 2 != 0)
            body.push_back(0);
    }
    std::vector<uint8_t> file{'R', 'I', 'F', 'F'};
    PutLE(file, static_cast<uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                static_cast<std::streamsize>(file.size()));
}

inline void WriteWav(const std::string& path, uint16_t channels, uint32_t rate, const std::vector<int16_t>& interleaved)
{
    WriteChunks(path, {FmtChunk(channels, rate), DataChunk(interleaved)});
}

// A sine of the given amplitude for samples [from, to) of a signal; the default
// frequency shares no period with the usual rates, so rounding to integers
// adds plain noise rather than a pattern.
inline void AddSine(std::vector<int16_t>& mono, uint32_t rate, size_t from, size_t to, double amplitude,
                    double hz = 997.0)
{
    for (size_t i = from; i < to && i < mono.size(); ++i)
        mono[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
}

// Interleaves two channels of equal length.
inline std::vector<int16_t> Stereo(const std::vector<int16_t>& left, const std::vector<int16_t>& right)
{
    std::vector<int16_t> out;
    out.reserve(left.size() * 2);
    for (size_t i = 0; i < left.size(); ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
    }
    return out;
}

}  // namespace vk::testwav
