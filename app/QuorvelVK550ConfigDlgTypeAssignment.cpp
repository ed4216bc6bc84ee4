// Giving a unit its type: the flags word, USB identity, controller lines and
// channel records are written, then the unit is reset and re-enumerates under
// its new product id; the wizard waits until it and its sound card are back.
#include "app/QuorvelVK550ConfigDlg.h"

#include "platform/settings/SlaveDefaults.h"
#include "platform/clock/Clock.h"
#include "resources/ControlIds.h"

namespace vk {

namespace {

constexpr const char* kEnumerationFailureCaption = "Dravena enumeration failure";
// Controller lines 4, 9, 14 and 19: set on Stand Alone and Slave units, clear on a master.
constexpr uint16_t kTypeLinesWord0 = 0x0008;
constexpr uint16_t kTypeLinesWord1 = 0x4210;

}  // namespace

bool CQuorvelVK550ConfigDlg::AssignUnitType(int type)
{
    const int previousType = m_unitType;
    const UnitTypeInfo& row = UnitTypeRow(type);
    m_unitType = row.type;
    m_strTypeName = row.typeName;
    m_strAudioDeviceName = row.endpointName;

    WriteTypeIdentity(row);
    WriteTypeLinesAndChannels(row);
    SetLiveTypeLines(row.type);
    for (uint16_t code : {0x2120, 0xB100, 0xB102})
        SendShort(code);

    // Same type, same product id: the unit keeps its identity and nothing re-enumerates.
    if (row.type == previousType && static_cast<int16_t>(row.productId) == m_protocol.GetProductId())
        return true;

    m_strBody = "The unit is re-enumerating.  This process may take a while.  Please wait ...";
    SetDlgItemText(IDC_BODY, m_strBody);
    ResetUnitQuietly(row.productId);
    if (!OpenConnectedUnit()) {
        MessageBox("The enumeration failed. Please disconnect the USB cable of the device and re-connect it.",
                   kEnumerationFailureCaption, MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    m_audio.m_strOutDevice = m_strAudioDeviceName;
    if (WaitForSoundCard(60, 1000))
        return true;
    ResetUnitQuietly(row.productId);
    // The second reset re-enumerates the unit again: its old connection is dead.
    (void)OpenConnectedUnit();
    if (WaitForSoundCard(60, 500))
        return true;
    MessageBox("The audio device is not found after enumerarion.\nPlease disconnect the USB cable of the device and "
               "re-connect it.",
               kEnumerationFailureCaption, MB_ICONEXCLAMATION | MB_OK);
    return false;
}

void CQuorvelVK550ConfigDlg::WriteTypeIdentity(const UnitTypeInfo& row)
{
    m_wUnitFlags = row.flagsWord;
    (void)m_protocol.SetParameter(0, 10, m_wUnitFlags);
    (void)m_protocol.SetParameterText(0, 1, row.endpointName);
    (void)m_protocol.SetParameter(0, 2, row.productId);
}

void CQuorvelVK550ConfigDlg::WriteTypeLinesAndChannels(const UnitTypeInfo& row)
{
    PicLineWords words = row.lineWords;
    uint32_t address = kDefaultSlaveAddress;
    if (row.type == kUnitSlave) {
        if (const auto stored = ReadSlaveDefaults()) {
            words = {stored->LineWord0(), stored->LineWord1()};
            address = stored->address;
        }
    }
    (void)m_protocol.SetPicLines(words, true);
    for (int channel = 0; channel < 4; ++channel)
        (void)m_protocol.SetChannel(channel, row.channelMode, 0x01, 24, 0x82, 24);
    SendShort(0x24FF);
    SendShort(0x26FF);
    SendShort(static_cast<uint16_t>(0x2500 + (address & 0xFF)));
    SendShort(static_cast<uint16_t>(0x2700 + ((address >> 8) & 0xFF)));
}

// The type's own lines on top of the live ones. Lines that cannot be read are not
// written: words built from a failed read would clear every other line.
void CQuorvelVK550ConfigDlg::SetLiveTypeLines(int type)
{
    PicLineWords live{};
    if (!m_protocol.GetPicLines(live, false))
        return;
    if (type == kUnitMaster) {
        live[1] &= static_cast<uint16_t>(~kTypeLinesWord1);
        live[0] &= static_cast<uint16_t>(~kTypeLinesWord0);
    } else {
        live[1] |= kTypeLinesWord1;
        live[0] |= kTypeLinesWord0;
    }
    (void)m_protocol.SetPicLines(live, true);
}

// The device watch must not move the wizard while the unit leaves and returns.
void CQuorvelVK550ConfigDlg::ResetUnitQuietly(uint16_t productId)
{
    m_bIgnoreDeviceChanges = true;
    (void)m_protocol.ResetUnit(productId);
    m_bIgnoreDeviceChanges = false;
}

// Waits (without dispatching messages) until a recording device named after the
// unit is listed; then the engine finds its playback device too.
bool CQuorvelVK550ConfigDlg::WaitForSoundCard(int rounds, uint32_t intervalMs)
{
    for (int i = 0; i < rounds; ++i) {
        Clock().SleepMs(intervalMs);
        if (m_audio.FindInDeviceId(m_strAudioDeviceName) != -1) {
            m_audio.ProbePlayDevice();
            return true;
        }
    }
    return false;
}

}  // namespace vk
