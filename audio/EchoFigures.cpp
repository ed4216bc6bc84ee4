#include "audio/EchoFigures.h"

#include "audio/StrFormat.h"

#include <cmath>
#include <cstring>

namespace vk {

uint64_t EchoWindowBytes(float seconds, uint32_t rate)
{
    const double bytes = (static_cast<double>(seconds) * rate + 0.5) * 2.0;
    return static_cast<uint64_t>(bytes) & ~uint64_t{1};
}

float EchoLevelDb(float sigma)
{
    // 20 x log10(32768): a full-scale square wave reads about 0 dB.
    constexpr double kFullScaleDb = 90.309;
    // log10 of a float argument would pick the float overload and land one
    // float step away from the double result for many values.
    return static_cast<float>(20.0 * std::log10(static_cast<double>(sigma)) - kFullScaleDb);
}

double EchoVariance(uint64_t count, int64_t sum, uint64_t squares)
{
    if (count < 2)
        return 0.0;
    // Split the mean into its integer part q and the remainder r / count, so
    // that sum of (x - q)^2 is an exact integer; then
    // sum of (x - mean)^2 = sum of (x - q)^2 - r^2 / count.
    const auto n = static_cast<int64_t>(count);
    int64_t q = sum / n;
    if (sum % n != 0 && sum < 0)
        --q;  // floor, so that 0 <= r < count
    const int64_t r = sum - q * n;
    // Exact modulo 2^64; the true value lies in [0, 2^63).
    const uint64_t uq = static_cast<uint64_t>(q);
    const uint64_t aroundQ = squares - 2 * uq * static_cast<uint64_t>(sum) + count * uq * uq;
    const double remainder = static_cast<double>(r) * static_cast<double>(r) / static_cast<double>(count);
    const double deviations = static_cast<double>(aroundQ) - remainder;
    return deviations > 0.0 ? deviations / static_cast<double>(count - 1) : 0.0;
}

std::string EchoFormatProblem(const WAVEFORMATEX& format)
{
    constexpr uint16_t kExtensible = 0xFFFE;
    constexpr size_t kExtensibleBytes = 22;  // valid bits, channel mask, sub-format
    bool pcm = format.wFormatTag == WAVE_FORMAT_PCM;
    if (format.wFormatTag == kExtensible && format.cbSize >= kExtensibleBytes) {
        // The sub-format's first four bytes name the coding: 1 is PCM.
        uint32_t subFormat = 0;
        std::memcpy(&subFormat, reinterpret_cast<const uint8_t*>(&format) + sizeof(WAVEFORMATEX) + 6, 4);
        pcm = subFormat == WAVE_FORMAT_PCM;
    }
    if (!pcm)
        return StrFormat("not PCM (format tag 0x%04X)", format.wFormatTag);
    if (format.wBitsPerSample != 16)
        return StrFormat("%u bits per sample (needs 16)", format.wBitsPerSample);
    if (format.nChannels != 1 && format.nChannels != 2)
        return StrFormat("%u channels (needs 1 or 2)", format.nChannels);
    if (format.nBlockAlign != 2 * format.nChannels)
        return StrFormat("block align %u (needs %u)", format.nBlockAlign, 2u * format.nChannels);
    return {};
}

EchoWindow EchoWindowA(uint32_t rate) { return {EchoWindowBytes(0.2f, rate), EchoWindowBytes(1.8f, rate)}; }

EchoWindow EchoWindowB(uint32_t rate) { return {EchoWindowBytes(2.2f, rate), EchoWindowBytes(1.8f, rate)}; }

std::string FormatEchoReport(double reduction, bool reductionPassed, double residual, bool residualPassed)
{
    return StrFormat("\n\r For new units: Echo Reduction is %5.1fdB - %s the test.  Limit is %5.1fdB        \n\r",
                  reduction, reductionPassed ? "Passed" : "Failed", kEchoReductionLimit) +
           StrFormat("\n\r For old units: Residual Echo is %5.1fdB - %s the test.  Limit is %5.1fdB             ",
                  residual, residualPassed ? "Passed" : "Failed", kResidualEchoLimit);
}

}  // namespace vk
