#include "ConfigDryRun.h"

#include <charconv>
#include <memory>
#include <utility>

#include "commission/ConfigurationApplier.h"
#include "device/LevelRegisters.h"
#include "device/SlaveAddress.h"
#include "device/UnitTypes.h"
#include "platform/ipc/WindowDirectory.h"
#include "sim/hid/SimHidBus.h"
#include "sim/unit/SimUnit.h"
#include "tools/quorvel-hid-viewer/ViewerLine.h"

namespace vk::ctl {
namespace {

using commission::UnitConfiguration;

// Keeps the records a traffic viewer would be sent.
class CRecordingViewer final : public IWindowDirectory {
public:
    std::vector<ViewerRecord> records;

    std::unique_ptr<IRemoteWindow> FindWindow(const std::string& title) override
    {
        return title == kViewerWindowTitle ? std::make_unique<CWindow>(*this) : nullptr;
    }

private:
    class CWindow final : public IRemoteWindow {
    public:
        explicit CWindow(CRecordingViewer& owner) : m_owner(owner) {}
        bool PostMessage(uint32_t, int64_t, int64_t) override { return true; }
        bool SendCopyData(int64_t, int64_t, std::span<const uint8_t> data) override
        {
            if (auto record = DecodeViewerRecord(data))
                m_owner.records.push_back(*record);
            return true;
        }

    private:
        CRecordingViewer& m_owner;
    };
};

// "7.2" as the protocol gives the software version: major and minor.
std::pair<int, int> VersionNumbers(const std::string& text)
{
    int major = 0;
    int minor = 0;
    const char* end = text.data() + text.size();
    const auto dot = std::from_chars(text.data(), end, major);
    if (dot.ptr < end && *dot.ptr == '.')
        (void)std::from_chars(dot.ptr + 1, end, minor);
    return {major, minor};
}

// A simulated unit of the read unit's kind that enumerates and identifies as it
// did. Its settings are written into it afterwards (SeedSettings).
SimUnitState ShadowIdentity(const UnitConfiguration& config)
{
    const commission::UnitIdentity& id = config.identity;
    SimUnitState state = DefaultSimUnitState(static_cast<SimUnitKind>(config.type));
    state.productId = static_cast<uint16_t>(id.productId);
    state.usbName = id.deviceName;
    state.serialNumber = id.serialNumber;
    const auto [major, minor] = VersionNumbers(id.softwareVersion);
    state.SetVersions(major, minor, id.protocolVersion);
    return state;
}

// What was read goes into the shadow unit through the same protocol operations
// that read it, so no layout is written down twice; the unit then keeps it as
// stored, as the real one does.
void SeedSettings(CHIDProtocol& protocol, CSimUnit& unit, const UnitConfiguration& config)
{
    const commission::UnitIdentity& id = config.identity;
    if (!id.deviceName.empty())
        (void)protocol.SetParameterText(0, 1, id.deviceName);
    (void)protocol.SetParameter(0, 2, static_cast<uint16_t>(id.productId));
    (void)protocol.SetParameter(0, 10, config.flags);
    (void)protocol.SetPicLines(config.lines, true);
    (void)WriteSlaveAddress(protocol, config.address);
    for (int c = 0; c < kInputChannels; ++c) {
        const auto& ch = config.channels[static_cast<size_t>(c)];
        (void)protocol.SetChannel(c, ch.mode, static_cast<uint8_t>(0x01 | (ch.mute ? 0x80 : 0)), ch.level,
                                  static_cast<uint8_t>(0x02 | (ch.localMute ? 0x80 : 0)), ch.localLevel);
    }
    for (size_t i = 0; i < commission::kLevelRegisters.size(); ++i)
        (void)WriteLevelRegister(protocol, commission::kLevelRegisters[i],
                                 static_cast<uint8_t>(config.levelFlags[i] | config.levels[i]));
    unit.WithState([](SimUnitState& s) { s.KeepLiveSettings(); });
}

// Runs the apply on the shadow unit with a free-running clock of its own, so a
// reset in the plan costs no time, stamped from the clock the caller was using.
class CShadowRun {
public:
    explicit CShadowRun(const UnitConfiguration& current) : m_previous(&Clock())
    {
        m_clock.SetLocalBase(m_previous->Local());
        SetClock(&m_clock);
        m_unit = std::make_shared<CSimUnit>(ShadowIdentity(current));
        m_path = m_bus.Plug(m_unit);
    }
    ~CShadowRun()
    {
        SetWindows(nullptr);
        SetClock(m_previous);
    }
    CShadowRun(const CShadowRun&) = delete;
    CShadowRun& operator=(const CShadowRun&) = delete;

    DryRunResult Apply(const UnitConfiguration& current, const UnitConfiguration& wanted, commission::StoreAfterApply store)
    {
        CHIDProtocol protocol(m_bus);
        if (!protocol.OpenUnitAt(m_path, true))
            return {};
        SeedSettings(protocol, *m_unit, current);
        SetWindows(&m_viewer);
        DryRunResult run;
        run.outcome = commission::ApplyConfiguration(protocol, current, wanted, store);
        SetWindows(nullptr);
        for (const ViewerRecord& record : m_viewer.records)
            if (record.kind == static_cast<int32_t>(ViewerKind::CommandSent) ||
                record.kind == static_cast<int32_t>(ViewerKind::Text))
                run.commands.push_back(FormatViewerLine(record));
        return run;
    }

private:
    IClock* m_previous;
    CVirtualClock m_clock;
    CSimHidBus m_bus;
    std::shared_ptr<CSimUnit> m_unit;
    std::string m_path;
    CRecordingViewer m_viewer;
};

}  // namespace

DryRunResult DryRunApply(const UnitConfiguration& current, const UnitConfiguration& wanted,
                  commission::StoreAfterApply store)
{
    CShadowRun shadow(current);
    return shadow.Apply(current, wanted, store);
}

}  // namespace vk::ctl
