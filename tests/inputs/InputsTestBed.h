#pragma once
// The inputs page's test bed: a simulated unit of a given type on a simulated
// bus, a real CHIDProtocol open on it, a small owner in place of the wizard, a
// settings file of its own, the headless host and a virtual clock. The unit's
// log is read back as a short transcript of what the page sent.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/HIDProtocol.h"
#include "device/LevelRegisters.h"
#include "device/UnitTypes.h"
#include "inputs/InputsOwner.h"
#include "platform/clock/Clock.h"
#include "platform/settings/AppProfile.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/headless/HeadlessHost.h"
#include "sim/hid/SimHidBus.h"
#include "sim/unit/SimUnit.h"

namespace vk::testing {

inline const DialogTemplate kOwnerTemplate{.id = 1, .caption = "owner", .width = 100, .height = 50};

class COwnerWindow final : public CDialog {
public:
    COwnerWindow() : CDialog(kOwnerTemplate) {}
};

// What the wizard gives the inputs page.
class CFakeOwner final : public IInputsOwner {
public:
    CFakeOwner(CSimHidBus& bus, int unitType) : protocol(bus), type(unitType) {}

    CDialog& OwnerWindow() override { return window; }
    CHIDProtocol& UnitProtocol() override { return protocol; }
    int UnitType() const override { return type; }
    std::string WaveDir() const override { return waveDir; }
    std::array<ChannelRecord, 4>& MasterInputs() override { return masterInputs; }
    const DialogFont& TitleFont() const override { return titleFont; }
    const DialogFont& TextFont() const override { return textFont; }
    const DialogFont& ButtonFont() const override { return buttonFont; }
    bool ReopenUnit() override
    {
        ++opens;
        return protocol.OpenUnit(kFamilyFilter, true);
    }
    void SetSpeakerPlayFlag(bool on) override
    {
        speakerFlags.push_back(on);
        SetLevelRegisterFlag(protocol, 2, on);
    }

    COwnerWindow window;
    CHIDProtocol protocol;
    int type;
    std::string waveDir;
    std::array<ChannelRecord, 4> masterInputs{};
    DialogFont titleFont{"Tahoma", 0, 24, 700};
    DialogFont textFont{"Tahoma", 0, 14, 400};
    DialogFont buttonFont{"Tahoma", 0, 16, 700};
    int opens = 0;
    std::vector<bool> speakerFlags;
};

inline SimUnitKind KindOf(int type)
{
    switch (type) {
    case kUnitStandAlone: return SimUnitKind::StandAlone;
    case kUnitMaster: return SimUnitKind::Master;
    case kUnitSlave: return SimUnitKind::Slave;
    default: return SimUnitKind::New;
    }
}

// One unit command as a short line: channel records, routes, line writes,
// address and level registers. Presence checks and the stored-lines parameter
// writes that go with every line write are left out.
inline std::string Describe(const SimLoggedCommand& cmd)
{
    const auto& b = cmd.bytes;
    char text[64] = "";
    if (cmd.IsLong()) {
        switch (b[1]) {
        case 0x00: std::snprintf(text, sizeof text, "CH%d %02X %02X %02X %02X %02X", b[2], b[3], b[4], b[5], b[6], b[7]); break;
        case 0x01: std::snprintf(text, sizeof text, "RD%d %02X %02X %02X %02X", b[2], b[4], b[5], b[6], b[7]); break;
        case 0x06: std::snprintf(text, sizeof text, "ROUTE %d %d", b[6], b[7]); break;
        case 0x10:
            if (b[3] == 0)  // the second half of a line write clears the lines that are 0
                std::snprintf(text, sizeof text, "LINES %04X %04X", unsigned(~(b[4] << 8 | b[5]) & 0xFFFF),
                              unsigned(~(b[6] << 8 | b[7]) & 0xFFFF));
            break;
        case 0x11: std::snprintf(text, sizeof text, "GETLINES"); break;
        default: break;
        }
        return text;
    }
    const uint16_t code = cmd.Code();
    const unsigned high = code >> 12;
    if (high == 2 || high == 3 || high == 5 || high == 6)
        std::snprintf(text, sizeof text, "S%04X", code);
    return text;
}

inline std::vector<std::string> Transcript(const CSimUnit& unit)
{
    std::vector<std::string> lines;
    for (const SimLoggedCommand& cmd : unit.Log())
        if (std::string s = Describe(cmd); !s.empty())
            lines.push_back(std::move(s));
    return lines;
}

// A unit of the type with its type's factory lines, the given modes and items.
struct UnitSetup {
    int type = kUnitStandAlone;
    std::array<uint8_t, 4> modes{0, 0, 0, 0};
    std::optional<PicLineWords> lines;  // default: the type's factory words
    uint16_t address = 0x2000;
};

class InputsBed : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(&m_clock);
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_store = std::make_unique<CSettingsStore>(m_dir / "registry.reg");
        SetSettings(m_store.get());
        AppProfile().SetRegistryKey("Selvo");
        m_host.Install();
    }
    void TearDown() override
    {
        m_owner.reset();
        SetSettings(nullptr);
        SetClock(nullptr);
        std::filesystem::remove_all(m_dir);
    }

    // Plugs the unit, opens the owner's protocol on it and clears its log.
    std::shared_ptr<CSimUnit> Start(const UnitSetup& setup)
    {
        m_unit = std::make_shared<CSimUnit>(KindOf(setup.type));
        const UnitTypeInfo& row = UnitTypeRow(setup.type);
        const PicLineWords lines = setup.lines.value_or(PicLineWords{row.lineWords[0], row.lineWords[1]});
        m_unit->WithState([&](SimUnitState& s) {
            s.picLines = static_cast<uint32_t>(lines[0]) << 16 | lines[1];
            s.ports[2] = static_cast<uint8_t>(setup.address);
            s.ports[3] = static_cast<uint8_t>(setup.address >> 8);
            for (size_t c = 0; c < 4; ++c) {
                s.channels[c].mode = setup.modes[c];
                s.channels[c].values = {24, 24};
                s.channels[c].flags = {false, true};
            }
        });
        (void)m_bus.Plug(m_unit);
        m_owner = std::make_unique<CFakeOwner>(m_bus, setup.type);
        m_owner->waveDir = (m_dir / "waves").string() + "/";
        std::filesystem::create_directories(m_dir / "waves");
        EXPECT_TRUE(m_owner->protocol.OpenUnit(kFamilyFilter, true));
        m_unit->ClearLog();
        return m_unit;
    }

    [[nodiscard]] PicLineWords UnitLines() const
    {
        const uint32_t l = m_unit->State().picLines;
        return {static_cast<uint16_t>(l >> 16), static_cast<uint16_t>(l)};
    }
    [[nodiscard]] uint16_t UnitAddress() const
    {
        const auto s = m_unit->State();
        return static_cast<uint16_t>(s.ports[3] << 8 | s.ports[2]);
    }

    CVirtualClock m_clock;
    std::filesystem::path m_dir = std::filesystem::temp_directory_path() / ("vk_inputs_" + std::to_string(::getpid()));
    std::unique_ptr<CSettingsStore> m_store;
    CSimHidBus m_bus;
    CHeadlessHost m_host;
    std::shared_ptr<CSimUnit> m_unit;
    std::unique_ptr<CFakeOwner> m_owner;
};

}  // namespace vk::testing
