// The user's changes: each updates the model's copies and sends the channel
// record, the lines and the address word as the change needs, at once.
#include "inputs/InputChannelModel.h"

#include "device/UnitTypes.h"
#include "inputs/InputTypeChange.h"

namespace vk {
namespace {

constexpr uint8_t kItem2 = 0x02;
constexpr uint8_t kDefaultLevel = 24;

}  // namespace

void CInputChannelModel::SendChannel(int c, uint8_t mode, uint8_t item1, uint8_t value1, uint8_t item2, uint8_t value2)
{
    (void)Unit().SetChannel(c, mode, item1, value1, item2, value2);
    Channel(c).m_nUnitMode = mode;
    Channel(c).m_bKnown = true;
}

void CInputChannelModel::SendTypeRecord(int c, uint8_t mode)
{
    const InputTypeRecord record = RecordForInputType(mode);
    SendChannel(c, record.mode, record.item1, record.value1, record.item2, record.value2);
}

void CInputChannelModel::SetTypeLinesOf(int c, uint8_t mode)
{
    const InputTypeLines set = LinesForInputType(m_unitType, mode);
    if (set.phantom)
        SetPhantomOf(c, *set.phantom);
    if (set.gainStep)
        SetGainOf(c, *set.gainStep);
    if (set.typeLine)
        SetTypeLineOf(c, *set.typeLine);
}

void CInputChannelModel::SetCopies(int c, int item1Level, int item1Mute, int localLevel, int localMute)
{
    InputChannelState& ch = Channel(c);
    ch.m_nItem1Level = item1Level;
    ch.m_bItem1Mute = item1Mute;
    ch.m_nLocalLevel = localLevel;
    ch.m_bLocalMute = localMute;
}

// An encoding shows the bits it writes by what it changes in all-0 and in all-1 words.
void CInputChannelModel::NoteSet(const std::function<void(PicLineWords&, uint16_t&)>& encode)
{
    PicLineWords zeros{0, 0};
    PicLineWords ones{0xFFFF, 0xFFFF};
    uint16_t zeroAddress = 0;
    uint16_t oneAddress = 0xFFFF;
    encode(zeros, zeroAddress);
    encode(ones, oneAddress);
    for (size_t i = 0; i < m_setLines.size(); ++i)
        m_setLines[i] = static_cast<uint16_t>(m_setLines[i] | zeros[i] | ~ones[i]);
    m_setAddress = static_cast<uint16_t>(m_setAddress | zeroAddress | ~oneAddress);
}

void CInputChannelModel::SetPhantomOf(int c, int state)
{
    Channel(c).m_nPhantomShown = state;
    EncodePhantom(m_wLines, c, state);
    NoteSet([&](PicLineWords& lines, uint16_t&) { EncodePhantom(lines, c, state); });
}

void CInputChannelModel::SetGainOf(int c, int step)
{
    Channel(c).m_nGainShown = step;
    SetGainStep(c, step);
    NoteSet([&](PicLineWords& lines, uint16_t& address) { EncodeGainStep(lines, address, c, step); });
}

void CInputChannelModel::SetTypeLineOf(int c, int value)
{
    EncodeTypeLine(m_wLines, c, value);
    NoteSet([&](PicLineWords& lines, uint16_t&) { EncodeTypeLine(lines, c, value); });
}

void CInputChannelModel::UseInput(int c, bool on)
{
    InputChannelState& ch = Channel(c);
    if (!on) {
        ch.m_bInUse = false;
        SendTypeRecord(c, kModeNotUsed);
        SetTypeLinesOf(c, kModeNotUsed);
        WriteControllerLines(false);
        WriteControllerLines(true);
        return;
    }
    ch.m_bInUse = true;
    ch.m_nChoice = kFirstType;
    const bool master = m_unitType == kUnitMaster;
    const uint8_t mode = master ? kModeSlaveLink : kModeMicrophone;
    SendTypeRecord(c, mode);
    SetCopies(c, kDefaultLevel, 0, kDefaultLevel, 1);
    // On a master the first button is a slave link: its input stage is set up
    // as one, never with a microphone's supply.
    SetTypeLinesOf(c, mode);
    if (!master) {
        if (!CopyMicrophoneSettings(c)) {
            SetGainOf(c, 0);
            SetPhantomOf(c, kPhantomOff);
        }
    }
    WriteControllerLines(true);
}

void CInputChannelModel::ChooseFirst(int c)
{
    if (m_unitType == kUnitSlave) {
        for (int i = 0; i < kInputChannels; ++i) {
            if (!Channel(i).m_bInUse)
                continue;
            SendTypeRecord(i, kModeMicrophone);
            SetCopies(i, kDefaultLevel, 0, kDefaultLevel, 1);
            SetTypeLinesOf(i, kModeMicrophone);
        }
        for (InputChannelState& ch : m_channels)
            ch.m_nChoice = kFirstType;
        WriteControllerLines(true);
        return;
    }
    Channel(c).m_nChoice = kFirstType;
    if (m_unitType == kUnitMaster) {
        SendTypeRecord(c, kModeSlaveLink);
        SetCopies(c, kDefaultLevel, 0, kDefaultLevel, 1);
        SetTypeLinesOf(c, kModeSlaveLink);
    } else {
        SendTypeRecord(c, kModeMicrophone);
        SetCopies(c, kDefaultLevel, 0, kDefaultLevel, 1);
        (void)CopyMicrophoneSettings(c);
        SetTypeLinesOf(c, kModeMicrophone);
    }
    WriteControllerLines(true);
}

void CInputChannelModel::ChooseSecond(int c)
{
    if (m_unitType == kUnitSlave) {
        for (int i = 0; i < kInputChannels; ++i) {
            if (!Channel(i).m_bInUse)
                continue;
            SendTypeRecord(i, kModeSlaveLink);
            SetCopies(i, kDefaultLevel, 0, kDefaultLevel, 1);
            SetTypeLinesOf(i, kModeSlaveLink);
        }
        for (InputChannelState& ch : m_channels)
            ch.m_nChoice = kSecondType;
        WriteControllerLines(false);
        return;
    }
    InputChannelState& ch = Channel(c);
    ch.m_nChoice = kSecondType;
    SendTypeRecord(c, kModeReinforcement);
    // Item 1's level copy stays as it was, although 24 is sent.
    SetCopies(c, ch.m_nItem1Level, 0, 0, 0);
    if (m_unitType == kUnitMaster)
        m_owner.MasterInputs()[Index(c)].flag2 = 0;
    SetTypeLinesOf(c, kModeReinforcement);
    WriteControllerLines(false);
}

void CInputChannelModel::ChooseThird(int c)
{
    Channel(c).m_nChoice = kThirdType;
    SendTypeRecord(c, kModeAuxiliary);
    SetCopies(c, kDefaultLevel, 0, kDefaultLevel, 0);
    SetTypeLinesOf(c, kModeAuxiliary);
    WriteControllerLines(false);
}

CInputChannelModel::Channels CInputChannelModel::ChangeGain(int c, int step)
{
    if (step == GetGainStep(c))
        return {};
    Channels concerned{c};
    if (IsMicrophone(c))
        for (int i = 0; i < kInputChannels; ++i)
            if (i != c && IsMicrophone(i))
                concerned.push_back(i);
    for (int i : concerned)
        SetGainOf(i, step);
    WriteControllerLines(true);
    return concerned;
}

CInputChannelModel::Channels CInputChannelModel::ChangePhantom(int c, int state)
{
    Channels concerned{c};
    if (IsMicrophone(c))
        for (int i = 0; i < kInputChannels; ++i)
            if (i != c && IsMicrophone(i) && Channel(i).m_bInUse)
                concerned.push_back(i);
    for (int i : concerned)
        SetPhantomOf(i, state);
    WriteControllerLines(false);
    return concerned;
}

void CInputChannelModel::ChangeLocalLevel(int c, int level, bool mute)
{
    SendChannel(c, Mode(c), static_cast<uint8_t>(kItem2 | (mute ? 0x80 : 0)), static_cast<uint8_t>(level), 0, 0);
    Channel(c).m_nLocalLevel = level;
    Channel(c).m_bLocalMute = mute ? 1 : 0;
}

void CInputChannelModel::ChangeLocalMute(int c, bool mute)
{
    SetItemMute(c, 2, mute);
    Channel(c).m_bLocalMute = mute ? 1 : 0;
    if (m_unitType == kUnitMaster)
        m_owner.MasterInputs()[Index(c)].flag2 = static_cast<uint8_t>(mute ? 1 : 0);
}

}  // namespace vk
