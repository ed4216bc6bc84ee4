// The echo figures of CWizardAudio: levels of two windows of a recorded echo
// test, read through a CWaveReader.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "audio/EchoFigures.h"
#include "audio/StrFormat.h"
#include "audio/WizardAudio.h"
#include "platform/ui/MessageBox.h"

namespace vk {
namespace {

// Frames per read: large blocks, so that a long window costs few reads and the
// reads go straight into our memory (past the file layer's own buffer).
constexpr uint32_t kBlockFrames = 32768;

static_assert(std::endian::native == std::endian::little, "samples are read in place as little-endian words");

// The sample count, sum and sum of squares of a window, exact.
struct WindowSums {
    uint64_t count = 0;
    int64_t sum = 0;
    uint64_t squares = 0;
};

// Adds up `count` samples, every `stride`-th word from `words`.
void AddUp(const int16_t* words, size_t count, size_t stride, WindowSums& sums)
{
    int64_t sum = 0;
    uint64_t squares = 0;
    for (size_t i = 0; i < count; ++i) {
        const int32_t x = words[i * stride];
        sum += x;
        squares += static_cast<uint32_t>(x * x);
    }
    sums.count += count;
    sums.sum += sum;
    sums.squares += squares;
}

// Reads the window's samples of the selected channel (channel 0: every sample
// of a mono file; 1: the left, any other: the right word of each 4-byte frame)
// in one pass. False when the data ends inside the window.
[[nodiscard]] bool SumWindow(CWaveReader& reader, int channel, uint64_t samples, WindowSums& sums)
{
    const uint32_t frameWords = channel == 0 ? 1 : 2;
    const size_t pick = channel == 0 || channel == 1 ? 0 : 1;
    const auto block = std::make_unique<int16_t[]>(size_t{kBlockFrames} * frameWords);
    while (samples > 0) {
        const auto frames = static_cast<uint32_t>(std::min<uint64_t>(samples, kBlockFrames));
        const uint32_t got = reader.Read(block.get(), frames * frameWords * 2);
        const uint32_t whole = std::min(got / (frameWords * 2), frames);  // a cut frame at the end is not a sample
        if (whole == 0)
            return false;
        AddUp(block.get() + pick, whole, frameWords, sums);
        samples -= whole;
    }
    return true;
}

enum class Seek { Done, Failed, BeyondEnd };

[[nodiscard]] Seek SeekToWindow(CWaveReader& reader, int channel, uint64_t start)
{
    const uint64_t offset = channel == 0 ? start : 2 * start;
    // No data chunk reaches that far: the window lies beyond the end of any file.
    if (offset > std::numeric_limits<uint32_t>::max())
        return Seek::BeyondEnd;
    return reader.SeekToData(static_cast<uint32_t>(offset)) ? Seek::Done : Seek::Failed;
}

void ShowReadError(const CWaveReader& reader)
{
    AfxMessageBox(StrFormat("Unable to read file: %s", reader.m_szPath), MB_OK | MB_ICONERROR, "Error");
}

void ShowBeyondEnd(const CWaveReader& reader)
{
    AfxMessageBox(StrFormat("File: %s\nFunction: %s", reader.m_szPath, "CalcRMS"), MB_OK,
                  "Trying to read beyond EOF:");
}

// False (after its message) when the window cannot be read.
[[nodiscard]] bool ReadWindow(CWaveReader& reader, int channel, uint64_t start, uint64_t samples, WindowSums& sums)
{
    switch (SeekToWindow(reader, channel, start)) {
    case Seek::Failed: ShowReadError(reader); return false;
    case Seek::BeyondEnd: ShowBeyondEnd(reader); return false;
    case Seek::Done: break;
    }
    if (!SumWindow(reader, channel, samples, sums)) {
        ShowBeyondEnd(reader);
        return false;
    }
    return true;
}

}  // namespace

bool CWizardAudio::OpenWaveFile(std::unique_ptr<CWaveReader>& slot, const std::string& path)
{
    slot.reset();
    try {
        slot = std::make_unique<CWaveReader>();
    } catch (const std::bad_alloc& failure) {
        AfxMessageBox(std::string(failure.what()).substr(0, 255), MB_OK, "Error");
        return false;
    }
    if (!slot->Open(path)) {
        AfxMessageBox(StrFormat("Unable to open file: %s", path.c_str()), MB_OK, "WaveOpen");
        return false;
    }
    return true;
}

// One pass over the window: the exact integer sums give the spread around the
// mean without a second reading of the file.
float CWizardAudio::CalcRMS(CWaveReader& reader, int channel, uint64_t start, uint64_t length)
{
    WindowSums sums;
    if (!ReadWindow(reader, channel, start, length / 2, sums))
        return 0.0f;
    const auto sigma = static_cast<float>(std::sqrt(EchoVariance(sums.count, sums.sum, sums.squares)));
    if (!(sigma > 0.0f))
        return kSilentLevel;
    return EchoLevelDb(sigma);
}

bool CWizardAudio::RunEchoTest(const std::string& path, double& figure, bool reduction)
{
    figure = 0.0;
    if (!OpenWaveFile(m_pCheckFile, path)) {
        m_pCheckFile.reset();
        return false;
    }
    CWaveReader& file = *m_pCheckFile;
    // Samples the figures cannot be computed from (not 16-bit PCM mono or
    // stereo) make the file as unusable as one that cannot be opened.
    if (!EchoFormatProblem(*file.m_pFormat).empty()) {
        AfxMessageBox(StrFormat("Unable to open file: %s", path.c_str()), MB_OK, "WaveOpen");
        m_pCheckFile.reset();
        return false;
    }
    const uint32_t rate = file.m_pFormat->nSamplesPerSec;
    const int channel = file.m_pFormat->nChannels == 1 ? 0 : 1;  // stereo: the left sample of each frame
    const EchoWindow a = EchoWindowA(rate);
    const EchoWindow b = EchoWindowB(rate);
    bool passed = false;
    if (reduction) {
        const float levelA = CalcRMS(file, channel, a.start, a.length);
        const float levelB = CalcRMS(file, channel, b.start, b.length);
        const float difference = levelA - levelB;
        figure = difference;
        passed = EchoReductionPasses(figure);
    } else {
        figure = CalcRMS(file, channel, b.start, b.length);
        // Little echo proves nothing when the test signal never reached the
        // microphone: a window A without any spread (a dead or disconnected
        // microphone, digital silence, an empty window) fails the test.
        passed = ResidualEchoPasses(figure) && CalcRMS(file, channel, a.start, a.length) != kSilentLevel;
    }
    file.Close();
    m_pCheckFile.reset();
    return passed;
}

bool CWizardAudio::EchoReductionTest(const std::string& path, double& figure)
{
    return RunEchoTest(path, figure, true);
}

bool CWizardAudio::ResidualEchoTest(const std::string& path, double& figure)
{
    return RunEchoTest(path, figure, false);
}

}  // namespace vk
