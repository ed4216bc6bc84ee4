#include "ConfigDryRun.h"

#include <charconv>
#include <memory>

#include "commission/ConfigurationApplier.h"
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

// The version answer of short command 0xA000 for "major.minor".
uint16_t VersionAnswer(const std::string& text)
{
    int major = 0;
    int minor = 0;
    const char* end = text.data() + text.size();
    const auto dot = std::from_chars(text.data(), end, major);
    if (dot.ptr < end && *dot.ptr == '.')
        (void)std::from_chars(dot.ptr + 1, end, minor);
    return static_cast<uint16_t>(0xA000 | (major & 0x7F) << 4 | (minor & 0xF));
}

// A simulated unit that holds what the real one was read to hold.
SimUnitState ShadowState(const UnitConfiguration& config)
{
    const commission::UnitIdentity& id = config.identity;
    SimUnitState state = DefaultSimUnitState(static_cast<SimUnitKind>(config.type));
    state.productId = static_cast<uint16_t>(id.productId);
    state.usbName = id.deviceName;
    state.serialNumber = id.serialNumber;
    state.softwareVersionAnswer = VersionAnswer(id.softwareVersion);
    state.protocolVersionAnswer = static_cast<uint16_t>(0xA400 | (id.protocolVersion & 0x3FF));
    state.SetText(0, 1, id.deviceName);
    state.SetValue(0, 2, static_cast<uint16_t>(id.productId));
    state.SetValue(0, 10, config.flags);
    state.picLines = static_cast<uint32_t>(config.lines[0]) << 16 | config.lines[1];
    const auto [page, index] = state.StoredLinesPlace();
    state.parameters[{page, index}] = {config.lines[0], config.lines[1]};
    for (size_t c = 0; c < config.channels.size(); ++c) {
        const auto& ch = config.channels[c];
        state.channels[c] = {ch.mode, {ch.level, ch.localLevel}, {ch.mute, ch.localMute}};
    }
    for (size_t i = 0; i < commission::kLevelRegisters.size(); ++i)
        state.levels[static_cast<uint8_t>(commission::kLevelRegisters[i])] =
            static_cast<uint16_t>(config.levelFlags[i] | config.levels[i]);
    state.ports[2] = static_cast<uint8_t>(config.address & 0xFF);
    state.ports[3] = static_cast<uint8_t>(config.address >> 8);
    return state;
}

// Runs the apply on the shadow unit with a free-running clock of its own, so a
// reset in the plan costs no time, stamped from the clock the caller was using.
class CShadowRun {
public:
    explicit CShadowRun(const UnitConfiguration& current) : m_previous(&Clock())
    {
        m_clock.SetLocalBase(m_previous->Local());
        SetClock(&m_clock);
        m_unit = std::make_shared<CSimUnit>(ShadowState(current));
        m_path = m_bus.Plug(m_unit);
    }
    ~CShadowRun()
    {
        SetWindows(nullptr);
        SetClock(m_previous);
    }
    CShadowRun(const CShadowRun&) = delete;
    CShadowRun& operator=(const CShadowRun&) = delete;

    std::vector<ViewerRecord> Apply(const UnitConfiguration& current, const UnitConfiguration& wanted,
                                    commission::StoreAfterApply store)
    {
        CHIDProtocol protocol(m_bus);
        if (!protocol.OpenUnitAt(m_path, true))
            return {};
        SetWindows(&m_viewer);
        (void)commission::ApplyConfiguration(protocol, current, wanted, store);
        SetWindows(nullptr);
        return m_viewer.records;
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

std::vector<std::string> DryRunCommands(const UnitConfiguration& current, const UnitConfiguration& wanted,
                                        commission::StoreAfterApply store)
{
    CShadowRun shadow(current);
    std::vector<std::string> lines;
    for (const ViewerRecord& record : shadow.Apply(current, wanted, store))
        if (record.kind == static_cast<int32_t>(ViewerKind::CommandSent) ||
            record.kind == static_cast<int32_t>(ViewerKind::Text))
            lines.push_back(FormatViewerLine(record));
    return lines;
}

}  // namespace vk::ctl
