// The model's traffic with the unit: reading the lines, the address word and the
// channel records, writing them back, and the fixed steps at the page's start
// and end.
#include "inputs/InputChannelModel.h"

#include <algorithm>

#include "device/SlaveAddress.h"
#include "device/UnitTypes.h"
#include "inputs/InputTypeChange.h"

namespace vk {
namespace {

constexpr uint8_t kItemFlag = 0x80;
constexpr uint8_t kItemId = 0x7F;

CommandBlock ChannelRead(int c, uint8_t firstItem, uint8_t secondItem)
{
    return {0xF0, 0x01, static_cast<uint8_t>(c + 1), 0x00, firstItem, 0x00, secondItem, 0x00};
}

}  // namespace

CInputChannelModel::CInputChannelModel(IInputsOwner& owner, int firstChannel)
    : m_nSelChannel(std::clamp(firstChannel, 0, kInputChannels - 1)), m_owner(owner), m_unitType(owner.UnitType())
{
}

void CInputChannelModel::CheckConnection()
{
    if (!Unit().CheckConnection())
        (void)m_owner.ReopenUnit();
}

// A failed read leaves the words as they were: the protocol may have put an
// error detail into them.
bool CInputChannelModel::ReadLines()
{
    PicLineWords words{};
    if (!Unit().GetPicLines(words, false, CHIDProtocol::kMainPic))
        return false;
    m_wLines = words;
    m_bLinesKnown = true;
    return true;
}

bool CInputChannelModel::ReadAddress()
{
    const auto address = ReadSlaveAddress(Unit());
    if (!address)
        return false;
    // Gain bits the page set while the word was unknown stay as set.
    const uint16_t read = *address;
    m_wAddress = static_cast<uint16_t>((read & ~m_setAddress) | (m_wAddress & m_setAddress));
    m_bAddressKnown = true;
    return true;
}

void CInputChannelModel::ReadControllerState()
{
    CheckConnection();
    (void)ReadLines();
    (void)ReadAddress();
}

// Without an answer, with another channel's answer or with the unit's
// rejection there is no record: nothing may be taken from it or written back.
bool CInputChannelModel::ReadRecord(int c, uint8_t firstItem, uint8_t secondItem, CommandBlock& answer)
{
    return Unit().Transact(ChannelRead(c, firstItem, secondItem), answer) != -1 && answer[2] == c + 1 &&
           !IsRejectedChannelAnswer(answer);
}

void CInputChannelModel::ReadInputChannel(int c)
{
    CommandBlock answer{};
    if (!ReadRecord(c, 1, 2, answer))
        return;
    InputChannelState& ch = Channel(c);
    const int mode = answer[3];
    const bool itemOneFirst = (answer[4] & kItemId) == 1;
    const size_t one = itemOneFirst ? 4 : 6;
    const size_t two = itemOneFirst ? 6 : 4;
    ch.m_nItem1Level = answer[one + 1];
    ch.m_bItem1Mute = (answer[one] & kItemFlag) ? 1 : 0;
    ch.m_nLocalLevel = answer[two + 1];
    ch.m_bLocalMute = (answer[two] & kItemFlag) ? 1 : 0;
    ch.m_nUnitMode = mode;
    ch.m_bKnown = true;

    switch (mode) {
    case kModeMicrophone:
    case kModeReinforcement:
    case kModeAuxiliary:
        ch.m_bInUse = true;
        ch.m_nChoice = ChoiceForMode(m_unitType, mode);
        if (mode == kModeReinforcement && m_unitType == kUnitMaster)
            ch.m_bLocalMute = m_owner.MasterInputs()[Index(c)].flag2 ? 1 : 0;
        break;
    case kModeSlaveLink:
        ch.m_bInUse = true;
        if (m_unitType == kUnitMaster || m_unitType == kUnitSlave)
            ch.m_nChoice = ChoiceForMode(m_unitType, mode);
        else if (ch.m_nChoice == kThirdType)
            ch.m_nChoice = kNoType;
        break;
    case kModeNotUsed: UseInput(c, false); break;
    default: break;  // a mode the page does not know: use and type stay
    }
    // A microphone or a slave link must be heard: its item 1 is never left muted.
    if ((mode == kModeMicrophone || mode == kModeSlaveLink) && ch.m_bItem1Mute) {
        ch.m_bItem1Mute = 0;
        SetItemMute(c, 1, false);
    }
    ch.m_nGainShown = GetGainStep(c);
    ch.m_nPhantomShown = GetPhantom(c);
}

void CInputChannelModel::SendAddress()
{
    (void)WriteSlaveAddress(Unit(), m_wAddress);
}

// Lines read only now, after the page has set some: the lines the page has set
// keep their values (a gain change leaves the supply lines to the unit, and the
// other way round), all others take the unit's.
bool CInputChannelModel::ReadLinesKeepingChanges()
{
    const PicLineWords set = m_wLines;
    if (!ReadLines())
        return false;
    for (size_t i = 0; i < m_wLines.size(); ++i)
        m_wLines[i] = static_cast<uint16_t>((m_wLines[i] & ~m_setLines[i]) | (set[i] & m_setLines[i]));
    return true;
}

// After a late read every channel shows what lines and address now hold.
void CInputChannelModel::ShowLateRead()
{
    for (int c = 0; c < kInputChannels; ++c) {
        Channel(c).m_nGainShown = GetGainStep(c);
        Channel(c).m_nPhantomShown = GetPhantom(c);
    }
    m_bLinesRefreshed = true;
}

void CInputChannelModel::ReadUnknownControllerState()
{
    CheckConnection();
    const bool linesRead = !m_bLinesKnown && ReadLinesKeepingChanges();
    const bool addressRead = !m_bAddressKnown && ReadAddress();
    if (linesRead || addressRead)
        ShowLateRead();
}

// Words that were never read from the unit are not written: they would set all
// twenty other lines (and the twelve other address bits) to guesses. A second
// read is tried first. While the lines cannot be written the address waits
// too: its gain bits alone would give the unit a step nobody chose.
void CInputChannelModel::WriteControllerLines(bool withAddress)
{
    CheckConnection();
    (void)Unit().SetRoute(1, 13);
    if (!m_bLinesKnown && ReadLinesKeepingChanges())
        ShowLateRead();
    if (m_bLinesKnown)
        (void)WriteInputLines(Unit(), m_wLines, std::nullopt);
    (void)Unit().SetRoute(static_cast<uint8_t>(std::max(m_nSelChannel, 0) + 3), 13);
    if (!withAddress && !m_bAddressOwed)
        return;
    if (!m_bLinesKnown) {
        m_bAddressOwed = true;
        return;
    }
    if (!m_bAddressKnown && ReadAddress())
        ShowLateRead();
    if (m_bAddressKnown) {
        SendAddress();
        m_bAddressOwed = false;
    }
}

void CInputChannelModel::SetItemMute(int c, int item, bool mute)
{
    CommandBlock answer{};
    if (!ReadRecord(c, static_cast<uint8_t>(item), 0, answer))
        return;
    CommandBlock write{0xF0, 0x00, answer[2], answer[3], answer[4], answer[5], answer[6], answer[7]};
    // The unit names the asked item first; one that lists its pairs the other way
    // round still gets the flag on the right item.
    const size_t at = (answer[4] & kItemId) == item || (answer[6] & kItemId) != item ? 4 : 6;
    write[at] = mute ? static_cast<uint8_t>(write[at] | kItemFlag) : static_cast<uint8_t>(write[at] & ~kItemFlag);
    (void)Unit().Transact(write, answer);
}

void CInputChannelModel::ApplyLocal(int c, bool mute)
{
    (void)Unit().SetChannel(c, Mode(c), static_cast<uint8_t>(0x02 | (mute ? kItemFlag : 0)),
                            static_cast<uint8_t>(Channel(c).m_nLocalLevel), 0, 0);
}

bool CInputChannelModel::CopyMicrophoneSettings(int c)
{
    for (int i = 0; i < kInputChannels; ++i) {
        if (i == c || Channel(i).m_nChoice != kFirstType)
            continue;
        SetPhantomOf(c, Channel(i).m_nPhantomShown);
        SetGainOf(c, Channel(i).m_nGainShown);
        return true;
    }
    return false;
}

void CInputChannelModel::PrepareUnit()
{
    (void)Unit().SetRoute(14, 13);
    // A register that does not answer (-1) counts as level 63.
    m_nSavedReg5 = Unit().SendShortCommand(0x6500, kTransactTimeoutMs) & 0x3F;
    (void)Unit().SendShortCommand(static_cast<uint16_t>(0x5580 + m_nSavedReg5), kTransactTimeoutMs);
    m_nSavedReg7 = Unit().SendShortCommand(0x6700, kTransactTimeoutMs) & 0x3F;
    (void)Unit().SendShortCommand(static_cast<uint16_t>(0x5780 + m_nSavedReg7), kTransactTimeoutMs);
}

void CInputChannelModel::RestoreUnit()
{
    (void)Unit().SetRoute(13, 13);
    (void)Unit().SetRoute(9, 9);
    (void)Unit().SendShortCommand(static_cast<uint16_t>(0x5500 + m_nSavedReg5), kTransactTimeoutMs);
    (void)Unit().SendShortCommand(static_cast<uint16_t>(0x5700 + m_nSavedReg7), kTransactTimeoutMs);
    m_owner.SetSpeakerPlayFlag(false);
    for (int c = 0; c < kInputChannels; ++c) {
        const InputChannelState& ch = Channel(c);
        if (!ch.m_bKnown)
            continue;
        (void)Unit().SetChannel(c, Mode(c), static_cast<uint8_t>(0x01 | (ch.m_bItem1Mute ? kItemFlag : 0)),
                                static_cast<uint8_t>(ch.m_nItem1Level), 0, 0);
    }
}

void CInputChannelModel::StoreMasterInputs()
{
    auto& saved = m_owner.MasterInputs();
    for (int c = 0; c < kInputChannels; ++c) {
        const InputChannelState& ch = Channel(c);
        ChannelRecord& record = saved[Index(c)];
        switch (ch.m_nChoice) {
        case kFirstType: record.mode = kModeSlaveLink; break;
        case kSecondType: record.mode = kModeReinforcement; break;
        case kThirdType: record.mode = kModeAuxiliary; break;
        default: break;
        }
        record.flag2 = static_cast<uint8_t>(ch.m_bLocalMute ? 1 : 0);
        record.value2 = static_cast<uint8_t>(ch.m_nLocalLevel);
        if (ch.m_nChoice == kSecondType && ch.m_bLocalMute == 0)
            ApplyLocal(c, true);
    }
}

}  // namespace vk
