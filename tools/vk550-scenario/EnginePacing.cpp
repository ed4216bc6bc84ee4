#include "EnginePacing.h"

#include <utility>

namespace vk::scenario {

CEnginePacing::CEnginePacing(CScenarioClock& clock, std::function<void(const std::string&)> print)
    : m_clock(clock), m_print(std::move(print))
{
}

void CEnginePacing::EngineStarted(const CWizardAudio& engine, int mode)
{
    // The new run's workers keep to the virtual time.
    m_clock.ReleaseWorkers(false);
    // A run that was not stopped has been told to end, and Start waits for its
    // workers in real time: their sleeps must not wait for virtual time.
    m_clock.ReleaseThreads(engine.WorkerThreads());
    if (m_print)
        m_print("engine start " + std::to_string(mode));
}

void CEnginePacing::EngineStopped(const CWizardAudio& engine)
{
    if (m_print)
        m_print("engine stop");
    // Stopping waits for the workers in real time: their sleeps must not wait
    // for virtual time. Another engine's workers go on at the virtual time.
    m_clock.ReleaseThreads(engine.WorkerThreads());
}

void CEnginePacing::WorkerStarted(const CWizardAudio&, std::thread::id worker) { m_clock.ExpectThread(worker); }

}  // namespace vk::scenario
