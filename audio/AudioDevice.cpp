#include "audio/AudioDevice.h"

#include "audio/StrFormat.h"
#include "platform/ui/MessageBox.h"

namespace vk {

int CAudioDevice::FindWaveInDevice(const std::string& pattern) { return FindWaveDevice(WaveDirection::In, pattern); }

int CAudioDevice::FindWaveOutDevice(const std::string& pattern) { return FindWaveDevice(WaveDirection::Out, pattern); }

int CAudioDevice::FindWaveDevice(WaveDirection dir, const std::string& pattern)
{
    ISoundSystem& sound = SoundSystem();
    const uint32_t n = sound.GetNumDevs(dir);
    std::string name;
    uint32_t index = 0;
    for (; index < n; ++index) {
        if (sound.GetDevName(dir, index, name) == MMSYSERR_NOERROR && ProductNameMatches(name, pattern))
            break;
    }
    if (index == n)
        return -1;

    uint32_t mixer = 0;
    if (sound.GetMixerId(dir, index, mixer) != MMSYSERR_NOERROR)
        mixer = 0;
    if (index > 0 && mixer == 0) {
        // Some drivers report mixer 0 for every device; then the device's own
        // index is the best guess, as long as there are that many mixers.
        bool allZero = true;
        for (uint32_t j = 0; j < n && allZero; ++j) {
            uint32_t other = 0;
            allZero = sound.GetMixerId(dir, j, other) == MMSYSERR_NOERROR && other == 0;
        }
        if (allZero && sound.MixerGetNumDevs() > index)
            mixer = index;
    }
    m_iCard = static_cast<int>(mixer);
    m_strName = name;
    return m_iCard;
}

int CAudioDevice::FindLineNumber(int kind)
{
    ISoundSystem& sound = SoundSystem();
    if (sound.MixerGetNumDevs() == 0)
        return -1;
    const auto card = static_cast<uint32_t>(m_iCard);
    MIXERCAPS caps;
    if (sound.MixerGetDevCaps(card, caps) != MMSYSERR_NOERROR) {
        AfxMessageBox("No mixers \n", MB_OK, "FindLineNumber");
        return -1;
    }
    for (uint32_t i = 0; i < caps.cDestinations; ++i) {
        MIXERLINE line;
        const MMRESULT rc = sound.MixerGetDestination(card, i, line);
        if (rc == MMSYSERR_NOERROR) {
            const uint32_t type = line.dwComponentType;
            if (kind == 0 && type == MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
                return static_cast<int>(i);
            if (kind == 1 &&
                (type == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS || type == MIXERLINE_COMPONENTTYPE_DST_UNDEFINED))
                return static_cast<int>(i);
            continue;
        }
        const char* what = nullptr;
        switch (rc) {
        case MMSYSERR_BADDEVICEID: what = "MMSYSERR_BADDEVICEID"; break;
        case MMSYSERR_INVALHANDLE: what = "MMSYSERR_INVALHANDLE"; break;
        case MMSYSERR_NODRIVER: what = "MMSYSERR_NODRIVER"; break;
        case MMSYSERR_INVALFLAG: what = "MMSYSERR_INVALFLAG"; break;
        case MMSYSERR_INVALPARAM: what = "MMSYSERR_INVALPARAM"; break;
        case MIXERR_INVALLINE: what = "MIXERR_INVALLINE"; break;
        default: break;
        }
        const std::string text =
            what ? StrFormat("mixerGetLineInfo Error %s %d:  m_iCard = %d   mxLine.dwDestination = %d   \n", what,
                             static_cast<int>(rc), m_iCard, static_cast<int>(i))
                 : StrFormat("mixerGetLineInfo Error %d:  m_iCard = %d   mxLine.dwDestination = %d   \n",
                             static_cast<int>(rc), m_iCard, static_cast<int>(i));
        AfxMessageBox(text, MB_OK, "FindLineNumber");
    }
    return -1;
}

}  // namespace vk
