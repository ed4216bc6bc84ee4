#include "commission/ConfigurationApplier.h"

#include <algorithm>

#include "commission/ConfigurationReader.h"
#include "commission/ReadBack.h"
#include "device/LevelRegisters.h"
#include "device/SlaveAddress.h"
#include "device/TypeAssignment.h"
#include "device/UnitStore.h"
#include "device/UnitPin.h"
#include "device/UnitTypes.h"
#include "inputs/InputTypeChange.h"
#include "platform/clock/Clock.h"

namespace vk::commission {
namespace {

// Parameter access (the flags word, the device name, the product id) starts at
// this protocol version; a unit below it cannot be given a type.
constexpr int kParameterProtocol = 13;
constexpr uint8_t kItemMuted = 0x80;
constexpr uint8_t kLowestChannelError = 0xFB;
// The registers the wizard's output level sets, in its order.
constexpr std::array<int, 3> kOutputRegisters{3, 7, 4};
// How long a unit may take to come back after its reset: as long as the reset's own wait.
constexpr int kReopenPolls = 240;
constexpr uint32_t kReopenPollMs = 500;

class CApplyRun {
public:
    CApplyRun(CHIDProtocol& protocol, UnitConfiguration current, StoreAfterApply store)
        : m_protocol(protocol), m_current(std::move(current)), m_store(store)
    {
    }

    ApplyOutcome Run(const UnitConfiguration& wanted)
    {
        if (wanted.type != m_current.type && !AssignType(wanted.type))
            return Finish(wanted);
        if (wanted.flags != m_current.flags &&
            !Step("flags word", m_protocol.SetParameter(0, 10, wanted.flags) >= 0))
            return Finish(wanted);
        // Each stops the run at its first refusal.
        (void)(ChangeInputTypes(wanted) && WriteChannels(wanted) && WriteLinesAndAddress(wanted) &&
               WriteLevels(wanted));
        return Finish(wanted);
    }

private:
    bool Step(std::string name, bool accepted)
    {
        if (!accepted) {
            m_outcome.failedStep = std::move(name);
            return false;
        }
        m_outcome.written.push_back(std::move(name));
        return true;
    }

    // The type's own lines, channels and address go first; the wanted ones follow
    // as ordinary steps. A new type means a new product id: the unit resets and
    // comes back as another device, which is opened and read again. A unit that
    // refuses its new identity gets its old flags word back and is not reset.
    bool AssignType(int type)
    {
        const UnitTypeInfo& row = UnitTypeRow(type);
        const std::string serial = m_current.identity.serialNumber;
        m_outcome.typeAssigned = true;
        m_linesWritten = true;
        const TypeWriteResult written =
            WriteUnitType(m_protocol, row, row.lineWords, kDefaultSlaveAddress, m_current.flags);
        const bool taken = Step(std::string("type ") + row.typeName, written.refused.empty());
        if (!taken) {
            m_outcome.failedStep += " (" + written.refused + ")";
            if (written.identityRefused && written.refused != "flags word")
                m_outcome.failedStep += written.flagsPutBack ? "; the old flags word was put back"
                                                             : "; the old flags word could not be put back";
            if (written.identityRefused)
                return false;
        }
        // A unit that took its new identity is reset even when a later write of
        // the assignment was refused (as the wizard does): it then enumerates as
        // the type its flags word names, not half of one.
        (void)m_protocol.ResetUnit(row.productId);
        if (!ReopenUnit(m_protocol, serial, row.productId)) {
            if (taken)
                m_outcome.failedStep = "re-enumeration";
            return false;
        }
        if (!taken)
            return false;
        ReadOutcome again = ReadConfiguration(m_protocol);
        if (!again.configuration) {
            m_outcome.failedStep = "reading the new type's " + again.failedPart;
            return false;
        }
        m_current = std::move(*again.configuration);
        return true;
    }

    // A channel that gets another input type goes through what the inputs page
    // sends for that change; its wanted levels, gain and supply follow.
    bool ChangeInputTypes(const UnitConfiguration& wanted)
    {
        for (int c = 0; c < kInputChannels; ++c) {
            const auto i = static_cast<size_t>(c);
            const uint8_t mode = wanted.channels[i].mode;
            if (mode == m_current.channels[i].mode)
                continue;
            m_linesWritten = true;
            if (!Step("channel " + std::to_string(c + 1) + " input type",
                      ChangeInputType(m_protocol, m_current.type, c, mode, m_current.lines, m_current.address)))
                return false;
            const InputTypeRecord record = RecordForInputType(mode);
            m_current.channels[i] = {mode, record.value1, (record.item1 & kItemMuted) != 0, record.value2,
                                     (record.item2 & kItemMuted) != 0};
        }
        return true;
    }

    bool WriteChannels(const UnitConfiguration& wanted)
    {
        for (int c = 0; c < kInputChannels; ++c) {
            const auto& want = wanted.channels[static_cast<size_t>(c)];
            if (want != m_current.channels[static_cast<size_t>(c)] &&
                !Step("channel " + std::to_string(c + 1), WriteChannel(c, want)))
                return false;
        }
        return true;
    }

    bool WriteChannel(int c, const ChannelRecordSettings& want)
    {
        const auto item1 = static_cast<uint8_t>(0x01 | (want.mute ? kItemMuted : 0));
        const auto item2 = static_cast<uint8_t>(0x02 | (want.localMute ? kItemMuted : 0));
        return m_protocol.SetChannel(c, want.mode, item1, want.level, item2, want.localLevel) >= 0;
    }

