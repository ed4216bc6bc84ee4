#pragma once
// One search for a wave device by product name, the mixer that belongs to it,
// and the mixer destination line of a wanted kind.

#include <string>

#include "platform/sound/SoundSystem.h"

namespace vk {

class CAudioDevice {
public:
    CAudioDevice() = default;
    virtual ~CAudioDevice() = default;

    // The mixer id of the first recording device whose product name contains
    // `pattern` (case counts), or -1; on a match m_iCard and m_strName are set.
    int FindWaveInDevice(const std::string& pattern);
    int FindWaveOutDevice(const std::string& pattern);
    // Destination index on m_iCard of kind 0 (wave-in) or 1 (speakers), or -1.
    int FindLineNumber(int kind);

    int m_iCard = 0;
    std::string m_strName;

private:
    int FindWaveDevice(WaveDirection dir, const std::string& pattern);
};

// True when a device's product name matches a search pattern.
[[nodiscard]] inline bool ProductNameMatches(const std::string& productName, const std::string& pattern)
{
    return productName.find(pattern) != std::string::npos;
}

}  // namespace vk
