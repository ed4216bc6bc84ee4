#pragma once
// Runs a scenario on the real Linux stack: the wizard with the Qt host
// (offscreen), the hidapi backend, the PulseAudio backend, the udev device
// watch and the real clock, inside a bed it starts and ends itself (simulated
// units behind umockdev's hidraw devices, a private sound server whose cards
// follow them, private runtime and settings folders). Same script, same
// transcript as the simulated stack; `wait MS` lets MS ms of real time pass.
//
// The process must run under umockdev's preload (main restarts itself under it
// before anything else) and holds one runner at a time.

#include "ObservedHost.h"
#include "ScenarioRunner.h"
#include "ScenarioStack.h"
#include "Script.h"
#include "StepInterpreter.h"
#include "Transcript.h"

#include "audio/WizardAudio.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QApplication;

namespace vk {
class CProgramSetup;
class CQuorvelVK550ConfigDlg;
namespace test {
class CRealStackBed;
}
}  // namespace vk

namespace vk::scenario {

class CRealStackRunner final : public IScenarioStack, private IWizardAudioObserver {
public:
    CRealStackRunner(RunnerOptions options, CTranscript::Sink sink);
    ~CRealStackRunner() override;
    CRealStackRunner(const CRealStackRunner&) = delete;
    CRealStackRunner& operator=(const CRealStackRunner&) = delete;

    // False when the kind of units is unknown or the bed could not be set up
    // (the reason in Problem()).
    [[nodiscard]] bool Valid() const { return m_problem.empty(); }
    [[nodiscard]] const std::string& Problem() const { return m_problem; }
    [[nodiscard]] int InitialUnits() const { return m_initialUnits; }

    // The script's name for the reasons printed when the run ends inside the wizard.
    void SetScriptName(std::string name) { m_scriptName = std::move(name); }
    [[nodiscard]] int Run(const std::vector<Step>& steps, std::optional<ScriptError>& error);

    // IScenarioStack
    [[nodiscard]] std::shared_ptr<CSimUnit> Unit(int number) const override;
    [[nodiscard]] int UnitCount() const override { return m_units; }
    int Plug(SimUnitKind kind) override;
    void Unplug(int number) override;
    void Replug(int number) override;
    void SetMicrophones(const MicSignal& signal) override;
    // Before the wizard runs only the bed moves and the time passes here; inside
    // it the window loop runs until the time is up.
    void Wait(uint64_t ms) override;
    [[nodiscard]] CSettingsStore& Settings() override;
    [[nodiscard]] CDialog* ActiveModal() const override { return m_host->ActiveModal(); }
    [[nodiscard]] bool OnWindowThread() const override;
    // Inside the wizard: ends the process (see Finish).
    void Stop() override;

private:
    void AddUnit(SimUnitKind kind, bool cardListedNow);
    void RunWizard();
    void QueuePump(int afterMs = 0);
    void Pump();
    [[nodiscard]] bool MayRunStep() const;
    // Ends the run at once: nothing more is printed, the bed goes, the process
    // ends with the run's code.
    [[noreturn]] void Finish();

    [[nodiscard]] int UnitOfDevice(const std::string& pattern) const;
    void CheckRecording();
    void EngineStarted(const CWizardAudio& engine, int mode) override;
    void EngineStopped(const CWizardAudio& engine) override;

    RunnerOptions m_options;
    CTranscript m_transcript;
    std::string m_problem;
    std::string m_scriptName = "<stdin>";
    int m_initialUnits = 0;
    int m_units = 0;
    std::unique_ptr<test::CRealStackBed> m_bed;
    std::unique_ptr<QApplication> m_qt;
    std::unique_ptr<CProgramSetup> m_setup;
    std::unique_ptr<CObservedHost> m_host;
    std::unique_ptr<CStepInterpreter> m_run;

    // The real time before which a `wait` inside the wizard lets no step run.
    std::chrono::steady_clock::time_point m_waitUntil{};
    // The modal depth each running step started at: a step that pumps messages
    // while it waits (a reset) must not let the next step in; a modal loop it
    // opened (the inputs page) must.
    std::vector<size_t> m_stepDepths;
    // Playing engines and the unit whose playback device's monitor records them.
    std::vector<std::pair<const CWizardAudio*, int>> m_monitored;
    // A recording that has been stopped and whose file is looked at once the
    // engine's microphone thread has completed it (the unit it came from, its file).
    struct StoppedRecording {
        int unit;
        std::string file;
    };
    std::optional<StoppedRecording> m_recording;
};

}  // namespace vk::scenario
