// The bench of a scenario (clock, settings, host, simulated units and sound
// cards, what is watched) and the run: steps before start, the wizard's modal
// run fed one step whenever its loop is idle, and what may follow its end.
#include "ScenarioRunner.h"

#include "app/QuorvelVK550ConfigApp.h"
#include "device/HIDProtocol.h"
#include "platform/hid/HidBus.h"
#include "platform/settings/AppProfile.h"
#include "platform/settings/Paths.h"
#include "platform/sound/SoundSystem.h"
#include "app/QuorvelVK550ConfigDlg.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"
#include "sim/sound/SimSignal.h"
#include "sim/unit/SimSystem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace vk::scenario {

namespace {

// The folder given, or a private temporary one.
std::filesystem::path ChooseFolder(const RunnerOptions& options)
{
    if (options.configDir) {
        // The folder's paths go into variables that only count when absolute
        // (a relative XDG_DATA_HOME is passed over for the real home's).
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::absolute(*options.configDir, ec).lexically_normal();
        std::filesystem::create_directories(folder, ec);
        return folder;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "vk550-scenario-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return std::filesystem::temp_directory_path();
    return pattern;
}

}  // namespace

CScenarioRunner::CScenarioRunner(RunnerOptions options, CTranscript::Sink sink)
    : m_options(std::move(options)),
      m_transcript(std::move(sink)),
      m_folder(ChooseFolder(m_options)),
      m_removeFolder(!m_options.configDir && m_folder != std::filesystem::temp_directory_path()),
      m_run(*this, m_transcript, m_folder / "files")
{
    SetClock(&m_clock);
    std::error_code ec;
    std::filesystem::create_directories(m_folder / "files", ec);
    m_transcript.HideFolder(m_folder.string());
    // Nothing of the user's is read or written, and no other program is reached.
    ::setenv("QUORVEL_WINDOWS_DIR", (m_folder / "windows").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (m_folder / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    // The recordings folder exists as the installation leaves it.
    std::filesystem::create_directories(paths::DefaultWaveDir(), ec);

    m_store = std::make_unique<CSettingsStore>(m_folder / "registry.reg");
    SetSettings(m_store.get());
    AppProfile().SetRegistryKey("Selvo");

    m_host.Install();
    SetMessageBoxes(&m_boxes);
    SetFileDialogs(&m_run.Prompts());
    CHIDProtocol::SetMessagePump(&m_pump);
    SetHidBus(&m_bus);
    SetSoundSystem(&m_sound);
    m_cards = std::make_unique<CSimUnitSoundCards>(m_sound);
    // The cards record and play as the virtual time passes.
    m_cards->Pace(true);
    m_clock.SetTick(kAudioBufferMs, [this](uint64_t buffers) { m_cards->Grant(static_cast<long long>(buffers)); });
    (void)RegisterResourceImages();

    const auto kinds = SimulatedUnitKinds(m_options.units);
    m_valid = kinds.has_value();
    if (kinds)
        for (SimUnitKind kind : *kinds)
            (void)AddUnit(kind, true);
    m_initialUnits = static_cast<int>(m_units.size());

    // What the program does, as it happens. A page has been shown when the
    // wizard has put up its texts (or the inputs page its title).
    m_host.controlObserver = [this](CDialog&, const CControl& ctrl, unsigned what) {
        const int id = ctrl.Id();
        if ((what & CC_TEXT) != 0 && (id == IDC_TITLE || id == IDC_BODY || id == IDC_NEXT))
            m_run.Poll();
    };
    m_cards->SetListedListener([this](const std::shared_ptr<CSimUnit>& unit, const std::string& name) {
        m_transcript.Event("card " + std::to_string(NumberOf(unit.get())) + " back " + Quote(name));
    });
    m_sound.SetWriteListener([this](const SimMixerWrite& write) {
        // The cards' mixers: control 1 is the recording volume, 3 the playback volume.
        if (write.values.empty() || (write.controlId != 1 && write.controlId != 3))
            return;
        m_transcript.Event(std::string("mixer ") + (write.controlId == 3 ? "play " : "record ") +
                           std::to_string(write.values[0]));
    });
    m_run.WatchSettings(*m_store);
    SetWizardAudioObserver(&m_engines);
    m_host.exitObserver = [this](int code) {
        if (!m_transcript.Muted())
            m_transcript.Event("exit " + std::to_string(code));
        m_run.MarkStopped();
        m_transcript.Mute();  // the process would be gone now
    };
}

CScenarioRunner::~CScenarioRunner()
{
    m_clock.ReleaseWorkers(true);
    SetWizardAudioObserver(nullptr);
    m_run.Unwatch();
    m_sound.SetWriteListener({});
    m_cards->SetListedListener({});
    m_bus.SetChangeListener({});
    m_cards.reset();
    SetSoundSystem(nullptr);
    SetHidBus(nullptr);
    CHIDProtocol::SetMessagePump(nullptr);
    SetMessageBoxes(nullptr);
    SetFileDialogs(nullptr);
    SetSettings(nullptr);
    m_units.clear();
    SetClock(nullptr);
    if (m_removeFolder) {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
}

// --- the bench -----------------------------------------------------------------------

std::shared_ptr<CSimUnit> CScenarioRunner::AddUnit(SimUnitKind kind, bool cardListedNow)
{
    auto unit = std::make_shared<CSimUnit>(DefaultSimUnitState(kind, static_cast<unsigned>(m_units.size())));
    m_units.push_back(unit);
    m_run.Watch(unit, static_cast<int>(m_units.size()));
    (void)m_bus.Plug(unit);
    m_cards->Follow(unit, cardListedNow);
    return unit;
}

std::shared_ptr<CSimUnit> CScenarioRunner::Unit(int number) const
{
    if (number < 1 || number > UnitCount())
        return nullptr;
    return m_units[static_cast<size_t>(number - 1)];
}

int CScenarioRunner::Plug(SimUnitKind kind)
{
    (void)AddUnit(kind, false);
    return UnitCount();
}

void CScenarioRunner::Unplug(int number) { m_bus.Unplug(Unit(number)); }

void CScenarioRunner::Replug(int number) { (void)m_bus.Plug(Unit(number)); }

void CScenarioRunner::SetMicrophones(const MicSignal& signal)
{
    if (signal.sine)
        m_cards->SetSignal(std::make_shared<CSineSignal>(static_cast<double>(signal.hz), static_cast<double>(signal.peak)));
    else
        m_cards->SetSignal(std::make_shared<CSilenceSignal>());
}

int CScenarioRunner::NumberOf(const CSimUnit* unit) const
{
    for (size_t i = 0; i < m_units.size(); ++i)
        if (m_units[i].get() == unit)
            return static_cast<int>(i + 1);
    return 0;
}

// Looks at the bus and the sound cards as a device watch would, then lets the
// windows handle what that brought.
void CScenarioRunner::Settle()
{
    m_bus.Poll();
    m_cards->Sync();
    (void)m_clock.Settle();
    m_host.RunUntilIdle();
}

bool CScenarioRunner::WindowsHaveWork() const
{
    if (UiLoop().HasPosted())
        return true;
    const auto due = UiLoop().NextTimerDue();
    return due && *due <= m_clock.NowMs();
}

// Virtual time passes in steps to each thing due on the way (a timer, a unit
// leaving or coming back, a sound card being listed), each handled at its time.
void CScenarioRunner::Wait(uint64_t ms)
{
    m_clock.ReleaseWorkers(false);
    const uint64_t target = m_clock.NowMs() + ms;
    Settle();
    while (!m_run.Stopped()) {
        std::optional<uint64_t> next = UiLoop().NextTimerDue();
        const auto earlier = [&next](std::optional<uint64_t> due) {
            if (due && (!next || *due < *next))
                next = due;
        };
        for (const auto& unit : m_units)
            earlier(unit->NextChangeDueMs());
        earlier(m_cards->NextCardDueMs());
        const CQuorvelVK550ConfigDlg* wizard = m_run.Wizard();
        if (!next || *next > target || (m_run.InWizard() && (!wizard || wizard->IsEnded())))
            break;
        m_clock.AdvanceTo(std::max(*next, m_clock.NowMs() + 1));
        Settle();
    }
    if (!m_run.Stopped()) {
        m_clock.AdvanceTo(target);
        Settle();
    }
}

// --- the run -------------------------------------------------------------------------

int CScenarioRunner::Run(const std::vector<Step>& steps, std::optional<ScriptError>& error)
{
    m_uiThread = std::this_thread::get_id();
    m_clock.SetWindowThread(m_uiThread);
    return m_run.Run(steps, [this] { RunWizard(); }, error);
}

void CScenarioRunner::RunWizard()
{
    CQuorvelVK550ConfigApp app;
    app.m_attach = [this](CDialog& window) -> std::shared_ptr<void> {
        // The device watch: every change on the bus reaches the window as a notification.
        m_bus.SetChangeListener([&window] { (void)window.Post(WM_DEVICECHANGE, 7, 0); });
        return std::shared_ptr<void>(nullptr, [this](void*) {
            m_bus.SetChangeListener({});
            // The window goes: its engines end with it, without waiting for virtual time.
            m_clock.ReleaseWorkers(true);
        });
    };
    QueuePump();
    (void)app.InitInstance();
    if (m_run.Stopped())
        return;
    m_run.Poll();
    m_transcript.Event("end " + std::to_string(app.m_nDialogResult));
    m_transcript.Event("exit 0");
}

void CScenarioRunner::QueuePump()
{
    m_host.Then([this](CHeadlessHost&) { Pump(); });
}

// Runs when the innermost modal loop is idle: the next step, or, when none is
// left, the run has stalled.
void CScenarioRunner::Pump()
{
    if (m_run.Stopped())
        return;
    // What the engine's workers were due to do is done, and what they posted is
    // handled by the loop before the next step.
    m_clock.ReleaseWorkers(false);
    (void)m_clock.Settle();
    if (WindowsHaveWork()) {
        QueuePump();
        return;
    }
    if (!m_run.HasNext()) {
        m_run.Stall();
        return;
    }
    const Step& step = m_run.Next();
    QueuePump();  // first: the step may open a nested loop that needs the next one
    m_run.Poll();
    m_run.Do(step);
}

// Ends every loop at once, printing nothing more.
void CScenarioRunner::Stop()
{
    m_transcript.Mute();
    m_clock.ReleaseWorkers(true);
    if (m_run.InWizard())
        m_host.ExitProcess(0);
}

}  // namespace vk::scenario
