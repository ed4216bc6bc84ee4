#pragma once
// Runs a scenario on the simulated stack: the real wizard on the headless host
// and the virtual clock, against simulated units with their sound cards, in a
// settings folder of its own, driven by the steps of a script (the step
// interpreter), with a transcript of what happened.

#include "EnginePacing.h"
#include "ScenarioClock.h"
#include "ScenarioStack.h"
#include "Script.h"
#include "StepInterpreter.h"
#include "Transcript.h"
#include "WorkerBoxTurns.h"

#include "audio/WizardAudio.h"
#include "platform/clock/Clock.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/DialogHost.h"
#include "platform/ui/headless/HeadlessHost.h"
#include "sim/hid/SimHidBus.h"
#include "sim/sound/SimSoundSystem.h"
#include "sim/sound/SimUnitSoundCards.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vk {
class CQuorvelVK550ConfigDlg;
}

namespace vk::scenario {

struct RunnerOptions {
    std::string units = "new";  // as --simulate
    // The settings (and recordings) folder; kept. A relative one lies below the
    // working directory. Without it a private temporary folder is made and
    // removed at the end.
    std::optional<std::filesystem::path> configDir;
};

// The sound cards move one buffer per this much virtual time (128 ms is one
// buffer of the engine at 16000 samples per second).
inline constexpr uint64_t kAudioBufferMs = 128;

class CScenarioRunner final : public IScenarioStack {
public:
    // Only one runner may exist at a time: it installs the process-wide seams.
    CScenarioRunner(RunnerOptions options, CTranscript::Sink sink);
    ~CScenarioRunner() override;
    CScenarioRunner(const CScenarioRunner&) = delete;
    CScenarioRunner& operator=(const CScenarioRunner&) = delete;

    // False for an unknown kind of units.
    [[nodiscard]] bool Valid() const { return m_valid; }
    [[nodiscard]] int InitialUnits() const { return m_initialUnits; }
    // The units of the run, unit 1 first (plugged units follow), as they are now.
    [[nodiscard]] const std::vector<std::shared_ptr<CSimUnit>>& Units() const { return m_units; }
    // The settings folder of the run (registry.reg).
    [[nodiscard]] const std::filesystem::path& Folder() const { return m_folder; }

    // Runs the steps; a script error found while running is left in error.
    [[nodiscard]] int Run(const std::vector<Step>& steps, std::optional<ScriptError>& error);

    // IScenarioStack
    [[nodiscard]] std::shared_ptr<CSimUnit> Unit(int number) const override;
    [[nodiscard]] int UnitCount() const override { return static_cast<int>(m_units.size()); }
    int Plug(SimUnitKind kind) override;
    void Unplug(int number) override;
    void Replug(int number) override;
    void SetMicrophones(const MicSignal& signal) override;
    void Wait(uint64_t ms) override;
    [[nodiscard]] CSettingsStore& Settings() override { return *m_store; }
    [[nodiscard]] CDialog* ActiveModal() const override { return m_host.ActiveModal(); }
    [[nodiscard]] bool OnWindowThread() const override { return std::this_thread::get_id() == m_uiThread; }
    void Stop() override;

private:
    // --- the bench
    std::shared_ptr<CSimUnit> AddUnit(SimUnitKind kind, bool cardListedNow);
    [[nodiscard]] int NumberOf(const CSimUnit* unit) const;
    void Settle();
    [[nodiscard]] bool WindowsHaveWork() const;

    // --- the run
    void RunWizard();
    void QueuePump();
    void Pump();

    RunnerOptions m_options;
    CTranscript m_transcript;
    std::filesystem::path m_folder;
    bool m_removeFolder = false;
    bool m_valid = true;
    int m_initialUnits = 0;

    CScenarioClock m_clock;
    CEnginePacing m_engines{m_clock, [this](const std::string& line) { m_transcript.Event(line); }};
    std::unique_ptr<CSettingsStore> m_store;
    CHeadlessHost m_host;
    CUiMessagePump m_pump;
    CSimHidBus m_bus;
    CSimSoundSystem m_sound;
    std::unique_ptr<CSimUnitSoundCards> m_cards;
    std::vector<std::shared_ptr<CSimUnit>> m_units;
    CStepInterpreter m_run;
    CWorkerBoxTurns m_boxes{m_clock, m_run.Prompts()};
    std::thread::id m_uiThread = std::this_thread::get_id();
};

}  // namespace vk::scenario
