// Giving a unit its type: the flags word, USB identity, controller lines and
// channel records are written, then the unit is reset and re-enumerates under
// its new product id; the wizard waits until it and its sound card are back.
#include "app/QuorvelVK550ConfigDlg.h"

#include "device/TypeAssignment.h"
#include "platform/settings/SlaveDefaults.h"
#include "platform/clock/Clock.h"
#include "resources/ControlIds.h"

#include <optional>

namespace vk {

namespace {

constexpr const char* kEnumerationFailureCaption = "Dravena enumeration failure";
constexpr const char* kTypeFailureCaption = "Dravena type assignment failure";

}  // namespace

bool CQuorvelVK550ConfigDlg::AssignUnitType(int type)
{
    const int previousType = m_unitType;
    const UnitTypeInfo& row = UnitTypeRow(type);
    m_unitType = row.type;
    m_strTypeName = row.typeName;
    m_strAudioDeviceName = row.endpointName;

    const std::optional<uint16_t> oldFlags = m_bUnitFlagsKnown ? std::optional(m_wUnitFlags) : std::nullopt;
    const auto [words, address] = TypeLinesAndAddress(row);
    // The assignment goes on past refusals after the identity, whatever the unit answers.
    const TypeWriteResult written = WriteUnitType(m_protocol, row, words, address, oldFlags);
    if (written.refused != "flags word")
        SetUnitFlags(row.flagsWord);
    if (written.identityRefused) {
        // Nothing else is written and nothing is reset: the unit keeps the type
        // it has (its old flags word goes back when the new one went in), and
        // re-plugging it would not change that.
        if (written.flagsPutBack)
            SetUnitFlags(*oldFlags);
        MessageBox("The unit did not accept its new type (the " + written.refused +
                       " could not be written).\nIt keeps its product id and was not reset.\nCheck the USB "
                       "connection and try again.",
                   kTypeFailureCaption, MB_ICONEXCLAMATION | MB_OK);
        return false;
    }

    // Same type, same product id: the unit keeps its identity and nothing re-enumerates.
    if (row.type == previousType && static_cast<int16_t>(row.productId) == m_protocol.GetProductId())
        return true;

    m_strBody = "The unit is re-enumerating.  This process may take a while.  Please wait ...";
    SetDlgItemText(IDC_BODY, m_strBody);
    ResetUnitQuietly(row.productId);
    if (!ReopenAfterReset(row.productId)) {
        MessageBox("The enumeration failed. Please disconnect the USB cable of the device and re-connect it.",
                   kEnumerationFailureCaption, MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    m_audio.m_strOutDevice = m_strAudioDeviceName;
    if (WaitForSoundCard(60, 1000))
        return true;
    ResetUnitQuietly(row.productId);
    // The second reset re-enumerates the unit again: its old connection is dead.
    (void)ReopenAfterReset(row.productId);
    if (WaitForSoundCard(60, 500))
        return true;
    MessageBox("The audio device is not found after enumerarion.\nPlease disconnect the USB cable of the device and "
               "re-connect it.",
               kEnumerationFailureCaption, MB_ICONEXCLAMATION | MB_OK);
    return false;
}

// A new slave takes the lines and address the last configured slave left.
std::pair<PicLineWords, uint32_t> CQuorvelVK550ConfigDlg::TypeLinesAndAddress(const UnitTypeInfo& row) const
{
    if (row.type == kUnitSlave)
        if (const auto stored = ReadSlaveDefaults())
            return {{stored->LineWord0(), stored->LineWord1()}, stored->address};
    return {row.lineWords, kDefaultSlaveAddress};
}

// The device watch must not move the wizard while the unit leaves and returns.
void CQuorvelVK550ConfigDlg::ResetUnitQuietly(uint16_t productId)
{
    m_bIgnoreDeviceChanges = true;
    (void)m_protocol.ResetUnit(productId);
    m_bIgnoreDeviceChanges = false;
}

// The reset's own wait ends when any unit of the new product id is on the bus;
// with several units attached that may be another one, so the pinned unit is
// looked for a little longer before the assignment counts as failed.
bool CQuorvelVK550ConfigDlg::ReopenAfterReset(uint16_t productId)
{
    constexpr int kPolls = 20;
    constexpr uint32_t kPollMs = 500;
    // The units are not counted here: a unit plugged in meanwhile is the device
    // watch's to see.
    for (int poll = 0; poll < kPolls; ++poll) {
        if (m_pin.ReopenAfterReset(m_protocol, productId))
            return true;
        if (!m_protocol.IsUnitPresent(productId))
            return false;  // nothing of that id came back: no unit to wait for
        Clock().SleepMs(kPollMs);
    }
    return false;
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
