#pragma once
// What every wizard test needs: a virtual clock, a settings file of its own and
// the simulated units on a simulated bus; the headless fixture adds its host.

#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/clock/Clock.h"
#include "platform/hid/HidBus.h"
#include "platform/settings/AppProfile.h"
#include "platform/settings/RegHelper.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/headless/HeadlessHost.h"
#include "sim/hid/SimHidBus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <unistd.h>
#include <vector>

namespace vk::testing {

// HOME and the XDG folders point into the test's own folder while it runs (and
// back afterwards): a wizard's recordings, records and settings never reach the
// home of whoever runs the test, with or without test.sh.
class CPrivateHome {
public:
    explicit CPrivateHome(const std::filesystem::path& home)
    {
        for (const auto& [name, below] : kFolders) {
            const char* old = std::getenv(name);
            m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::setenv(name, (home / below).c_str(), 1);
        }
    }
    ~CPrivateHome()
    {
        for (const auto& [name, old] : m_saved) {
            if (old)
                ::setenv(name, old->c_str(), 1);
            else
                ::unsetenv(name);
        }
    }
    CPrivateHome(const CPrivateHome&) = delete;
    CPrivateHome& operator=(const CPrivateHome&) = delete;

private:
    static constexpr std::pair<const char*, const char*> kFolders[] = {
        {"HOME", ""}, {"XDG_DATA_HOME", ".local/share"}, {"XDG_CONFIG_HOME", ".config"},
        {"XDG_CACHE_HOME", ".cache"}, {"XDG_STATE_HOME", ".local/state"}};
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

class CWizardEnvironment {
public:
    explicit CWizardEnvironment(std::filesystem::path dir) : m_dir(std::move(dir)), m_home(m_dir / "home")
    {
        SetClock(&m_clock);
        std::filesystem::remove_all(m_dir);
        m_store = std::make_unique<CSettingsStore>(m_dir / "registry.reg");
        SetSettings(m_store.get());
        AppProfile().SetRegistryKey("Selvo");
        SetHidBus(&m_bus);
    }
    ~CWizardEnvironment()
    {
        SetHidBus(nullptr);
        SetSettings(nullptr);
        SetClock(nullptr);
        std::filesystem::remove_all(m_dir);
    }
    CWizardEnvironment(const CWizardEnvironment&) = delete;
    CWizardEnvironment& operator=(const CWizardEnvironment&) = delete;

    std::shared_ptr<CSimUnit> Plug(SimUnitKind kind)
    {
        auto unit = std::make_shared<CSimUnit>(kind);
        m_bus.Plug(unit);
        m_units.push_back(unit);
        return unit;
    }

    // The folders a wizard created from now on reads from the settings; an empty
    // one is left out (the wizard's default, or no record).
    void SetFolders(const std::string& install, const std::string& wave, const std::string& record = "")
    {
        CRegHelper reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        ASSERT_TRUE(reg.CreateKey(kProgramKey));
        for (auto [name, folder] : {std::pair{"Install Directory", install}, std::pair{"Wave Files Directory", wave},
                                    std::pair{"Commissioning Records Directory", record}})
            if (!folder.empty()) {
                ASSERT_TRUE(reg.WriteString(name, folder));
            }
    }

    // Every scenario drives the units with commands their firmware knows.
    void ExpectNoUnknownCommands() const
    {
        for (const auto& unit : m_units)
            for (const SimLoggedCommand& c : unit->UnknownCommands())
                ADD_FAILURE() << "the wizard sent a command the unit does not know: 0x" << std::hex << c.Code();
    }

    CVirtualClock m_clock;
    std::filesystem::path m_dir;
    CPrivateHome m_home;
    std::unique_ptr<CSettingsStore> m_store;
    CSimHidBus m_bus;
    std::vector<std::shared_ptr<CSimUnit>> m_units;
};

class WizardFixture : public ::testing::Test {
protected:
    void SetUp() override { m_host.Install(); }
    // The unknown-command check cannot be left out by a fixture that has its own
    // tear-down: that goes into TearDownWizard, which runs first.
    void TearDown() final
    {
        TearDownWizard();
        m_env.ExpectNoUnknownCommands();
    }
    virtual void TearDownWizard() {}
    std::shared_ptr<CSimUnit> Plug(SimUnitKind kind) { return m_env.Plug(kind); }
    void PlugAll(const std::vector<SimUnitKind>& kinds)
    {
        for (SimUnitKind kind : kinds)
            Plug(kind);
    }

    CWizardEnvironment m_env{std::filesystem::temp_directory_path() / ("vk_wizard_" + std::to_string(::getpid()))};
    CSimHidBus& m_bus = m_env.m_bus;
    std::filesystem::path& m_dir = m_env.m_dir;
    std::unique_ptr<CSettingsStore>& m_store = m_env.m_store;
    CHeadlessHost m_host;
};

}  // namespace vk::testing
