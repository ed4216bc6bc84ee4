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

bool SameKey(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

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
    m_prompts = std::make_unique<CScriptPrompts>(
        m_transcript, [this](Verb verb) { return TakeNext(verb); },
        [this](int line, const std::string& what) { Fail(line, what); }, m_bed->Folder() / "files");
    std::error_code ec;
    std::filesystem::create_directories(m_bed->Folder() / "files", ec);
    SetMessageBoxes(m_prompts.get());
    SetFileDialogs(m_prompts.get());
    AppProfile().SetRegistryKey("Selvo");

    m_host->controlObserver = [this](CDialog&, const CControl& ctrl, unsigned what) {
        const int id = ctrl.Id();
        if ((what & CC_TEXT) != 0 && (id == IDC_TITLE || id == IDC_BODY || id == IDC_NEXT))
            Poll();
    };
    m_host->exitObserver = [this](int code) {
        Poll();
        m_transcript.Event("exit " + std::to_string(code));
        Finish();
    };
    m_bed->Settings().SetWriteObserver([this](const std::string& key, const std::string& valueName, const RegValue& value) {
        if (m_scriptWriting || !SameKey(key, kProgramKeyPath))
            return;
        char number[16];
        std::snprintf(number, sizeof number, "0x%08X", value.number);
        m_transcript.Event("setting " + Quote(valueName) + " = " +
                           (value.type == RegValue::Type::Dword ? std::string("dword ") + number
                                                                : "text " + Quote(value.text)));
    });
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
    if (m_bed) {
        for (int n = 1; auto unit = m_bed->Unit(n); ++n)
            unit->SetObserver({});
        m_bed->Settings().SetWriteObserver({});
    }
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
    const std::string n = std::to_string(index + 1);
    // Called under the unit's lock, on whichever thread drives it (umockdev's
    // worker, the bed's thread): only the transcript is touched.
    unit->SetObserver([this, n](const SimUnitEvent& e) {
        switch (e.kind) {
        case SimUnitEvent::Kind::Received: m_transcript.Event(n + "> " + HexBytes(e.bytes)); break;
        case SimUnitEvent::Kind::Answered: m_transcript.Event(n + "< " + HexBytes(e.bytes)); break;
        case SimUnitEvent::Kind::Reset: m_transcript.Event("unit " + n + " reset"); break;
        case SimUnitEvent::Kind::Returned: m_transcript.Event("unit " + n + " back " + Hex4(e.productId)); break;
        case SimUnitEvent::Kind::Left: m_transcript.Event("unit " + n + " unplugged"); break;
        }
    });
    (void)m_bed->Attach(std::move(unit), cardListedNow);
}

// --- the run ---------------------------------------------------------------------------

int CRealStackRunner::Run(const std::vector<Step>& steps, std::optional<ScriptError>& error)
{
    m_steps = &steps;
    m_next = 0;
    while (m_next < steps.size()) {
        const Step& step = steps[m_next++];
        if (step.verb == Verb::Start)
            RunWizard();
        else if (!m_wizardRan)
            Do(step);
        else
            DoAfterWizard(step);
    }
    error = m_error;
    return ExitCode();
}

int CRealStackRunner::ExitCode() const
{
    if (m_error)
        return kRunScriptError;
    return m_failed ? kRunFailed : kRunOk;
}

void CRealStackRunner::RunWizard()
{
    CQuorvelVK550ConfigApp app;
    app.m_attach = m_setup->MakeAttach();  // the window title and the udev device watch
    m_inWizard = true;
    m_wizardRan = true;
    QueuePump();
    (void)app.InitInstance();
    m_inWizard = false;
    Poll();
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
    if (!m_inWizard)
        return;
    if (!MayRunStep()) {
        QueuePump(kInsideStepRetryMs);
        return;
    }
    if (UiLoop().HasPosted()) {
        QueuePump(kBusyRetryMs);
        return;
    }
    if (m_next >= m_steps->size()) {
        Stall();
        return;
    }
    const Step& step = (*m_steps)[m_next++];
    Poll();
    CheckRecording();
    if (step.verb == Verb::Wait) {
        QueuePump(static_cast<int>(step.numbers[0]));  // real time passes in the loop
        return;
    }
    QueuePump();  // first: the step may open a nested loop that needs the next one
    m_stepDepths.push_back(m_host->ModalDepth());
    Do(step);
    m_stepDepths.pop_back();
}

void CRealStackRunner::Stall()
{
    Poll();
    m_transcript.Event("stalled");
    m_failed = true;
    Finish();
}

void CRealStackRunner::Finish()
{
    m_transcript.Mute();
    std::fflush(stdout);
    if (m_error)
        std::fprintf(stderr, "%s:%d: %s\n", m_scriptName.c_str(), m_error->line, m_error->reason.c_str());
    const int code = ExitCode();
    // The bed's server and folders go; the wizard's threads end with the process.
    SetWizardAudioObserver(nullptr);
    for (int n = 1; auto unit = m_bed->Unit(n); ++n)
        unit->SetObserver({});
    m_bed.reset();
    std::fflush(nullptr);
    std::_Exit(code);
}

void CRealStackRunner::Fail(int line, const std::string& what)
{
    m_failed = true;
    m_transcript.Event("expect failed " + std::to_string(line) + ": " + what);
}

void CRealStackRunner::ScriptFault(int line, const std::string& reason)
{
    if (!m_error)
        m_error = ScriptError{line, reason};
    if (m_inWizard)
        Finish();
    m_next = m_steps->size();
}

std::optional<Step> CRealStackRunner::TakeNext(Verb verb)
{
    if (!m_steps || m_next >= m_steps->size() || !m_qt || QThread::currentThread() != m_qt->thread())
        return std::nullopt;
    const Step& next = (*m_steps)[m_next];
    if (next.verb != verb)
        return std::nullopt;
    ++m_next;
    return next;
}

CQuorvelVK550ConfigDlg* CRealStackRunner::Wizard() const
{
    return dynamic_cast<CQuorvelVK550ConfigDlg*>(CDialog::MainWindow());
}

void CRealStackRunner::Poll()
{
    if (!m_qt || QThread::currentThread() != m_qt->thread())
        return;
    CQuorvelVK550ConfigDlg* wizard = Wizard();
    if (!wizard || !wizard->HasWindow())
        return;
    if (wizard->m_nPage != m_lastPage && !wizard->GetDlgItemText(IDC_TITLE).empty()) {
        m_lastPage = wizard->m_nPage;
        m_transcript.Event("page " + std::to_string(m_lastPage));
    }
    CDialog* active = m_host->ActiveModal();
    int channel = 0;
    if (active && &active->Template() == &kInputsTemplate) {
        const std::string title = active->GetDlgItemText(IDC_TITLE);
        const size_t at = title.find("Input ");
        if (at != std::string::npos && at + 6 < title.size() && title[at + 6] >= '1' && title[at + 6] <= '4')
            channel = title[at + 6] - '0';
    }
    if (channel != m_lastChannel) {
        m_lastChannel = channel;
        if (channel != 0)
            m_transcript.Event("inputs channel " + std::to_string(channel));
    }
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
