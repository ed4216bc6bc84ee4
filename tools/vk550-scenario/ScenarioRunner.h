#pragma once
// Runs a scenario: the real wizard on the headless host and the virtual clock,
// against simulated units with their sound cards, in a settings folder of its
// own, driven by the steps of a script, with a transcript of what happened.

#include "ScenarioClock.h"
#include "Script.h"
#include "ScriptPrompts.h"
#include "Transcript.h"

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
    // The settings (and recordings) folder; kept. Without it a private temporary
    // folder is made and removed at the end.
    std::optional<std::filesystem::path> configDir;
};

// The program key of the wizard's settings, as the store names it.
inline constexpr const char* kProgramKeyPath = "HKEY_CURRENT_USER\\Software\\Selvo\\QuorvelDravenaConfig";

// Exit codes.
inline constexpr int kRunOk = 0;
inline constexpr int kRunFailed = 1;       // an expectation failed, or the wizard stalled
inline constexpr int kRunScriptError = 2;  // the script cannot be run

// The sound cards move one buffer per this much virtual time (128 ms is one
// buffer of the engine at 16000 samples per second).
inline constexpr uint64_t kAudioBufferMs = 128;

class CScenarioRunner final : private IWizardAudioObserver {
public:
    // Only one runner may exist at a time: it installs the process-wide seams.
    CScenarioRunner(RunnerOptions options, CTranscript::Sink sink);
    ~CScenarioRunner() override;
    CScenarioRunner(const CScenarioRunner&) = delete;
    CScenarioRunner& operator=(const CScenarioRunner&) = delete;

    // False for an unknown kind of units.
    [[nodiscard]] bool Valid() const { return m_valid; }
    [[nodiscard]] int InitialUnits() const { return m_initialUnits; }

    // Runs the steps; a script error found while running is left in error.
    [[nodiscard]] int Run(const std::vector<Step>& steps, std::optional<ScriptError>& error);

private:
    // --- the bench
    std::shared_ptr<CSimUnit> AddUnit(SimUnitKind kind, bool cardListedNow);
    void Watch(const std::shared_ptr<CSimUnit>& unit, int number);
    [[nodiscard]] int NumberOf(const CSimUnit* unit) const;
    void WaitFor(uint64_t ms);
    void Settle();
    [[nodiscard]] bool WindowsHaveWork() const;

    // --- the run
    void RunWizard();
    void QueuePump();
    void Pump();
    void Stall();
    void ReportUnknownCommands();
    void Stop();
    void Do(const Step& step);
    void DoAfterWizard(const Step& step);
    void UserAction(const Step& step);
    void UnitAction(const Step& step);
    void Expect(const Step& step);
    void ExpectSetting(const Step& step);
    void Fail(int line, const std::string& what);
    void ScriptFault(int line, const std::string& reason);
    std::optional<Step> TakeNext(Verb verb);
    void Poll();
    [[nodiscard]] CQuorvelVK550ConfigDlg* Wizard() const;

    // IWizardAudioObserver
    void EngineStarted(const CWizardAudio& engine, int mode) override;
    void EngineStopped(const CWizardAudio& engine) override;

    RunnerOptions m_options;
    CTranscript m_transcript;
    std::filesystem::path m_folder;
    bool m_removeFolder = false;
    bool m_valid = true;
    int m_initialUnits = 0;

    CScenarioClock m_clock;
    uint64_t m_audioMs = 0;  // virtual time the sound cards have not been paid for yet
    std::unique_ptr<CSettingsStore> m_store;
    CHeadlessHost m_host;
    CUiMessagePump m_pump;
    CSimHidBus m_bus;
    CSimSoundSystem m_sound;
    std::unique_ptr<CSimUnitSoundCards> m_cards;
    std::vector<std::shared_ptr<CSimUnit>> m_units;
    CScriptPrompts m_prompts;

    const std::vector<Step>* m_steps = nullptr;
    size_t m_next = 0;
    bool m_inWizard = false;
    bool m_wizardRan = false;
    bool m_stopped = false;  // end, stall, exit or a script error: nothing more runs
    std::atomic<bool> m_failed{false};  // a box on an engine thread may fail an answer
    bool m_scriptWriting = false;  // a `setting` step writes: not printed
    std::optional<ScriptError> m_error;
    int m_lastPage = -1;
    int m_lastChannel = 0;
    std::thread::id m_uiThread;
};

}  // namespace vk::scenario
