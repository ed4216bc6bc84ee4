#pragma once
// Writes a RIFF WAVE file: a header from an 18-byte format block, then the
// sample bytes as they come; the chunk sizes get their values at Close.

#include <cstdint>
#include <string>

#include "audio/BufferedFile.h"
#include "platform/sound/SoundTypes.h"

namespace vk {

class CWaveWriter {
public:
    CWaveWriter() = default;
    CWaveWriter(const CWaveWriter&) = delete;
    CWaveWriter& operator=(const CWaveWriter&) = delete;
    virtual ~CWaveWriter() { Release(); }

    // Creates (or replaces) the file; false when it cannot be created.
    [[nodiscard]] bool Open(const std::string& path, const WAVEFORMATEX& format);
    // len, or -1 when the bytes could not be written (nothing of them counts then).
    int Write(const void* data, uint32_t len);
    // Fixes the sizes, pads an odd data chunk and closes the file; again: nothing.
    void Close();
    void Release();
    [[nodiscard]] bool IsOpen() const { return m_file.IsOpen(); }
    [[nodiscard]] uint32_t DataBytes() const { return m_dataBytes; }

private:
    WAVEFORMATEX m_format{};
    CBufferedFile m_file;
    uint32_t m_dataBytes = 0;
    std::string m_path;
};

// Copies a finished recording to another file, piece by piece, as the wizard
// saves its recordings; false when either file cannot be opened.
[[nodiscard]] bool CopyWaveFile(const std::string& from, const std::string& to);

}  // namespace vk
