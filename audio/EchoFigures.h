#pragma once
// The echo figures' fixed parts: where the two measuring windows lie in a
// recording, the pass limits and the report text the wizard and vk550ctl show.

#include <cstdint>
#include <string>

#include "platform/sound/SoundTypes.h"

namespace vk {

constexpr double kEchoReductionLimit = 30.0;  // dB or more passes
constexpr double kResidualEchoLimit = -45.0;  // dB or less passes

// The level reported for a window whose samples do not spread at all.
constexpr float kSilentLevel = -1000.0f;

// A window in bytes of the selected channel's 16-bit samples (both even).
struct EchoWindow {
    uint64_t start = 0;
    uint64_t length = 0;
    friend bool operator==(const EchoWindow&, const EchoWindow&) = default;
};

// Twice the nearest integer to seconds x rate. The seconds are 32-bit floats
// (0.2f is a little more than 0.2), which decides the rounding at some rates.
[[nodiscard]] uint64_t EchoWindowBytes(float seconds, uint32_t rate);

// 0.2 s to 2.0 s: the signal heard while the test signal plays.
[[nodiscard]] EchoWindow EchoWindowA(uint32_t rate);
// 2.2 s to 4.0 s: what is left of it afterwards.
[[nodiscard]] EchoWindow EchoWindowB(uint32_t rate);

// The level in dB of full scale of a spread (standard deviation) of 16-bit
// samples: 20 x log10(sigma) - 90.309, taken in double and rounded to float.
// Not defined for sigma <= 0 (the caller reports kSilentLevel).
[[nodiscard]] float EchoLevelDb(float sigma);

// The spread of samples from their count, sum and sum of squares (exact
// integers), divided by count - 1; 0 for fewer than two samples.
[[nodiscard]] double EchoVariance(uint64_t count, int64_t sum, uint64_t squares);

// Why the echo figures cannot be computed from a recording of this format, or
// empty when they can: they need 16-bit PCM samples, mono or stereo (left
// channel). `format` points to the whole format block (18 + cbSize bytes).
[[nodiscard]] std::string EchoFormatProblem(const WAVEFORMATEX& format);

[[nodiscard]] inline bool EchoReductionPasses(double figure) { return figure >= kEchoReductionLimit; }
[[nodiscard]] inline bool ResidualEchoPasses(double figure) { return figure <= kResidualEchoLimit; }

// The two lines of the "Echo Test Results" box, line 1 followed by line 2.
[[nodiscard]] std::string FormatEchoReport(double reduction, bool reductionPassed, double residual,
                                           bool residualPassed);

}  // namespace vk
