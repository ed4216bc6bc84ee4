// The real-stack run: the bed, the program's own wiring of the real backends,
// the wizard's modal run fed one step whenever its innermost loop may take one,
// and the transcript from the same places as on the simulated stack.
#include "RealStackRunner.h"

#include "app/QuorvelVK550ConfigApp.h"
#include "app/QuorvelVK550ConfigDlg.h"
#include "audio/WaveReader.h"
#include "platform/settings/AppProfile.h"
#include "platform/settings/RegHelper.h"
#include "platform/ui/qt/QtHost.h"
#include "program/ProgramSetup.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"
#include "sim/unit/SimSystem.h"
#include "tools/vk550-scenario/realstack/RealStackBed.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace vk::scenario {

namespace {

// While the window loop has posted messages waiting, the next step waits this long.
constexpr int kBusyRetryMs = 1;
// While a step waits inside its own handler (a reset), the next one looks again this late.
constexpr int kInsideStepRetryMs = 10;

}  // namespace

CRealStackRunner::CRealStackRunner(RunnerOptions options, CTranscript::Sink sink)
    : m_options(std::move(options)), m_transcript(std::move(sink))
{
    const auto kinds = SimulatedUnitKinds(m_options.units);
    if (!kinds) {
        m_problem = "unknown kind of units: " + m_options.units;
        return;
    }
    m_bed = std::make_unique<test::CRealStackBed>();
    m_bed->onCard = [this](int number, const std::string& name) {
        if (!name.empty())
            m_transcript.Event("card " + std::to_string(number) + " back " + Quote(name));
    };
    if (!m_bed->Start(&m_problem))
        return;
    // Paths under the bed's folder read as on the simulated stack.
    m_transcript.HideFolder(m_bed->Folder().string());

    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "vk550-scenario";
    static char* argv[] = {name, nullptr};
    m_qt = std::make_unique<QApplication>(argc, argv);
    m_setup = std::make_unique<CProgramSetup>();
    if (!m_setup->Start(ProgramOptions{})) {
        m_problem = "the program's real stack could not be set up";
        return;
    }
    // The Qt host draws; the runner watches through it and answers the prompts.
    m_host = std::make_unique<CObservedHost>(m_setup->Host());
    SetUiHost(m_host.get());
    m_run = std::make_unique<CStepInterpreter>(*this, m_transcript, m_bed->Folder() / "files");
    std::error_code ec;
    std::filesystem::create_directories(m_bed->Folder() / "files", ec);
    SetMessageBoxes(&m_run->Prompts());
    SetFileDialogs(&m_run->Prompts());
    AppProfile().SetRegistryKey("Selvo");

    m_host->controlObserver = [this](CDialog&, const CControl& ctrl, unsigned what) {
        const int id = ctrl.Id();
        if ((what & CC_TEXT) != 0 && (id == IDC_TITLE || id == IDC_BODY || id == IDC_NEXT))
            m_run->Poll();
    };
    m_host->exitObserver = [this](int code) {
        m_run->Poll();
        m_transcript.Event("exit " + std::to_string(code));
        Finish();
    };
    m_run->WatchSettings(m_bed->Settings());
    SetWizardAudioObserver(this);
    for (SimUnitKind kind : *kinds)
        AddUnit(kind, true);
    m_initialUnits = static_cast<int>(kinds->size());
}

CRealStackRunner::~CRealStackRunner()
{
    SetWizardAudioObserver(nullptr);
    SetMessageBoxes(nullptr);
    SetFileDialogs(nullptr);
    m_run.reset();  // it watches the bed's units and settings
    if (m_setup)
        SetUiHost(&m_setup->Host());
    m_setup.reset();
    m_qt.reset();
    m_bed.reset();
}

void CRealStackRunner::AddUnit(SimUnitKind kind, bool cardListedNow)
{
    const int index = m_units++;
    auto unit = std::make_shared<CSimUnit>(DefaultSimUnitState(kind, static_cast<unsigned>(index)));
    m_run->Watch(unit, index + 1);
    (void)m_bed->Attach(std::move(unit), cardListedNow);
}

// --- the run ---------------------------------------------------------------------------

int CRealStackRunner::Run(const std::vector<Step>& steps, std::optional<ScriptError>& error)
{
    return m_run->Run(steps, [this] { RunWizard(); }, error);
}

void CRealStackRunner::RunWizard()
{
    CQuorvelVK550ConfigApp app;
    app.m_attach = m_setup->MakeAttach();  // the window title and the udev device watch
    QueuePump();
    (void)app.InitInstance();
    m_run->Poll();
    CheckRecording();
    m_transcript.Event("end " + std::to_string(app.m_nDialogResult));
    m_transcript.Event("exit 0");
}

void CRealStackRunner::QueuePump(int afterMs)
{
    QTimer::singleShot(afterMs, m_qt.get(), [this] { Pump(); });
}

bool CRealStackRunner::MayRunStep() const
{
    // A dialog that has ended still has its loop until the host lets it go.
    if (const CDialog* active = m_host->ActiveModal(); active && active->IsEnded())
        return false;
    return m_stepDepths.empty() || m_host->ModalDepth() > m_stepDepths.back();
}

