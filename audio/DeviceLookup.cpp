#include "audio/DeviceLookup.h"

#include "audio/AudioDevice.h"
#include "audio/WaveOutQueue.h"
#include "platform/clock/Clock.h"

namespace vk {

namespace {

int FindIndex(WaveDirection dir, const std::string& pattern)
{
    ISoundSystem& sound = SoundSystem();
    const uint32_t n = sound.GetNumDevs(dir);
    std::string name;
    for (uint32_t i = 0; i < n; ++i) {
        if (sound.GetDevName(dir, i, name) == MMSYSERR_NOERROR && ProductNameMatches(name, pattern))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

int FindInDeviceIndex(const std::string& pattern) { return FindIndex(WaveDirection::In, pattern); }

int FindOutDeviceIndex(const std::string& pattern)
{
    const int index = FindIndex(WaveDirection::Out, pattern);
    return index != -1 ? index : FindIndex(WaveDirection::Out, kMakerPrefix);
}

int ProbePlayDeviceIndex(const std::string& pattern)
{
    int index = -1;
    for (int attempt = 0; attempt < 40; ++attempt) {
        index = FindOutDeviceIndex(pattern);
        if (index != -1)
            break;
        Clock().SleepMs(500);
    }
    // One open and close wakes the device up before the engine streams to it.
    const CWaveFormat format(1, 16000, 16);
    CWaveOutQueue queue;
    queue.SetCount(4);
    queue.SetFormat(format, 1024);
    queue.SetDeviceId(index == -1 ? WAVE_MAPPER : static_cast<unsigned>(index));
    (void)queue.Open(format);
    queue.Close();
    return index;
}

}  // namespace vk
