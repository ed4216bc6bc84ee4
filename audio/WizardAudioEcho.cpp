// The echo figures of CWizardAudio: levels of two windows of a recorded echo
// test, read through a CWaveReader.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "audio/EchoFigures.h"
#include "audio/StrFormat.h"
#include "audio/WizardAudio.h"
#include "platform/ui/MessageBox.h"

namespace vk {
namespace {

constexpr uint32_t kPieceSamples = 1024;  // 2048 bytes of channel data per read
// 20 x log10(32768): a full-scale square wave reads about 0 dB.
constexpr double kFullScaleDb = 90.309;

[[nodiscard]] int16_t SampleAt(const uint8_t* bytes)
{
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | bytes[1] << 8));
}

// Hands the window's samples of the selected channel to visit, piece by piece
// (bytes of 16-bit little-endian samples and their count). False when the data
// ends inside the window.
template <typename Visit>
[[nodiscard]] bool ForEachPiece(CWaveReader& reader, int channel, uint64_t samples, Visit&& visit)
{
    uint8_t piece[4 * kPieceSamples];  // a stereo read takes two words per channel sample
    while (samples > 0) {
        const auto wanted = static_cast<uint32_t>(std::min<uint64_t>(samples, kPieceSamples));
        const uint32_t words = channel == 0 ? wanted : 2 * wanted;
        const uint32_t got = std::min(reader.ReadChannel(piece, words, channel) / 2, wanted);
        if (got == 0)
            return false;
        visit(piece, got);
        samples -= got;
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

// Both passes read the same window; false (after its message) when one cannot.
template <typename Visit>
[[nodiscard]] bool ReadWindow(CWaveReader& reader, int channel, uint64_t start, uint64_t samples, Visit&& visit)
{
    switch (SeekToWindow(reader, channel, start)) {
    case Seek::Failed: ShowReadError(reader); return false;
    case Seek::BeyondEnd: ShowBeyondEnd(reader); return false;
    case Seek::Done: break;
    }
    if (!ForEachPiece(reader, channel, samples, visit)) {
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

float CWizardAudio::CalcRMS(CWaveReader& reader, int channel, uint64_t start, uint64_t length)
{
    const uint64_t samples = length / 2;
    // Sums of 16-bit samples stay far below 2^53, so an integer sum is exactly
    // the double sum, in any order; it just runs faster.
    int64_t sum = 0;
    const auto addUp = [&](const uint8_t* bytes, uint32_t count) {
        int64_t pieceSum = 0;
        for (uint32_t i = 0; i < count; ++i)
            pieceSum += SampleAt(bytes + 2 * i);
        sum += pieceSum;
    };
    if (!ReadWindow(reader, channel, start, samples, addUp))
        return 0.0f;
    const double mean = static_cast<double>(sum) / static_cast<double>(samples);

    double squares = 0.0;
    const auto addSquares = [&](const uint8_t* bytes, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            const double deviation = SampleAt(bytes + 2 * i) - mean;
            squares += deviation * deviation;
        }
    };
    if (!ReadWindow(reader, channel, start, samples, addSquares))
        return 0.0f;

    // Fewer than two samples have no spread to speak of.
    const double variance = samples > 1 ? squares / static_cast<double>(samples - 1) : 0.0;
    const auto sigma = static_cast<float>(std::sqrt(variance));
    if (!(sigma > 0.0f))
        return kSilentLevel;
    return static_cast<float>(20.0 * std::log10(sigma) - kFullScaleDb);
}

bool CWizardAudio::RunEchoTest(const std::string& path, double& figure, bool reduction)
{
    figure = 0.0;
    if (!OpenWaveFile(m_pCheckFile, path)) {
        m_pCheckFile.reset();
        return false;
    }
    CWaveReader& file = *m_pCheckFile;
    const uint32_t rate = file.m_pFormat->nSamplesPerSec;
    const int channel = file.m_pFormat->nChannels == 1 ? 0 : 1;  // any other count: left of a stereo frame
    const EchoWindow b = EchoWindowB(rate);
    if (reduction) {
        const EchoWindow a = EchoWindowA(rate);
        const float levelA = CalcRMS(file, channel, a.start, a.length);
        const float levelB = CalcRMS(file, channel, b.start, b.length);
        const float difference = levelA - levelB;
        figure = difference;
    } else {
        figure = CalcRMS(file, channel, b.start, b.length);
    }
    file.Close();
    m_pCheckFile.reset();
    return reduction ? EchoReductionPasses(figure) : ResidualEchoPasses(figure);
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
