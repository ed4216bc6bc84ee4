#include "platform/sound/SoundSystem.h"

#include <atomic>

namespace vk {

std::string CutProductName(const std::string& name)
{
    return name.size() > kMaxProductNameLength ? name.substr(0, kMaxProductNameLength) : name;
}

namespace {

// A machine without sound devices.
class CNoSoundSystem final : public ISoundSystem {
public:
    uint32_t GetNumDevs(WaveDirection) override { return 0; }
    MMRESULT GetDevName(WaveDirection, uint32_t, std::string&) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT GetMixerId(WaveDirection, uint32_t, uint32_t&) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT OpenOut(uint32_t, const WAVEFORMATEX&, uint32_t, CWaveEvent&, std::unique_ptr<IWaveOutStream>&) override
    {
        return MMSYSERR_NODRIVER;
    }
    MMRESULT OpenIn(uint32_t, const WAVEFORMATEX&, uint32_t, CWaveEvent&, std::unique_ptr<IWaveInStream>&) override
    {
        return MMSYSERR_NODRIVER;
    }
    uint32_t MixerGetNumDevs() override { return 0; }
    MMRESULT MixerGetDevCaps(uint32_t, MIXERCAPS&) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT MixerGetDestination(uint32_t, uint32_t, MIXERLINE&) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT MixerGetSource(uint32_t, uint32_t, uint32_t, MIXERLINE&) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT MixerGetControlByType(uint32_t, uint32_t, uint32_t, MIXERCONTROL&) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT MixerGetValues(uint32_t, uint32_t, std::vector<uint32_t>&) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT MixerGetListText(uint32_t, uint32_t, std::vector<MIXERLISTTEXT>&) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT MixerSetValues(uint32_t, uint32_t, std::span<const uint32_t>) override { return MMSYSERR_BADDEVICEID; }
};

CNoSoundSystem g_none;
std::atomic<ISoundSystem*> g_system{&g_none};

}  // namespace

ISoundSystem& SoundSystem() { return *g_system.load(std::memory_order_acquire); }

void SetSoundSystem(ISoundSystem* system) { g_system.store(system ? system : &g_none, std::memory_order_release); }

}  // namespace vk
