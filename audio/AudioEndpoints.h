#pragma once
// The unit's sound devices as the volume code sees them: their full product
// names, found by a fixed list of name patterns, and their mixer levels.

#include <memory>
#include <string>

#include "audio/AudioCtrl.h"

namespace vk {

class CAudioEndpoints {
public:
    CAudioEndpoints() { FindDevices(); }
    virtual ~CAudioEndpoints() = default;

    void FindDevices();
    [[nodiscard]] std::string FindRecordDeviceName();
    [[nodiscard]] std::string FindPlayDeviceName();

    // 0 on success, -1 when the device or its controls are not found (the stored
    // name is then cleared, so the next call searches again).
    int SetRecordVolume(uint32_t value) { return SetRecordVolume(value, value); }
    int SetRecordVolume(uint32_t left, uint32_t right);
    int SetPlayVolume(uint32_t value) { return SetPlayVolume(value, value); }
    int SetPlayVolume(uint32_t left, uint32_t right);
    int UnmuteRecord();
    int UnmutePlay();

    void CreateRecordControls(const std::string& name, std::unique_ptr<CAudioCtrl>& record);
    void CreatePlayControls(const std::string& name, std::unique_ptr<CAudioCtrl>& master,
                            std::unique_ptr<CAudioCtrl>& wave);

    std::string m_strRecordDevice;
    std::string m_strPlayDevice;

private:
    [[nodiscard]] bool RecordControl(std::unique_ptr<CAudioCtrl>& record);
    [[nodiscard]] bool PlayControls(std::unique_ptr<CAudioCtrl>& master, std::unique_ptr<CAudioCtrl>& wave);
};

}  // namespace vk
