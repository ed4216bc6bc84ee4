#pragma once
// The four inputs of the unit as the inputs page sets them up: per channel its
// use, type choice, gain, phantom supply and item levels, and the unit's shared
// controller lines and address word. Every change goes to the unit at once
// through the owner's protocol; nothing here knows a window.

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "device/HIDProtocol.h"
#include "inputs/InputChannelCoding.h"
#include "inputs/InputsOwner.h"

namespace vk {

class IWindowOwner;

struct InputChannelState {
    bool m_bInUse = false;
    int m_nChoice = kNoType;
    int m_nGainShown = 0;               // the step the page shows
    int m_nPhantomShown = kPhantomOff;  // the supply the page shows
    int m_nItem1Level = 0;
    int m_bItem1Mute = 0;
    int m_nLocalLevel = 0;
    int m_bLocalMute = 0;
    // The mode the unit has: as read, until a change writes another. A channel
    // the user leaves alone goes back exactly as it came, also in a mode the page
    // has no button for or one that does not fit the unit's type.
    int m_nUnitMode = kModeNotUsed;
    // Read from the unit or written by a change: only such channels are written
    // back when the page ends (a channel never read would be switched off).
    bool m_bKnown = false;
};

class CInputChannelModel {
public:
    // Takes the owner's unit type once; firstChannel is the selected channel the
    // line writes route until the page selects one itself.
    CInputChannelModel(IInputsOwner& owner, int firstChannel);

    // --- state ------------------------------------------------------------
    [[nodiscard]] int UnitType() const { return m_unitType; }
    [[nodiscard]] const InputChannelState& Channel(int c) const { return m_channels[Index(c)]; }
    [[nodiscard]] InputChannelState& Channel(int c) { return m_channels[Index(c)]; }
    // The mode the unit has for the channel: the one read, or the one the last
    // change wrote (which is what the channel's settings give).
    [[nodiscard]] uint8_t Mode(int c) const { return static_cast<uint8_t>(Channel(c).m_nUnitMode); }
    [[nodiscard]] bool IsMicrophone(int c) const { return Channel(c).m_nChoice == kFirstType; }
    [[nodiscard]] bool GainShown(int c) const { return GainApplies(m_unitType, Channel(c).m_bInUse, Channel(c).m_nChoice); }
    [[nodiscard]] bool PhantomShown(int c) const
    {
        return PhantomApplies(m_unitType, Channel(c).m_bInUse, Channel(c).m_nChoice);
    }
    [[nodiscard]] bool LocalShown(int c) const { return LocalApplies(m_unitType, Channel(c).m_bInUse, Channel(c).m_nChoice); }

    PicLineWords m_wLines{0xFFFF, 0xFFFF};  // safe until read: gain 0, no phantom
    uint16_t m_wAddress = 0;
    int m_nSavedReg5 = 0;
    int m_nSavedReg7 = 0;
    int m_nSelChannel = 0;
    [[nodiscard]] bool LinesKnown() const { return m_bLinesKnown; }
    [[nodiscard]] bool AddressKnown() const { return m_bAddressKnown; }
    // Gain and supply of every channel are known only with both.
    [[nodiscard]] bool ControllerStateKnown() const { return m_bLinesKnown && m_bAddressKnown; }
    // Reads the lines and the address word again when they are still unknown;
    // what the page has set in them is kept.
    void ReadUnknownControllerState();
    // True once after a write read the lines late and so changed what other
    // channels show: the page shows all four again.
    [[nodiscard]] bool TakeLinesRefreshed() { return std::exchange(m_bLinesRefreshed, false); }

    // --- bit coding on the model's words --------------------------------------
    [[nodiscard]] int GetGainStep(int c) const { return DecodeGainStep(m_wLines, m_wAddress, c); }
    void SetGainStep(int c, int step) { EncodeGainStep(m_wLines, m_wAddress, c, step); }
    [[nodiscard]] int GetPhantom(int c) const { return DecodePhantom(m_wLines, c); }

    // --- unit reads and writes ------------------------------------------------
    void CheckConnection();
    void ReadControllerState();
    void ReadInputChannel(int c);
    void WriteControllerLines(bool withAddress);
    void SetItemMute(int c, int item, bool mute);
    void ApplyLocal(int c, bool mute);
    [[nodiscard]] bool CopyMicrophoneSettings(int c);
    void PrepareUnit();
    void RestoreUnit();
    // Shows its box over boxOwner (may be null).
    void SaveSlaveDefaults(IWindowOwner* boxOwner);
    // A master's channels as the wizard keeps them, from the page's settings.
    void StoreMasterInputs();

    // --- the user's changes (each ends with its write) --------------------------
    // The channels whose shown settings changed, c first.
    using Channels = std::vector<int>;
    void UseInput(int c, bool on);
    void ChooseFirst(int c);
    void ChooseSecond(int c);
    void ChooseThird(int c);
    // Empty when the step is the one the lines already hold (nothing is sent).
    Channels ChangeGain(int c, int step);
    Channels ChangePhantom(int c, int state);
    void ChangeLocalLevel(int c, int level, bool mute);
    void ChangeLocalMute(int c, bool mute);

private:
    [[nodiscard]] static size_t Index(int c) { return static_cast<size_t>(c & 3); }
    [[nodiscard]] CHIDProtocol& Unit() { return m_owner.UnitProtocol(); }
    // SetChannel with the copies that the write leaves.
    void SendChannel(int c, uint8_t mode, uint8_t item1, uint8_t value1, uint8_t item2, uint8_t value2);
    // The record and the lines of a type change, as every caller sends them.
    void SendTypeRecord(int c, uint8_t mode);
    void SetTypeLinesOf(int c, uint8_t mode);
    void SetCopies(int c, int item1Level, int item1Mute, int localLevel, int localMute);
    void SetPhantomOf(int c, int state);
    void SetGainOf(int c, int step);
    void SetTypeLineOf(int c, int value);
    // Marks the bits an encoding writes as set by the page.
    void NoteSet(const std::function<void(PicLineWords&, uint16_t&)>& encode);
    [[nodiscard]] bool ReadRecord(int c, uint8_t firstItem, uint8_t secondItem, CommandBlock& answer);
    bool ReadLines();
    bool ReadLinesKeepingChanges();
    void ShowLateRead();
    bool ReadAddress();
    void SendAddress();

    IInputsOwner& m_owner;
    int m_unitType;
    std::array<InputChannelState, kInputChannels> m_channels{};
    bool m_bLinesKnown = false;
    bool m_bAddressKnown = false;
    // The line and address bits the page has set: a late read keeps exactly these.
    PicLineWords m_setLines{0, 0};
    uint16_t m_setAddress = 0;
    // An address write was held back while the lines could not be written.
    bool m_bAddressOwed = false;
    bool m_bLinesRefreshed = false;
};

}  // namespace vk
