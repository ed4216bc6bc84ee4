#include "audio/RecordingCopy.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "audio/StrFormat.h"
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

// The copy as it lies on the disk holds the recording's format and its first
// `copied` sample bytes, and nothing else.
bool ReadsBackAsTheRecording(const std::string& from, const std::string& copy, uint32_t copied)
{
    CWaveReader original;
    CWaveReader written;
    if (!original.Open(from) || !written.Open(copy) || written.m_dwDataSize != copied)
        return false;
    const WAVEFORMATEX& a = *original.m_pFormat;
    const WAVEFORMATEX& b = *written.m_pFormat;
    if (a.wFormatTag != b.wFormatTag || a.nChannels != b.nChannels || a.nSamplesPerSec != b.nSamplesPerSec ||
        a.nAvgBytesPerSec != b.nAvgBytesPerSec || a.nBlockAlign != b.nBlockAlign || a.wBitsPerSample != b.wBitsPerSample)
        return false;
    uint8_t expected[kChunkBytes];
    uint8_t found[kChunkBytes];
    for (uint32_t done = 0; done < copied;) {
        const uint32_t want = std::min<uint32_t>(kChunkBytes, copied - done);
        if (original.Read(expected, want) != want || written.Read(found, want) != want ||
            std::memcmp(expected, found, want) != 0)
            return false;
        done += want;
    }
    return true;
}

}  // namespace

RecordingCopyOutcome CopyRecording(const std::string& from, const std::string& to)
{
    CWaveReader reader;
    if (!reader.Open(from))
        return {RecordingCopyResult::SourceUnreadable, 0};

    const std::string partial = to + ".part";
    int error = 0;
    bool complete = false;
    uint32_t copied = 0;
    {
        CWaveWriter writer;
        errno = 0;
        if (writer.Open(partial, *reader.m_pFormat)) {
            const bool written = CopySamples(reader, writer, copied);
            complete = writer.Close(true) && written && writer.DataBytes() == copied;
            error = writer.Error();
        } else {
            error = writer.Error() != 0 ? writer.Error() : errno;  // could not even be created
        }
    }
    reader.Close();
    complete = complete && ReadsBackAsTheRecording(from, partial, copied);
    std::error_code ec;
    if (complete) {
        std::filesystem::rename(partial, to, ec);
        complete = !ec;
        if (ec)
            error = ec.value();
    }
    if (!complete) {
        std::filesystem::remove(partial, ec);
        return {RecordingCopyResult::DestinationUnwritable, error};
    }
    return {RecordingCopyResult::Saved, 0};
}

std::string WriteFailureText(const std::string& path, int error)
{
    return "Unable to write file: " + path + "\n" +
           (error != 0 ? ErrorText(error) : std::string("The file does not read back as it was written."));
}

std::string RecordingCopyFailureText(const RecordingCopyOutcome& outcome, const std::string& from,
                                     const std::string& to)
{
    switch (outcome.result) {
    case RecordingCopyResult::Saved: return {};
    case RecordingCopyResult::SourceUnreadable: return "Can't open file : \n" + from;
    case RecordingCopyResult::DestinationUnwritable: return WriteFailureText(to, outcome.error);
    }
    return {};
}

}  // namespace vk
