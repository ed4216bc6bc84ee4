#pragma once
// What a simulated microphone hears, sample by sample from the start of a
// recording: silence, a sine, given samples, or what a simulated speaker played.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vk {

class ISimSignal {
public:
    virtual ~ISimSignal() = default;
    // Sample number `index` (from the start of the recording) at `rate` per second.
    [[nodiscard]] virtual int16_t Sample(uint64_t index, uint32_t rate) = 0;
};

class CSilenceSignal final : public ISimSignal {
public:
    int16_t Sample(uint64_t, uint32_t) override { return 0; }
};

class CSineSignal final : public ISimSignal {
public:
    CSineSignal(double frequency, double amplitude) : m_frequency(frequency), m_amplitude(amplitude) {}
    int16_t Sample(uint64_t index, uint32_t rate) override;

private:
    double m_frequency;
    double m_amplitude;
};

// Given samples (e.g. a recorded file), then silence.
class CSamplesSignal final : public ISimSignal {
public:
    explicit CSamplesSignal(std::vector<int16_t> samples) : m_samples(std::move(samples)) {}
    int16_t Sample(uint64_t index, uint32_t) override
    {
        return index < m_samples.size() ? m_samples[static_cast<size_t>(index)] : 0;
    }

private:
    std::vector<int16_t> m_samples;
};

// Given samples over and over (a room where somebody keeps talking).
class CLoopSignal final : public ISimSignal {
public:
    explicit CLoopSignal(std::vector<int16_t> samples) : m_samples(std::move(samples)) {}
    int16_t Sample(uint64_t index, uint32_t) override
    {
        return m_samples.empty() ? 0 : m_samples[static_cast<size_t>(index % m_samples.size())];
    }

private:
    std::vector<int16_t> m_samples;
};

// The played signal, scaled by `gain` and `delay` samples late: an echo path.
// `played` returns the first channel's sample number n of what the speaker has
// played so far, or nothing when it has not played that far.
class CEchoSignal final : public ISimSignal {
public:
    using PlayedSample = std::function<bool(uint64_t n, int16_t& sample)>;
    CEchoSignal(PlayedSample played, double gain, uint64_t delay)
        : m_played(std::move(played)), m_gain(gain), m_delay(delay)
    {
    }
    int16_t Sample(uint64_t index, uint32_t rate) override;

private:
    PlayedSample m_played;
    double m_gain;
    uint64_t m_delay;
};

}  // namespace vk
