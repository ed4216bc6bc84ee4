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
#include "Script.h"
#include "ScriptPrompts.h"
#include "Transcript.h"

#include "audio/WizardAudio.h"

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

class CRealStackRunner final : private IWizardAudioObserver {
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

private:
    void AddUnit(SimUnitKind kind, bool cardListedNow);
    void RunWizard();
    void QueuePump(int afterMs = 0);
    void Pump();
    [[nodiscard]] bool MayRunStep() const;
    void Do(const Step& step);
    void DoAfterWizard(const Step& step);
    void UserAction(const Step& step);
    void UnitAction(const Step& step);
    void Expect(const Step& step);
    void ExpectSetting(const Step& step);
    void Poll();
    void Fail(int line, const std::string& what);
    void ScriptFault(int line, const std::string& reason);
    void Stall();
    // Ends the run at once: nothing more is printed, the bed goes, the process
    // ends with the run's code.
    [[noreturn]] void Finish();
    [[nodiscard]] int ExitCode() const;
    std::optional<Step> TakeNext(Verb verb);
    [[nodiscard]] CQuorvelVK550ConfigDlg* Wizard() const;

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
    bool m_scriptWriting = false;  // a `setting` step writes: not printed
    std::unique_ptr<test::CRealStackBed> m_bed;
    std::unique_ptr<QApplication> m_qt;
    std::unique_ptr<CProgramSetup> m_setup;
    std::unique_ptr<CObservedHost> m_host;
    std::unique_ptr<CScriptPrompts> m_prompts;

    const std::vector<Step>* m_steps = nullptr;
    size_t m_next = 0;
    bool m_inWizard = false;
    bool m_wizardRan = false;
    bool m_failed = false;
    std::optional<ScriptError> m_error;
    // The modal depth each running step started at: a step that pumps messages
    // while it waits (a reset) must not let the next step in; a modal loop it
    // opened (the inputs page) must.
    std::vector<size_t> m_stepDepths;
    int m_lastPage = -1;
    int m_lastChannel = 0;
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
