#pragma once
// The sound seam on a PulseAudio server (or PipeWire's pulse server).
//
// Each sink is a playback device whose mixer has a speakers destination (volume
// per channel, mute) with a wave-out source line; each source that is not a
// monitor is a recording device whose mixer has a wave-in destination (volume,
// mute) with a microphone source line. Playback mixers come first (one per
// sink, in device order), then recording mixers. The device list follows the
// server through a subscription. Streams are pinned to their device: when it
// goes, they fail instead of moving to another one.

#include <functional>
#include <memory>
#include <string>

#include "platform/sound/SoundSystem.h"

namespace vk {

class CPulseSoundSystem final : public ISoundSystem {
public:
    CPulseSoundSystem();
    ~CPulseSoundSystem() override;
    CPulseSoundSystem(const CPulseSoundSystem&) = delete;
    CPulseSoundSystem& operator=(const CPulseSoundSystem&) = delete;

    // Connects to the server (empty: the usual one, e.g. $PULSE_SERVER) and reads
    // the device lists; false when there is no server.
    [[nodiscard]] bool Connect(const std::string& server = "");
    // Called on the sound thread after the device list changed; it must not call
    // back into this object (post a message instead).
    void SetDevicesChanged(std::function<void()> onChange);
    // Server-side names of the listed devices, for tools and tests.
    [[nodiscard]] std::string ServerName(WaveDirection dir, uint32_t index);

    uint32_t GetNumDevs(WaveDirection dir) override;
    MMRESULT GetDevName(WaveDirection dir, uint32_t index, std::string& productName) override;
    MMRESULT GetMixerId(WaveDirection dir, uint32_t index, uint32_t& mixerId) override;
    MMRESULT OpenOut(uint32_t index, const WAVEFORMATEX& format, uint32_t bufferBytes, CWaveEvent& event,
                     std::unique_ptr<IWaveOutStream>& stream) override;
    MMRESULT OpenIn(uint32_t index, const WAVEFORMATEX& format, uint32_t bufferBytes, CWaveEvent& event,
                    std::unique_ptr<IWaveInStream>& stream) override;
    uint32_t MixerGetNumDevs() override;
    MMRESULT MixerGetDevCaps(uint32_t mixer, MIXERCAPS& caps) override;
    MMRESULT MixerGetDestination(uint32_t mixer, uint32_t destination, MIXERLINE& line) override;
    MMRESULT MixerGetSource(uint32_t mixer, uint32_t destination, uint32_t source, MIXERLINE& line) override;
    MMRESULT MixerGetControlByType(uint32_t mixer, uint32_t lineId, uint32_t controlType,
                                   MIXERCONTROL& control) override;
    MMRESULT MixerGetValues(uint32_t mixer, uint32_t controlId, std::vector<uint32_t>& values) override;
    MMRESULT MixerGetListText(uint32_t mixer, uint32_t controlId, std::vector<MIXERLISTTEXT>& entries) override;
    MMRESULT MixerSetValues(uint32_t mixer, uint32_t controlId, std::span<const uint32_t> values) override;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace vk
