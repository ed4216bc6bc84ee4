#include "audio/AudioCtrl.h"

#include <algorithm>
#include <vector>

#include "platform/sound/SoundSystem.h"

namespace vk {

namespace {

bool Present(ISoundSystem& sound, uint32_t mixer, uint32_t lineId, uint32_t type, MIXERCONTROL& control)
{
    return sound.MixerGetControlByType(mixer, lineId, type, control) == MMSYSERR_NOERROR;
}

}  // namespace

bool CAudioCtrl::Init(uint32_t mixer, int destination, int source)
{
    ISoundSystem& sound = SoundSystem();
    m_uMixer = mixer;
    m_nDestination = destination;
    m_nSource = source;
    MIXERLINE line;
    const auto dest = static_cast<uint32_t>(destination);
    const MMRESULT rc = source == -1 ? sound.MixerGetDestination(mixer, dest, line)
                                     : sound.MixerGetSource(mixer, dest, static_cast<uint32_t>(source), line);
    if (rc != MMSYSERR_NOERROR || line.cControls == 0)
        return false;
    m_cChannels = line.cChannels;
    m_dwLineID = line.dwLineID;

    MIXERCONTROL volume;
    if (Present(sound, mixer, m_dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, volume) &&
        !(volume.fdwControl & MIXERCONTROL_CONTROLF_DISABLED))
        m_dwVolumeId = volume.dwControlID;

    FindSwitch();
    return m_dwVolumeId != kNone || m_nSwitchKind != kNoSwitch;
}

void CAudioCtrl::FindSwitch()
{
    ISoundSystem& sound = SoundSystem();
    MIXERCONTROL list;
    if (Present(sound, m_uMixer, m_dwLineID, MIXERCONTROL_CONTROLTYPE_MIXER, list)) {
        m_cMultipleItems = list.cMultipleItems;
    } else if (Present(sound, m_uMixer, m_dwLineID, MIXERCONTROL_CONTROLTYPE_MUX, list)) {
        m_bSingleSelect = 1;
        m_cMultipleItems = list.cMultipleItems;
    } else {
        // The line may be an entry of its destination's selection list.
        MIXERLINE destination;
        (void)sound.MixerGetDestination(m_uMixer, static_cast<uint32_t>(m_nDestination), destination);
        int single = -1;
        if (Present(sound, m_uMixer, destination.dwLineID, MIXERCONTROL_CONTROLTYPE_MIXER, list))
            single = 0;
        else if (Present(sound, m_uMixer, destination.dwLineID, MIXERCONTROL_CONTROLTYPE_MUX, list))
            single = 1;
        std::vector<MIXERLISTTEXT> entries;
        if (single != -1 && sound.MixerGetListText(m_uMixer, list.dwControlID, entries) == MMSYSERR_NOERROR) {
            for (size_t k = 0; k < entries.size() && k < list.cMultipleItems; ++k) {
                if (entries[k].dwParam1 != m_dwLineID)
                    continue;
                m_nItemIndex = static_cast<uint32_t>(k);
                m_cMultipleItems = list.cMultipleItems;
                m_dwSwitchId = list.dwControlID;
                m_fdwSwitch = list.fdwControl;
                m_bSingleSelect = single;
                m_nSwitchKind = kListEntry;
                break;
            }
        }
    }

    MIXERCONTROL control;
    if (m_nSwitchKind == kNoSwitch) {
        if (Present(sound, m_uMixer, m_dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, control)) {
            m_dwSwitchId = control.dwControlID;
            m_nSwitchKind = m_nSource == -1 ? kDestinationMute : kSourceMute;
            m_cMultipleItems = control.cMultipleItems;
            m_fdwSwitch = control.fdwControl;
        } else if (Present(sound, m_uMixer, m_dwLineID, MIXERCONTROL_CONTROLTYPE_SINGLESELECT, control)) {
            m_dwSwitchId = control.dwControlID;
            m_nSwitchKind = kListEntry;
            m_cMultipleItems = control.cMultipleItems;
            m_fdwSwitch = control.fdwControl;
        }
    }
    if (m_fdwSwitch & MIXERCONTROL_CONTROLF_DISABLED) {
        // A disabled switch counts as absent: it is never written.
        m_nSwitchKind = kNoSwitch;
        m_dwSwitchId = kNone;
    }
    if (m_nSwitchKind == kNoSwitch && m_dwVolumeId != kNone)
        m_nSwitchKind = m_nSource == -1 ? kDestinationMute : kSourceMute;
}

void CAudioCtrl::SetSwitch(uint32_t value, bool invertSelect)
{
    if (m_dwSwitchId == kNone)
        return;
    ISoundSystem& sound = SoundSystem();
    if (invertSelect && m_nSwitchKind == kListEntry)
        value = value == 0 ? 1 : 0;
    // A mute control has no items and takes one value.
    std::vector<uint32_t> values(std::max<uint32_t>(m_cMultipleItems, 1), 0);
    if (!m_bSingleSelect) {
        std::vector<uint32_t> current;
        if (sound.MixerGetValues(m_uMixer, m_dwSwitchId, current) == MMSYSERR_NOERROR)
            for (size_t i = 0; i < values.size() && i < current.size(); ++i)
                values[i] = current[i];
    }
    if (m_nItemIndex < values.size())
        values[m_nItemIndex] = value;
    (void)sound.MixerSetValues(m_uMixer, m_dwSwitchId, values);
}

void CAudioCtrl::SetVolume(uint32_t left, uint32_t right)
{
    if (m_dwVolumeId == kNone)
        return;
    std::vector<uint32_t> values(std::max<uint32_t>(m_cChannels, 1), right);
    values[0] = left;
    (void)SoundSystem().MixerSetValues(m_uMixer, m_dwVolumeId, values);
}

}  // namespace vk
