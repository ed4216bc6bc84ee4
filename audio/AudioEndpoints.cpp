#include "audio/AudioEndpoints.h"

#include <array>
#include <new>

#include "audio/AudioDevice.h"
#include "audio/DeviceLookup.h"
#include "audio/StrFormat.h"
#include "platform/sound/SoundSystem.h"
#include "platform/ui/MessageBox.h"

namespace vk {

namespace {

// Tried in order; the last playback pattern is cut to the length of product names.
constexpr std::array<const char*, 6> kRecordPatterns = {
    kMakerPrefix, "AK4571", "HX 250/650", "Branwick QDK500", "Branwick R615", "Echo Cancelling Speakerphone"};
constexpr std::array<const char*, 6> kPlayPatterns = {
    kMakerPrefix, "AK4571", "HX 250/650", "Branwick QDK500", "Branwick R615", "Echo Cancelling Speakerphone (P"};

constexpr const char* kRecordCaption = "CreateRecordControls";

}  // namespace

void CAudioEndpoints::FindDevices()
{
    m_strPlayDevice = FindPlayDeviceName();
    m_strRecordDevice = FindRecordDeviceName();
}

std::string CAudioEndpoints::FindRecordDeviceName()
{
    CAudioDevice device;
    for (const char* pattern : kRecordPatterns) {
        if (device.FindWaveInDevice(pattern) != -1) {
            m_strRecordDevice = device.m_strName;
            return m_strRecordDevice;
        }
    }
    return kRecordPatterns.back();
}

std::string CAudioEndpoints::FindPlayDeviceName()
{
    CAudioDevice device;
    for (const char* pattern : kPlayPatterns) {
        if (device.FindWaveOutDevice(pattern) != -1) {
            m_strPlayDevice = device.m_strName;
            return m_strPlayDevice;
        }
    }
    return kPlayPatterns.back();
}

bool CAudioEndpoints::RecordControl(std::unique_ptr<CAudioCtrl>& record)
{
    if (m_strRecordDevice.empty())
        m_strRecordDevice = FindRecordDeviceName();
    if (m_strRecordDevice.empty())
        return false;
    CreateRecordControls(m_strRecordDevice, record);
    if (!record) {
        m_strRecordDevice.clear();
        return false;
    }
    return true;
}

bool CAudioEndpoints::PlayControls(std::unique_ptr<CAudioCtrl>& master, std::unique_ptr<CAudioCtrl>& wave)
{
    if (m_strPlayDevice.empty())
        m_strPlayDevice = FindPlayDeviceName();
    if (m_strPlayDevice.empty())
        return false;
    CreatePlayControls(m_strPlayDevice, master, wave);
    if (!master) {
        m_strPlayDevice.clear();
        return false;
    }
    return true;
}

int CAudioEndpoints::SetRecordVolume(uint32_t left, uint32_t right)
{
    std::unique_ptr<CAudioCtrl> record;
    if (!RecordControl(record))
        return -1;
    record->SetVolume(left, right);
    return 0;
}

int CAudioEndpoints::UnmuteRecord()
{
    std::unique_ptr<CAudioCtrl> record;
    if (!RecordControl(record))
        return -1;
    record->SetSwitch(0, true);
    return 0;
}

int CAudioEndpoints::SetPlayVolume(uint32_t left, uint32_t right)
{
    std::unique_ptr<CAudioCtrl> master;
    std::unique_ptr<CAudioCtrl> wave;
    if (!PlayControls(master, wave))
        return -1;
    master->SetVolume(left, right);
    if (wave)
        wave->SetVolume(left, right);
    return 0;
}

int CAudioEndpoints::UnmutePlay()
{
    std::unique_ptr<CAudioCtrl> master;
    std::unique_ptr<CAudioCtrl> wave;
    if (!PlayControls(master, wave))
        return -1;
    master->SetSwitch(0, true);
    (wave ? wave : master)->SetSwitch(0, true);
    return 0;
}

void CAudioEndpoints::CreateRecordControls(const std::string& name, std::unique_ptr<CAudioCtrl>& record)
{
    record.reset();
    CAudioDevice device;
    if (device.FindWaveInDevice(name) == -1)
        return;
    const int d = device.FindLineNumber(0);
    if (d == -1) {
        AfxMessageBox("iLine = -1 \n", MB_OK, kRecordCaption);
        return;
    }
    const auto mixer = static_cast<uint32_t>(device.m_iCard);
    std::unique_ptr<CAudioCtrl> control(new (std::nothrow) CAudioCtrl);
    if (!control) {
        AfxMessageBox("Cant create new CAudioCtrl \n", MB_OK, kRecordCaption);
        return;
    }
    if (control->Init(mixer, d, -1))
        record = std::move(control);

    MIXERLINE destination;
    ISoundSystem& sound = SoundSystem();
    if (sound.MixerGetDestination(mixer, static_cast<uint32_t>(d), destination) != MMSYSERR_NOERROR) {
        AfxMessageBox(StrFormat("Cant mixerGetLineInfo of DESTINATION, mxLine.dwSource=%d  mxLine.dwDestination=%d \n",
                                0, d),
                      MB_OK, kRecordCaption);
        record.reset();
        return;
    }
    if (destination.cConnections == 1)
        return;

    for (uint32_t i = 0; i < destination.cConnections; ++i) {
        MIXERLINE source;
        (void)sound.MixerGetSource(mixer, static_cast<uint32_t>(d), i, source);
        const bool microphone = source.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
        std::unique_ptr<CAudioCtrl> line(new (std::nothrow) CAudioCtrl);
        if (!line) {
            AfxMessageBox(microphone && !record ? "Cant new CAudioCtrl 2 \n" : "Cant new CAudioCtrl 3 \n", MB_OK,
                          kRecordCaption);
            record.reset();
            return;
        }
        if (microphone && !record) {
            if (line->Init(mixer, d, static_cast<int>(i)))
                record = std::move(line);
        } else if (line->Init(mixer, d, static_cast<int>(i))) {
            line->SetSwitch(1, true);  // every other source is switched off
        }
    }
}

void CAudioEndpoints::CreatePlayControls(const std::string& name, std::unique_ptr<CAudioCtrl>& master,
                                         std::unique_ptr<CAudioCtrl>& wave)
{
    CAudioDevice device;
    const int found = device.FindWaveOutDevice(name);
    const int d = device.FindLineNumber(1);
    master.reset();
    wave.reset();
    if (found == -1 || d == -1)
        return;
    const auto mixer = static_cast<uint32_t>(device.m_iCard);
    std::unique_ptr<CAudioCtrl> control(new (std::nothrow) CAudioCtrl);
    if (!control)
        return;
    if (control->Init(mixer, d, -1))
        master = std::move(control);

    ISoundSystem& sound = SoundSystem();
    MIXERLINE destination;
    if (sound.MixerGetDestination(mixer, static_cast<uint32_t>(d), destination) != MMSYSERR_NOERROR) {
        master.reset();
        return;
    }
    for (uint32_t i = 0; i < destination.cConnections; ++i) {
        MIXERLINE source;
        if (sound.MixerGetSource(mixer, static_cast<uint32_t>(d), i, source) != MMSYSERR_NOERROR) {
            master.reset();
            wave.reset();
            return;
        }
        if (source.dwComponentType != MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT || wave)
            continue;
        std::unique_ptr<CAudioCtrl> line(new (std::nothrow) CAudioCtrl);
        if (!line) {
            master.reset();
            return;
        }
        if (line->Init(mixer, d, static_cast<int>(i)))
            wave = std::move(line);
    }
}

}  // namespace vk
