#pragma once
// One mixer line: its volume control and its on/off switch (a mute control, or
// the line's entry in a selection list).

#include <cstdint>

namespace vk {

class CAudioCtrl {
public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    enum SwitchKind { kNoSwitch = 0, kSourceMute = 1, kDestinationMute = 2, kListEntry = 3 };

    CAudioCtrl() = default;
    virtual ~CAudioCtrl() = default;

    // Reads the line (source -1: the destination itself) and finds its controls;
    // true when it has a volume control or a switch.
    bool Init(uint32_t mixer, int destination, int source);
    // One value per channel of the line: left for the first, right for the others.
    void SetVolume(uint32_t left, uint32_t right);
    // invertSelect flips the value for list entries, so (1, true) always switches
    // the line off and (0, true) on.
    void SetSwitch(uint32_t value, bool invertSelect);

    uint32_t m_uMixer = 0;
    int m_nDestination = 0;
    int m_nSource = 0;
    uint32_t m_cChannels = 0;
    uint32_t m_dwLineID = 0;
    uint32_t m_dwVolumeId = kNone;
    int m_bSingleSelect = 0;
    uint32_t m_cMultipleItems = 0;
    uint32_t m_dwSwitchId = kNone;
    uint32_t m_fdwSwitch = 0;
    int m_nSwitchKind = kNoSwitch;
    uint32_t m_nItemIndex = 0;

private:
    void FindSwitch();
};

}  // namespace vk
