#pragma once
// Keeps the scenario's clock in step with the audio engines: which workers a
// Start has started (none when it failed before starting one), which ones a
// Stop, or a Start over a run that was not stopped, waits for in real time
// (their sleeps and turns pass at once), and the transcript's engine lines.

#include "ScenarioClock.h"

#include "audio/WizardAudio.h"

#include <functional>
#include <string>

namespace vk::scenario {

class CEnginePacing final : public IWizardAudioObserver {
public:
    // print: a transcript line ("engine start MODE", "engine stop"); may be empty.
    CEnginePacing(CScenarioClock& clock, std::function<void(const std::string&)> print);

    void EngineStarted(const CWizardAudio& engine, int mode) override;
    void EngineStopped(const CWizardAudio& engine) override;
    void WorkerStarted(const CWizardAudio& engine, std::thread::id worker) override;

private:
    CScenarioClock& m_clock;
    std::function<void(const std::string&)> m_print;
};

}  // namespace vk::scenario