    // Gain and supply live in the lines and the address word: written as the
    // inputs page writes them.
    bool WriteLinesAndAddress(const UnitConfiguration& wanted)
    {
        m_linesWritten = m_linesWritten || wanted.lines != m_current.lines;
        if (wanted.lines != m_current.lines &&
            !Step("controller lines", WriteInputLines(m_protocol, wanted.lines, std::nullopt)))
            return false;
        return wanted.address == m_current.address ||
               Step("address word", WriteSlaveAddress(m_protocol, wanted.address));
    }

    // As the wizard writes them, without reading first: the output's three
    // registers together when they are to hold one level, else each alone.
    bool WriteLevels(const UnitConfiguration& wanted)
    {
        const int output = wanted.Level(3);
        const bool oneOutput = wanted.Level(7) == output && wanted.Level(4) == output;
        const bool outputChanged = std::any_of(kOutputRegisters.begin(), kOutputRegisters.end(),
                                               [&](int reg) { return wanted.Level(reg) != m_current.Level(reg); });
        if (oneOutput && outputChanged &&
            !Step("output level", WriteOutputLevel(m_protocol, static_cast<uint8_t>(output))))
            return false;
        if (!oneOutput)
            for (const int reg : kOutputRegisters)
                if (wanted.Level(reg) != m_current.Level(reg) &&
                    !Step("level register " + std::to_string(reg),
                          WriteLevel(m_protocol, reg, static_cast<uint8_t>(wanted.Level(reg)))))
                    return false;
        return wanted.Level(1) == m_current.Level(1) ||
               Step("speaker level", WriteSpeakerLevel(m_protocol, static_cast<uint8_t>(wanted.Level(1))));
    }

    ApplyOutcome Finish(const UnitConfiguration& wanted)
    {
        if (m_protocol.CheckConnection()) {
            ReadOutcome after = ReadConfiguration(m_protocol);
            m_outcome.holds = std::move(after.configuration);
        }
        m_outcome.verified = m_outcome.holds && m_outcome.holds->SameSettings(wanted) &&
                             ReadBackDifferences(*m_outcome.holds, wanted, m_outcome.typeAssigned).empty();
        if (m_outcome.verified && m_outcome.failedStep.empty() && m_linesWritten && !StoredLinesHeld(wanted))
            m_outcome.failedStep = "controller lines (the words kept over a power cycle)";
        if (m_outcome.Succeeded() && m_store == StoreAfterApply::Store)
            Store();
        return std::move(m_outcome);
    }
    // A line write goes to the live lines and to the words the unit keeps; the
    // unit answers only for the live ones, so the kept words are read back too.
    bool StoredLinesHeld(const UnitConfiguration& wanted)
    {
        PicLineWords kept{};
        return m_protocol.GetPicLines(kept, true) && kept == wanted.lines;
    }

    // Only what was read back equal is stored: a half-applied unit keeps what it
    // had stored before.
    void Store()
    {
        const StoreResult result = StoreSettings(m_protocol);
        m_outcome.stored = result.Kept();
        m_outcome.storeFailedCommand = result.failedStep;
        if (!result.Kept())
            m_outcome.failedStep = "store (" + result.failedStep + " not confirmed)";
    }

    CHIDProtocol& m_protocol;
    UnitConfiguration m_current;
    bool m_linesWritten = false;  // by the type, an input's type or the lines step
    StoreAfterApply m_store;
    ApplyOutcome m_outcome;
};

}  // namespace

std::optional<std::string> WhyUnitCannotTake(const UnitConfiguration& current, const UnitConfiguration& wanted)
{
    // A channel answer with 0xFB..0xFF in its last byte is the unit's refusal:
    // a level there could never be read back.
    for (int c = 0; c < kInputChannels; ++c) {
        const auto& want = wanted.channels[static_cast<size_t>(c)];
        if (want.level >= kLowestChannelError || want.localLevel >= kLowestChannelError)
            return "channel " + std::to_string(c + 1) + ": levels 251..255 cannot be read back from a unit";
    }
    if (wanted.type == current.type)
        return std::nullopt;
    if (wanted.type == kUnitNew)
        return std::string("a unit that has a type (") + UnitTypeRow(current.type).typeName + ") cannot be made NEW again";
    if (current.identity.protocolVersion < kParameterProtocol)
        return "the unit's protocol version " + std::to_string(current.identity.protocolVersion) +
               " cannot store a type (13 or later needed)";
    return std::nullopt;
}

ApplyOutcome ApplyConfiguration(CHIDProtocol& protocol, const UnitConfiguration& current,
                                const UnitConfiguration& wanted, StoreAfterApply store)
{
    if (current.SameSettings(wanted)) {
        ApplyOutcome outcome;
        outcome.holds = current;
        outcome.verified = true;
        return outcome;
    }
    return CApplyRun(protocol, current, store).Run(wanted);
}

// The reset's own wait ends when any unit of the new product id is on the bus;
// with several units of one type attached that may be another one, so this
// unit is looked for by its serial number until it is back.
bool ReopenUnit(CHIDProtocol& protocol, const std::string& serialNumber, uint16_t productId)
{
    for (int poll = 0; poll < kReopenPolls; ++poll) {
        if (serialNumber.empty()) {
            const std::vector<HIDDeviceEntry> units = protocol.ListUnits(productId);
            if (units.size() == 1)
                return protocol.OpenUnitAt(units.front().path, true);
        } else if (OpenUnitWithSerial(protocol, serialNumber, productId)) {
            return true;
        }
        Clock().SleepMs(kReopenPollMs);
    }
    protocol.CloseUnit();
    return false;
}

}  // namespace vk::commission