// Runs in the window loop: the next step when the loop is idle and no step is
// still running below it; when none is left while the wizard runs, the run stalls.
void CRealStackRunner::Pump()
{
    if (!m_run->InWizard())
        return;
    if (!MayRunStep()) {
        QueuePump(kInsideStepRetryMs);
        return;
    }
    if (const auto left = m_waitUntil - std::chrono::steady_clock::now(); left > std::chrono::steady_clock::duration::zero()) {
        QueuePump(static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        return;
    }
    if (UiLoop().HasPosted()) {
        QueuePump(kBusyRetryMs);
        return;
    }
    if (!m_run->HasNext()) {
        m_run->Stall();
        return;
    }
    const Step& step = m_run->Next();
    m_run->Poll();
    CheckRecording();
    QueuePump();  // first: the step may open a nested loop that needs the next one
    m_stepDepths.push_back(m_host->ModalDepth());
    m_run->Do(step);
    m_stepDepths.pop_back();
}

void CRealStackRunner::Finish()
{
    m_transcript.Mute();
    const auto& error = m_run->Error();
    if (!error)
        m_run->ReportUnknownCommands();
    std::fflush(stdout);
    if (error)
        std::fprintf(stderr, "%s:%d: %s\n", m_scriptName.c_str(), error->line, error->reason.c_str());
    const int code = m_run->ExitCode();
    // The bed's server and folders go; the wizard's threads end with the process.
    SetWizardAudioObserver(nullptr);
    m_run->Unwatch();
    m_bed.reset();
    std::fflush(nullptr);
    std::_Exit(code);
}

// --- the stack --------------------------------------------------------------------------

std::shared_ptr<CSimUnit> CRealStackRunner::Unit(int number) const { return m_bed->Unit(number); }

int CRealStackRunner::Plug(SimUnitKind kind)
{
    AddUnit(kind, false);
    return m_units;
}

void CRealStackRunner::Unplug(int number) { m_bed->Unplug(number); }

void CRealStackRunner::Replug(int number) { m_bed->Replug(number); }

// A card's microphone hears its speaker: the tone is played into it.
void CRealStackRunner::SetMicrophones(const MicSignal& signal)
{
    std::optional<test::CPrivateSoundServer::Tone> tone;
    if (signal.sine)
        tone = test::CPrivateSoundServer::Tone{signal.hz, signal.peak};
    m_bed->SetTone(tone);
}

void CRealStackRunner::Wait(uint64_t ms)
{
    if (m_run->InWizard())
        m_waitUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

CSettingsStore& CRealStackRunner::Settings() { return m_bed->Settings(); }

bool CRealStackRunner::OnWindowThread() const { return m_qt && QThread::currentThread() == m_qt->thread(); }

void CRealStackRunner::Stop()
{
    if (m_run->InWizard())
        Finish();
}

int CRealStackRunner::UnitOfDevice(const std::string& pattern) const
{
    // The unit whose card's name holds the engine's pattern.
    for (int n = 1; m_bed->Unit(n); ++n) {
        const std::string card = m_bed->CardName(n);
        if (!card.empty() && !pattern.empty() && card.find(pattern) != std::string::npos)
            return n;
    }
    return 0;
}

// Whether the last recording holds what the unit's microphone heard: its
// loudest sample against a hundredth of full scale. The recording passes the
// card's recording level, which the wizard turns down; silence on the bed's
// cards is exact zero.
void CRealStackRunner::CheckRecording()
{
    if (!m_recording)
        return;
    const StoppedRecording recording = *m_recording;
    m_recording.reset();
    int peak = 0;
    CWaveReader reader;
    if (reader.Open(recording.file) && reader.m_pFormat->wBitsPerSample == 16) {
        int16_t samples[2048];
        while (const uint32_t got = reader.Read(samples, sizeof samples))
            for (uint32_t i = 0; i < got / 2; ++i)
                peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    }
    constexpr int kHeard = 328;
    m_transcript.Event("recording " + std::to_string(recording.unit) + (peak >= kHeard ? " heard" : " silent"));
}

void CRealStackRunner::EngineStarted(const CWizardAudio& engine, int mode)
{
    // The engine that recorded has been stopped and its file completed.
    CheckRecording();
    m_transcript.Event("engine start " + std::to_string(mode));
    if (mode != kModePlay && mode != kModePlayBack)
        return;
    if (const int n = UnitOfDevice(engine.m_strOutDevice); n != 0 && m_bed->Sound().BeginMonitor(n))
        m_monitored.emplace_back(&engine, n);
}

void CRealStackRunner::EngineStopped(const CWizardAudio& engine)
{
    m_transcript.Event("engine stop");
    // Its microphone thread completes the file after this: looked at later.
    if (engine.m_nMode == kModeRecord)
        m_recording = StoppedRecording{UnitOfDevice(engine.m_strInDevice), engine.m_strRecordFile};
    const auto it = std::find_if(m_monitored.begin(), m_monitored.end(), [&](const auto& m) { return m.first == &engine; });
    if (it == m_monitored.end())
        return;
    const int n = it->second;
    m_monitored.erase(it);
    // A tenth of full scale: the test sounds are far louder, silence far quieter.
    constexpr int kHeard = 3277;
    const int peak = m_bed->Sound().EndMonitor(n);
    m_transcript.Event("sound " + std::to_string(n) + (peak >= kHeard ? " heard" : " silent"));
}

}  // namespace vk::scenario
