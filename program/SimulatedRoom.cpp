#include "program/SimulatedRoom.h"

#include <vector>

#include "audio/WaveReader.h"

namespace vk {

std::shared_ptr<ISimSignal> SimulatedRoom(const std::string& installDir)
{
    CWaveReader voice;
    if (!voice.Open(installDir + "WaveFiles/VoicePlayback.wav") || voice.m_pFormat->wBitsPerSample != 16 ||
        voice.m_pFormat->nChannels != 1)
        return std::make_shared<CSilenceSignal>();
    std::vector<int16_t> samples(voice.m_dwDataSize / 2);
    samples.resize(voice.Read(samples.data(), static_cast<uint32_t>(samples.size() * 2)) / 2);
    for (int16_t& s : samples)
        s = static_cast<int16_t>(s / 3);  // a speaker a little away from the microphone
    samples.resize(samples.size() + voice.m_pFormat->nSamplesPerSec * 2);  // a pause
    return std::make_shared<CLoopSignal>(std::move(samples));
}

}  // namespace vk
