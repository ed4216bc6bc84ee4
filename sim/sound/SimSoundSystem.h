#pragma once
// Simulated sound devices and mixers for tests, benchmarks and --simulate.
//
// Recording and playback devices are listed in the order they were added (a
// removed one leaves the list; its open streams fail). A microphone delivers the
// signal the test chooses, either as fast as buffers are queued (each buffer is
// filled the moment the device may take it) or paced at real time. A speaker
// keeps what was played. Mixers have configurable lines and controls and log
// every value written.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sound/SoundSystem.h"
#include "sim/sound/SimSignal.h"

namespace vk {

enum class SimPacing { AsFastAsQueued, RealTime };

struct SimMixerControl {
    uint32_t dwControlID = 0;
    uint32_t dwControlType = 0;
    uint32_t fdwControl = 0;
    uint32_t cMultipleItems = 0;
    std::vector<uint32_t> values;          // per channel, or per list item
    std::vector<MIXERLISTTEXT> listTexts;  // list controls: one entry per item
};

struct SimMixerLine {
    uint32_t dwLineID = 0;
    uint32_t dwComponentType = 0;
    uint32_t cChannels = 1;
    std::string name;
    std::vector<SimMixerControl> controls;
    std::vector<SimMixerLine> sources;  // destinations only
    MMRESULT readResult = MMSYSERR_NOERROR;  // what reading this line answers
};

struct SimMixer {
    std::string name;
    MMRESULT capsResult = MMSYSERR_NOERROR;
    std::vector<SimMixerLine> destinations;
};

struct SimMixerWrite {
    uint32_t mixer = 0;
    uint32_t controlId = 0;
    std::vector<uint32_t> values;
    friend bool operator==(const SimMixerWrite&, const SimMixerWrite&) = default;
};

// A typical USB sound card's mixer: a wave-in destination (volume, mute) with a
// microphone source, and a speakers destination (volume, mute) with a wave-out source.
[[nodiscard]] SimMixer MakeSimCardMixer(const std::string& name);

struct SimDevice;

class CSimSoundSystem final : public ISoundSystem {
public:
    using DeviceId = int;  // stable handle of a simulated device
    struct Card {
        DeviceId in = -1;
        DeviceId out = -1;
        uint32_t mixer = 0;
    };

    CSimSoundSystem();
    ~CSimSoundSystem() override;

    DeviceId AddDevice(WaveDirection dir, const std::string& productName, uint32_t mixerId = 0,
                       MMRESULT mixerIdResult = MMSYSERR_NOERROR);
    void RemoveDevice(DeviceId id);
    // A sound card: a recording and a playback device with the same product name
    // and a mixer of their own (MakeSimCardMixer), as a unit brings along.
    Card AddCard(const std::string& productName);
    void RemoveCard(const Card& card);

    uint32_t AddMixer(SimMixer mixer);
    // Direct access for tests; not for use while other threads use the mixer.
    SimMixer& Mixer(uint32_t id);
    [[nodiscard]] std::vector<SimMixerWrite> MixerWrites() const;
    void ClearMixerWrites();
    // Called after every value written to a mixer control, on the writer's
    // thread, without any lock of this object held (empty: nobody listens).
    void SetWriteListener(std::function<void(const SimMixerWrite&)> listener);
    // Current values of a control, or empty when there is no such control.
    [[nodiscard]] std::vector<uint32_t> ControlValues(uint32_t mixer, uint32_t controlId) const;

    // Called (without any lock of this object held) before every device lookup,
    // so that devices may follow something else, e.g. simulated units on the bus.
    void SetBeforeLookup(std::function<void()> hook);

    void SetPacing(SimPacing pacing);
    void SetSignal(DeviceId microphone, std::shared_ptr<ISimSignal> signal);
    // The device moves this many more buffers (a microphone fills them, a speaker
    // plays them), then none (negative: no limit, the default). Buffers waiting
    // for a budget move at once, so a caller can pace the devices by its clock.
    void SetDeliveryBudget(DeviceId device, long long buffers);
    void SetOpenFails(DeviceId id, bool fails);
    // The device refuses buffers after accepting this many per stream (negative: never).
    void SetAcceptLimit(DeviceId id, int buffers);
    // A faulty driver: the microphone reports this many bytes more recorded than
    // each buffer it fills holds (0, the default: exactly what it filled).
    void SetOverReport(DeviceId microphone, uint32_t bytes);
    // Bytes played on a speaker so far, in the order played.
    [[nodiscard]] std::vector<uint8_t> Played(DeviceId speaker) const;
    // An echo of what `speaker` played, for a microphone: first channel, gain, delay in samples.
    [[nodiscard]] std::shared_ptr<ISimSignal> EchoOf(DeviceId speaker, double gain, uint64_t delay) const;

    // ISoundSystem
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

private:
    void BeforeLookup();
    template <typename Stream, typename Interface>
    MMRESULT Open(WaveDirection dir, uint32_t index, const WAVEFORMATEX& format, CWaveEvent& event,
                  std::unique_ptr<Interface>& stream);
    [[nodiscard]] std::shared_ptr<SimDevice> Listed(WaveDirection dir, uint32_t index) const;
    [[nodiscard]] std::shared_ptr<SimDevice> Find(DeviceId id) const;
    [[nodiscard]] const SimMixerLine* FindLine(uint32_t mixer, uint32_t lineId) const;
    [[nodiscard]] SimMixerControl* FindControl(uint32_t mixer, uint32_t controlId);

    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<SimDevice>> m_devices;  // in the order added
    std::vector<SimMixer> m_mixers;
    std::vector<SimMixerWrite> m_writes;
    DeviceId m_nextId = 0;
    std::shared_ptr<SimPacing> m_pacing;
    std::mutex m_hookMutex;
    std::function<void()> m_beforeLookup;
    std::function<void(const SimMixerWrite&)> m_writeListener;  // guarded by m_hookMutex
};

}  // namespace vk
