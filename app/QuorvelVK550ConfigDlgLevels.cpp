// The wizard's two levels: the speaker level (slider 1007) and the unit's output
// level (slider 1005), kept in 0..24, handed to the sound card's mixer and to
// the unit's level registers; the output-level radios.
#include "app/QuorvelVK550ConfigDlg.h"

#include <algorithm>

#include "device/LevelRegisters.h"
#include "resources/ControlIds.h"

namespace vk {

namespace {

constexpr int kMaxLevel = 24;
constexpr int kOutputLine = 23;  // controller line: 1 microphone level, 0 line level

// Registers: 1 speaker, 3/7/4 the output, 4 also holds the speaker level of
// units below protocol version 10.
constexpr uint16_t kSpeakerRead = 0x6100;
constexpr uint16_t kOldSpeakerRead = 0x6400;
constexpr uint16_t kOutputRead = 0x6300;

[[nodiscard]] uint32_t MixerValue(int level) { return static_cast<uint32_t>(level) * 0xFFFFu / kMaxLevel; }

// A register's level; the unit may hold up to 63 there, the wizard's levels end at 24.
[[nodiscard]] int LevelOf(int answer) { return std::min(answer & kLevelMask, kMaxLevel); }

}  // namespace

int CQuorvelVK550ConfigDlg::SendLevelCommand(uint16_t code)
{
    return m_protocol.SendShortCommand(code, kTransactTimeoutMs);
}

void CQuorvelVK550ConfigDlg::SendOutputLevel()
{
    (void)WriteOutputLevel(m_protocol, static_cast<uint8_t>(m_micVolume));
}

void CQuorvelVK550ConfigDlg::OnLevelSlider(int id, int)
{
    m_storedLoad.reset();  // a level the unit has not stored
    CControl& slider = GetDlgItem(id);
    const int level = std::clamp(kMaxLevel - slider.GetPos(), 0, kMaxLevel);
    if (id == IDC_SPEAKER_SLIDER && m_nPage == Page::Speaker) {
        (void)m_endpoints.SetPlayVolume(MixerValue(level));
        EnsureUnitConnection();
        m_speakerVolume = level;
        (void)WriteSpeakerLevel(m_protocol, static_cast<uint8_t>(level));
    } else if (id == IDC_OUTPUT_SLIDER && m_nPage != Page::Speaker) {
        (void)m_endpoints.SetRecordVolume(MixerValue(level));
        m_micVolume = level;
        SendOutputLevel();
    }
}

void CQuorvelVK550ConfigDlg::OnOutputLevel(bool microphone)
{
    (void)m_protocol.SetPicLine(kOutputLine, microphone ? 1 : 0, true, CHIDProtocol::kMainPic);
}

void CQuorvelVK550ConfigDlg::LoadLevels()
{
    if (m_bUseDefaultLevels) {
        TakeBuiltInLevels();
        m_bUseDefaultLevels = false;
    } else {
        if (const int answer = SendLevelCommand(kOutputRead); answer != -1)
            m_micVolume = LevelOf(answer);
        const uint16_t speakerRead = m_protocol.GetProtocolVersion() < 10 ? kOldSpeakerRead : kSpeakerRead;
        if (const int answer = SendLevelCommand(speakerRead); answer != -1)
            m_speakerVolume = LevelOf(answer);
    }

    for (int id : {IDC_OUTPUT_SLIDER, IDC_SPEAKER_SLIDER}) {
        CControl& slider = GetDlgItem(id);
        slider.SetRange(0, kMaxLevel);
        slider.SetTicFreq(3);
        slider.SetLineSize(1);
        slider.SetPageSize(4);
    }

    m_endpoints.FindDevices();
    (void)m_endpoints.SetPlayVolume(MixerValue(m_speakerVolume));
    (void)m_endpoints.SetRecordVolume(MixerValue(m_micVolume));
    (void)m_endpoints.UnmutePlay();
    (void)m_endpoints.UnmuteRecord();

    SendOutputLevel();
    (void)WriteSpeakerLevel(m_protocol, static_cast<uint8_t>(m_speakerVolume));

    GetDlgItem(IDC_OUTPUT_SLIDER).SetPos(kMaxLevel - m_micVolume);
    GetDlgItem(IDC_SPEAKER_SLIDER).SetPos(kMaxLevel - m_speakerVolume);
}

// The levels a unit starts from when the wizard is told to use the built-in
// ones. Older units (below protocol version 9) get fixed levels by product and
// software version; newer ones are asked for theirs.
void CQuorvelVK550ConfigDlg::TakeBuiltInLevels()
{
    const int version = m_protocol.GetProtocolVersion();
    if (version < 9) {
        const int product = m_protocol.GetProductId();
        const int software = m_protocol.GetSoftwareVersion();
        m_micVolume = product >= 0x13 && product <= 0x16 ? 18 : 12;
        if (product == 0x14 && software < 1002)
            m_speakerVolume = 8;
        else if (product == 0x13 && software < 1003)
            m_speakerVolume = 15;
        else
            m_speakerVolume = 12;
        return;
    }
    const uint16_t base = m_protocol.GetLevelCommandBase();
    int speaker = -1;
    if (version == 9) {
        (void)SendLevelCommand(static_cast<uint16_t>(base + 0x400));
        speaker = SendLevelCommand(0x5118);
    } else {
        speaker = SendLevelCommand(static_cast<uint16_t>(base + 0x100));
    }
    if (speaker != -1)
        m_speakerVolume = LevelOf(speaker);
    if (const int output = SendLevelCommand(static_cast<uint16_t>(base + 0x300)); output != -1)
        m_micVolume = LevelOf(output);
}

}  // namespace vk
