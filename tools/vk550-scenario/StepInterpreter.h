#pragma once
// The one meaning of every step of a script, on whichever stack runs it: the
// cursor over the steps, what each verb does (through IScenarioStack where the
// stacks differ), the expectations, the prompts' answers, and the transcript
// lines the stacks share (pages, the units' traffic, settings written, stalls,
// commands no unit knows).

#include "ScenarioStack.h"
#include "Script.h"
#include "ScriptPrompts.h"
#include "Transcript.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vk {
class CQuorvelVK550ConfigDlg;
}

namespace vk::scenario {

// The program key of the wizard's settings, as the store names it.
inline constexpr const char* kProgramKeyPath = "HKEY_CURRENT_USER\\Software\\Selvo\\QuorvelDravenaConfig";

// Exit codes.
inline constexpr int kRunOk = 0;
inline constexpr int kRunFailed = 1;       // an expectation failed, or the wizard stalled
inline constexpr int kRunScriptError = 2;  // the script cannot be run

class CStepInterpreter {
public:
    // filesFolder: where relative paths of `file` steps lie.
    CStepInterpreter(IScenarioStack& stack, CTranscript& transcript, std::filesystem::path filesFolder);
    ~CStepInterpreter();
    CStepInterpreter(const CStepInterpreter&) = delete;
    CStepInterpreter& operator=(const CStepInterpreter&) = delete;

    // The message boxes and file dialogs the stack installs.
    [[nodiscard]] CScriptPrompts& Prompts() { return m_prompts; }
    // Prints what the unit receives and answers, and its resets, as unit `number`.
    void Watch(const std::shared_ptr<CSimUnit>& unit, int number);
    // Prints what the program writes to its key (the script's own `setting` steps aside).
    void WatchSettings(CSettingsStore& store);
    // Stops printing the units' and the settings' changes (the stack goes).
    void Unwatch();

    // Runs the steps: those before `start`, then runWizard() (which feeds the
    // wizard's loops through Next and Do), then those after the wizard ended.
    // The run's exit code; a script error found while running is left in error.
    [[nodiscard]] int Run(const std::vector<Step>& steps, const std::function<void()>& runWizard,
                          std::optional<ScriptError>& error);

    // --- inside the wizard (window thread)
    [[nodiscard]] bool HasNext() const { return !m_stopped && m_steps && m_next < m_steps->size(); }
    const Step& Next() { return (*m_steps)[m_next++]; }
    void Do(const Step& step);
    // The page and the inputs page's channel, printed when they change.
    void Poll();
    // No step is left while the wizard waits: the run fails and ends.
    void Stall();
    [[nodiscard]] CQuorvelVK550ConfigDlg* Wizard() const;

    // --- the state of the run
    [[nodiscard]] bool InWizard() const { return m_inWizard; }
    [[nodiscard]] bool Stopped() const { return m_stopped; }
    // The program ended by itself (its exit): no step runs any more.
    void MarkStopped() { m_stopped = true; }
    // Prints every command a unit did not know; each fails the run.
    void ReportUnknownCommands();
    [[nodiscard]] int ExitCode() const;
    [[nodiscard]] const std::optional<ScriptError>& Error() const { return m_error; }

private:
    void DoAfterWizard(const Step& step);
    void WriteSetting(const Step& step);
    void UserAction(const Step& step);
    void UnitAction(const Step& step);
    void Fault(CSimUnit& unit, const Step& step);
    void Expect(const Step& step);
    void ExpectSetting(const Step& step);
    void Fail(int line, const std::string& what);
    void ScriptFault(int line, const std::string& reason);
    void Stop();
    std::optional<Step> TakeNext(Verb verb);

    IScenarioStack& m_stack;
    CTranscript& m_transcript;
    CScriptPrompts m_prompts;
    CSettingsStore* m_store = nullptr;
    std::vector<std::shared_ptr<CSimUnit>> m_watched;

    const std::vector<Step>* m_steps = nullptr;
    size_t m_next = 0;
    bool m_inWizard = false;
    bool m_wizardRan = false;
    bool m_stopped = false;  // end, stall, exit or a script error: nothing more runs
    std::atomic<bool> m_failed{false};  // a box on an engine thread may fail an answer
    bool m_scriptWriting = false;       // a `setting` step writes: not printed
    std::optional<ScriptError> m_error;
    int m_lastPage = -1;
    int m_lastChannel = 0;
};

}  // namespace vk::scenario
