#include "sim/sound/SimSignal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vk {

namespace {
int16_t Clip(double v) { return static_cast<int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0))); }
}  // namespace

int16_t CSineSignal::Sample(uint64_t index, uint32_t rate)
{
    const double t = static_cast<double>(index) / static_cast<double>(rate ? rate : 1);
    return Clip(m_amplitude * std::sin(2.0 * std::numbers::pi * m_frequency * t));
}

int16_t CEchoSignal::Sample(uint64_t index, uint32_t)
{
    if (index < m_delay)
        return 0;
    int16_t played = 0;
    if (!m_played(index - m_delay, played))
        return 0;
    return Clip(m_gain * played);
}

}  // namespace vk
