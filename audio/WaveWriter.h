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

    // Creates (or replaces) the file and writes its header; false when it
    // cannot be created, or its header cannot be written (Error() says why;
    // no file is left then).
    [[nodiscard]] bool Open(const std::string& path, const WAVEFORMATEX& format);
    // len, or -1 when the bytes could not be written (nothing of them counts then).
    int Write(const void* data, uint32_t len);
    // Fixes the sizes, pads an odd data chunk and closes the file; again: nothing.
    // With `sync` the data is put on the disk first. False when any write to the
    // file failed since Open (the file is then shorter than what was written).
    bool Close(bool sync = false);
    void Release();
    [[nodiscard]] bool IsOpen() const { return m_file.IsOpen(); }
    [[nodiscard]] uint32_t DataBytes() const { return m_dataBytes; }
    // The error number of the first write that failed (ENOSPC on a full disk), or 0.
    [[nodiscard]] int Error() const { return m_file.Error(); }
    [[nodiscard]] const std::string& Path() const { return m_path; }

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
