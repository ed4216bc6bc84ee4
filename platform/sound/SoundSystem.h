#pragma once
// The sound seam: recording and playback devices by index (in the order the
// system lists them), the mixer that belongs to each, mixer lines and controls,
// and streams that take buffers and hand them back with WHDR_DONE set and the
// stream's event signalled.

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/sound/SoundTypes.h"
#include "platform/sound/WaveEvent.h"

namespace vk {

enum class WaveDirection { In, Out };

// Shared by both stream kinds: a buffer must be prepared before it is queued and
// cannot be unprepared while the device holds it.
class IWaveStream {
public:
    virtual ~IWaveStream() = default;
    virtual MMRESULT Prepare(WAVEHDR& hdr) = 0;
    virtual MMRESULT Unprepare(WAVEHDR& hdr) = 0;
    // Hands back every buffer the device holds, marked done.
    virtual MMRESULT Reset() = 0;
    // The stream is gone for good (its device was removed); queued buffers fail.
    [[nodiscard]] virtual bool Failed() const = 0;
};

class IWaveOutStream : public IWaveStream {
public:
    // Queues a prepared buffer for playing; it is done once the device has taken its data.
    virtual MMRESULT Write(WAVEHDR& hdr) = 0;
};

class IWaveInStream : public IWaveStream {
public:
    // Queues a prepared buffer; it is done when full, or at Stop/Reset with what it holds.
    virtual MMRESULT AddBuffer(WAVEHDR& hdr) = 0;
    virtual MMRESULT Start() = 0;
    virtual MMRESULT Stop() = 0;
};

class ISoundSystem {
public:
    virtual ~ISoundSystem() = default;

    [[nodiscard]] virtual uint32_t GetNumDevs(WaveDirection dir) = 0;
    // The product name, cut to kMaxProductNameLength characters.
    virtual MMRESULT GetDevName(WaveDirection dir, uint32_t index, std::string& productName) = 0;
    // The id of the mixer that belongs to wave device `index`.
    virtual MMRESULT GetMixerId(WaveDirection dir, uint32_t index, uint32_t& mixerId) = 0;

    // Opens a stream on device `index` (WAVE_MAPPER: the default device). The
    // stream signals `event` whenever it finishes a buffer; the event must outlive
    // it. `bufferBytes` is the size of the buffers the caller will queue: the
    // device moves data in pieces of that size.
    virtual MMRESULT OpenOut(uint32_t index, const WAVEFORMATEX& format, uint32_t bufferBytes, CWaveEvent& event,
                             std::unique_ptr<IWaveOutStream>& stream) = 0;
    virtual MMRESULT OpenIn(uint32_t index, const WAVEFORMATEX& format, uint32_t bufferBytes, CWaveEvent& event,
                            std::unique_ptr<IWaveInStream>& stream) = 0;

    [[nodiscard]] virtual uint32_t MixerGetNumDevs() = 0;
    virtual MMRESULT MixerGetDevCaps(uint32_t mixer, MIXERCAPS& caps) = 0;
    virtual MMRESULT MixerGetDestination(uint32_t mixer, uint32_t destination, MIXERLINE& line) = 0;
    virtual MMRESULT MixerGetSource(uint32_t mixer, uint32_t destination, uint32_t source, MIXERLINE& line) = 0;
    // The line's control of one type (MIXER_GETLINECONTROLSF_ONEBYTYPE).
    virtual MMRESULT MixerGetControlByType(uint32_t mixer, uint32_t lineId, uint32_t controlType,
                                           MIXERCONTROL& control) = 0;
    // Values: one per channel, or one per list item for list controls.
    virtual MMRESULT MixerGetValues(uint32_t mixer, uint32_t controlId, std::vector<uint32_t>& values) = 0;
    virtual MMRESULT MixerGetListText(uint32_t mixer, uint32_t controlId, std::vector<MIXERLISTTEXT>& entries) = 0;
    virtual MMRESULT MixerSetValues(uint32_t mixer, uint32_t controlId, std::span<const uint32_t> values) = 0;
};

// The process-wide sound system: none (no devices at all) until a host or test installs one.
ISoundSystem& SoundSystem();
void SetSoundSystem(ISoundSystem* system);  // nullptr restores the empty one

}  // namespace vk
