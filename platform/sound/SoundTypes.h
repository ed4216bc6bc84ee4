#pragma once
// The vocabulary of the sound seam: result codes, the PCM format block and the
// buffer header the wave queues hand to a device, and the mixer model. Numbers
// and layouts are the classic Windows ones: the WAV files carry the format block
// as it is, and the ported audio logic is written with these names.

#include <atomic>
#include <cstdint>
#include <string>

namespace vk {

using MMRESULT = uint32_t;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;
constexpr MMRESULT MIXERR_INVALLINE = 1024;
constexpr MMRESULT MIXERR_INVALCONTROL = 1025;

// Device id that stands for the system's default device.
constexpr uint32_t WAVE_MAPPER = 0xFFFFFFFFu;

// Product names are cut to this many characters, as Windows device lists cut
// them; the device name patterns (the last playback one is cut) rely on it.
constexpr size_t kMaxProductNameLength = 31;
[[nodiscard]] std::string CutProductName(const std::string& name);

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// The 18-byte little-endian format block, byte for byte as it stands in a file.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "the format block is 18 bytes on disk and in memory");

constexpr uint32_t WHDR_DONE = 0x01;      // the device has finished with the buffer
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_INQUEUE = 0x10;   // the device holds the buffer

// One buffer header. The device sets dwBytesRecorded and then WHDR_DONE from its
// own thread; the flags are atomic so the owner may poll them, and it reads
// dwBytesRecorded only after it has seen WHDR_DONE.
struct WAVEHDR {
    uint8_t* lpData = nullptr;
    uint32_t dwBufferLength = 0;
    uint32_t dwBytesRecorded = 0;
    uintptr_t dwUser = 0;
    std::atomic<uint32_t> dwFlags{0};
    uint32_t dwLoops = 0;
    WAVEHDR* lpNext = nullptr;
    uintptr_t reserved = 0;

    [[nodiscard]] bool Has(uint32_t flag) const { return (dwFlags.load(std::memory_order_acquire) & flag) != 0; }
};

// Mixer model: destinations, their sources, and controls found by type.
constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_UNDEFINED = 0;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_LINE = 0x1002;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008;

constexpr uint32_t MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MIXER = 0x71010001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_SINGLESELECT = 0x70010000;
constexpr uint32_t MIXERCONTROL_CONTROLF_DISABLED = 0x80000000u;

struct MIXERCAPS {
    std::string szPname;
    uint32_t cDestinations = 0;
};

struct MIXERLINE {
    uint32_t dwDestination = 0;
    uint32_t dwSource = 0;
    uint32_t dwLineID = 0;
    uint32_t dwComponentType = 0;
    uint32_t cChannels = 0;
    uint32_t cConnections = 0;
    uint32_t cControls = 0;
    std::string szName;
};

struct MIXERCONTROL {
    uint32_t dwControlID = 0;
    uint32_t dwControlType = 0;
    uint32_t fdwControl = 0;
    uint32_t cMultipleItems = 0;
};

// One entry of a selection list: dwParam1 is the line id of the entry.
struct MIXERLISTTEXT {
    uint32_t dwParam1 = 0;
    uint32_t dwParam2 = 0;
    std::string szName;
};

}  // namespace vk
