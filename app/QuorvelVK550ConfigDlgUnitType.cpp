// Finding the unit to configure and reading its type; the commands a unit gets
// when its set-up starts (with the slave defaults); a master's channels kept
// aside while its tests run.
#include "app/QuorvelVK550ConfigDlg.h"

#include "platform/settings/SlaveDefaults.h"


namespace vk {

bool CQuorvelVK550ConfigDlg::OpenConnectedUnit()
{
    m_nUnits = m_protocol.CountUnits(kFamilyFilter);
    if (m_nUnits == 0)
        return false;
    // A slave is preferred when a master is attached beside it.
    for (int productId : {ProductIdOf(kUnitSlave), ProductIdOf(kUnitNew), ProductIdOf(kUnitStandAlone)})
        if (m_protocol.OpenUnit(productId, true))
            return true;
    if (m_protocol.OpenUnit(ProductIdOf(kUnitMaster), true)) {
        if (!m_masterProtocol.CheckConnection())
            (void)m_masterProtocol.OpenUnit(ProductIdOf(kUnitMaster), true);
        return true;
    }
    return m_protocol.OpenUnit(kFamilyFilter, true);
}

bool CQuorvelVK550ConfigDlg::ReopenUnit()
{
    if (m_pin.Reopen(m_protocol))
        return true;
    // The unit is not on the bus (the device watch may be switched off, as on a
    // slave's finished page): what was being configured ends here.
    if (m_pin.IsPinned())
        LosePinnedUnit(kUnitLeftText);
    return false;
}

void CQuorvelVK550ConfigDlg::SetUnitFlags(uint16_t flags)
{
    m_wUnitFlags = flags;
    m_bUnitFlagsKnown = true;
}

void CQuorvelVK550ConfigDlg::ReadUnitType()
{
    uint16_t flags = 0;
    if (m_protocol.GetParameter(0, 10, flags) >= 0)
        SetUnitFlags(flags);
    else
        m_bUnitFlagsKnown = false;  // the value stays, but it is not this unit's word
    // A unit whose one answer got lost is not a new unit when its product id
    // says what it is.
    const int type = m_bUnitFlagsKnown ? UnitTypeFromFlags(m_wUnitFlags) : UnitTypeOfProductId(m_protocol.GetProductId());
    const UnitTypeInfo& row = UnitTypeRow(type);
    m_unitType = row.type;
    m_strTypeName = row.typeName;
    m_strAudioDeviceName = row.endpointName;
}

void CQuorvelVK550ConfigDlg::SendShort(uint16_t code) { (void)m_protocol.SendShortCommand(code, kTransactTimeoutMs); }

void CQuorvelVK550ConfigDlg::PrepareUnitForSetup()
{
    for (uint16_t code : {0x8415, 0x860E, 0xB101, 0x2120, 0x245A, 0x2606, 0x2720})
        SendShort(code);
    if (m_unitType != kUnitSlave)
        return;

    // A slave takes over the lines and address of the last configured slave,
    // unless it has them already or anything cannot be read.
    if (m_protocol.GetChannelMode(0) != 0)
        return;
    PicLineWords live{};
    if (!m_protocol.GetPicLines(live, false))
        return;
    const int low = m_protocol.SendShortCommand(0x34FF, kTransactTimeoutMs);
    const int high = m_protocol.SendShortCommand(0x36FF, kTransactTimeoutMs);
    if (low == -1 || high == -1)
        return;
    const uint32_t unitAddress = static_cast<uint32_t>((high & 0xFF) << 8 | (low & 0xFF));
    std::optional<SlaveDefaults> stored = ReadSlaveDefaults();
    if (!stored)
        return;
    stored->address |= kDefaultSlaveAddress;
    if (stored->SameAs(live[0], live[1], unitAddress))
        return;

    (void)m_protocol.SetPicLines({stored->LineWord0(), stored->LineWord1()}, true);
    SendShort(0x24FF);
    SendShort(static_cast<uint16_t>(0x2500 + (stored->address & 0xFF)));
    SendShort(0x26FF);
    SendShort(static_cast<uint16_t>(0x2700 + ((stored->address >> 8) & 0xFF)));
    MessageBox("Parameters of this slave unit were updated according to the last configured slave.   ",
               "Slave Parameters", MB_ICONINFORMATION | MB_OK);
}

// --- a master's Sound Reinforcement channels -----------------------------------------

namespace {

constexpr int kSoundReinforcementMode = 1;
constexpr uint16_t kMasterReinforcementBit = 0x0010;  // flags word: the master has such channels
constexpr int kMasterReinforcementLine = 21;

}  // namespace

// A flags word the wizard never had would take the unit's type away.
void CQuorvelVK550ConfigDlg::WriteUnitFlags()
{
    if (m_bUnitFlagsKnown)
        (void)m_protocol.SetParameter(0, 10, m_wUnitFlags);
}

void CQuorvelVK550ConfigDlg::SaveMasterInputs()
{
    SendShort(0xB000);
    for (int channel = 0; channel < 4; ++channel)
        (void)m_protocol.GetChannel(channel, m_masterInputs[static_cast<size_t>(channel)]);
    m_wUnitFlags = static_cast<uint16_t>(m_wUnitFlags & ~kMasterReinforcementBit);
    WriteUnitFlags();
    (void)m_protocol.SetPicLine(kMasterReinforcementLine, 0, false, CHIDProtocol::kMainPic);
}

void CQuorvelVK550ConfigDlg::SetMasterInputsFlag(bool on)
{
    for (int channel = 0; channel < 4; ++channel) {
        const ChannelRecord& saved = m_masterInputs[static_cast<size_t>(channel)];
        if (saved.mode == kSoundReinforcementMode)
            (void)m_protocol.SetChannel(channel, static_cast<uint8_t>(saved.mode), on ? 0x82 : 0x02, saved.value2, 0x00,
                                        24);
    }
}

void CQuorvelVK550ConfigDlg::RestoreMasterInputs()
{
    bool any = false;
    for (int channel = 0; channel < 4; ++channel) {
        const ChannelRecord& saved = m_masterInputs[static_cast<size_t>(channel)];
        if (saved.mode != kSoundReinforcementMode)
            continue;
        any = true;
        if (saved.flag2 == 0)
            (void)m_protocol.SetChannel(channel, static_cast<uint8_t>(saved.mode), 0x02, saved.value2, 0x00, 24);
    }
    m_wUnitFlags = any ? static_cast<uint16_t>(m_wUnitFlags | kMasterReinforcementBit)
                       : static_cast<uint16_t>(m_wUnitFlags & ~kMasterReinforcementBit);
    WriteUnitFlags();
    (void)m_protocol.SetPicLine(kMasterReinforcementLine, any ? 1 : 0, false, CHIDProtocol::kMainPic);
}

}  // namespace vk
