#pragma once
// What every wizard test needs: a virtual clock, a settings file of its own, the
// simulated units on a simulated bus and the headless host.

#include "platform/clock/Clock.h"
#include "platform/hid/HidBus.h"
#include "platform/settings/AppProfile.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/headless/HeadlessHost.h"
#include "sim/hid/SimHidBus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

namespace vk::testing {

class WizardFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(&m_clock);
        m_dir = std::filesystem::temp_directory_path() / ("vk_wizard_" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        m_store = std::make_unique<CSettingsStore>(m_dir / "registry.reg");
        SetSettings(m_store.get());
        AppProfile().SetRegistryKey("Selvo");
        SetHidBus(&m_bus);
        m_host.Install();
    }
    void TearDown() override
    {
        SetHidBus(nullptr);
        SetSettings(nullptr);
        SetClock(nullptr);
        std::filesystem::remove_all(m_dir);
    }
    std::shared_ptr<CSimUnit> Plug(SimUnitKind kind)
    {
        auto unit = std::make_shared<CSimUnit>(kind);
        m_bus.Plug(unit);
        return unit;
    }
    void PlugAll(const std::vector<SimUnitKind>& kinds)
    {
        for (SimUnitKind kind : kinds)
            Plug(kind);
    }

    CVirtualClock m_clock;
    std::filesystem::path m_dir;
    std::unique_ptr<CSettingsStore> m_store;
    CSimHidBus m_bus;
    CHeadlessHost m_host;
};

}  // namespace vk::testing
