#include "app/RecordingCopy.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "audio/WaveReader.h"
#include "audio/WaveWriter.h"

namespace vk {

namespace {

constexpr uint32_t kChunkBytes = 4096;

// Copies the sample bytes; false when the destination refused some. A recording
// that ends before its header says (a read that delivers nothing) ends the copy
// with what it holds; the copy's sizes then describe exactly that.
bool CopySamples(CWaveReader& reader, CWaveWriter& writer, uint32_t& copied)
{
    uint8_t piece[kChunkBytes];
    uint32_t chunk = kChunkBytes;
    copied = 0;
    while (reader.m_dwPosition != reader.m_dwDataSize) {
        const uint32_t n = reader.Read(piece, chunk);
        if (n == 0)
            break;
        chunk = n;  // a short read is the last one
        if (writer.Write(piece, chunk) < 0)
            return false;
        copied += chunk;
    }
    return true;
}

// The finished file says it holds exactly what was copied.
bool IsCompleteCopy(const std::string& path, uint32_t copied)
{
    CWaveReader check;
    return check.Open(path) && check.m_dwDataSize == copied;
}

}  // namespace

RecordingCopyResult CopyRecording(const std::string& from, const std::string& to)
{
    CWaveReader reader;
    if (!reader.Open(from))
        return RecordingCopyResult::SourceUnreadable;

    const std::string partial = to + ".part";
    std::error_code ec;
    bool complete = false;
    {
        CWaveWriter writer;
        uint32_t copied = 0;
        if (writer.Open(partial, *reader.m_pFormat)) {
            const bool written = CopySamples(reader, writer, copied);
            writer.Close();
            complete = written && writer.DataBytes() == copied && IsCompleteCopy(partial, copied);
        }
    }
    reader.Close();
    if (complete) {
        std::filesystem::rename(partial, to, ec);
        complete = !ec;
    }
    if (!complete) {
        std::filesystem::remove(partial, ec);
        return RecordingCopyResult::DestinationUnwritable;
    }
    return RecordingCopyResult::Saved;
}

}  // namespace vk
