// quorvel-vk550-screenshots FOLDER: saves PNG screenshots of the wizard's pages
// and the About box, drawn offscreen against simulated units.
#include "app/AboutDlg.h"
#include "program/ProgramSetup.h"
#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "platform/clock/Clock.h"
#include "platform/hid/HidBus.h"
#include "platform/settings/AppProfile.h"
#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtLayoutCheck.h"
#include "resources/ControlIds.h"
#include "sim/hid/SimHidBus.h"
#include "sim/unit/SimSystem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace {

struct Scene {
    const char* file;
    std::vector<vk::SimUnitKind> units;
    std::vector<vk::Page> pages;  // shown one after the other; none: the page the wizard opens on
};

// Saves the window's picture and looks it over: a text that does not fit its
// control or a frame line through a text fails the run.
bool Shoot(vk::CQtHost& host, const vk::CDialog& dlg, const std::string& path)
{
    bool ok = host.SaveScreenshot(dlg, path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", path.c_str());
    if (QWidget* window = host.WindowOf(dlg)) {
        for (const std::string& fault : vk::TextLayoutFaults(*window)) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), fault.c_str());
            ok = false;
        }
    }
    return ok;
}

// Virtual time (a re-enumeration costs no real seconds) that lets the program
// look at the window whenever the wizard sleeps, which it does only while it waits.
class CWatchedClock final : public vk::IClock {
public:
    void OnSleep(std::function<void()> hook) { m_onSleep = std::move(hook); }
    [[nodiscard]] uint64_t NowMs() const override { return m_time.NowMs(); }
    void SleepMs(uint32_t ms) override
    {
        if (m_onSleep)
            m_onSleep();
        m_time.SleepMs(ms);
    }
    [[nodiscard]] vk::LocalTime Local() const override { return m_time.Local(); }

private:
    vk::CVirtualClock m_time;
    std::function<void()> m_onSleep;
};

bool ShootScenes(vk::CQtHost& host, const std::string& folder)
{
    using K = vk::SimUnitKind;
    const Scene scenes[] = {
        {"page0-no-unit.png", {}, {}},
        {"page0-two-units.png", {K::StandAlone, K::Slave}, {}},
        {"page1-new-unit.png", {K::New}, {}},
        {"page2-stand-alone.png", {K::StandAlone}, {}},
        {"page2-master.png", {K::Master}, {}},
        {"page2-slave.png", {K::Slave}, {}},
        {"page2-system-integration.png", {K::Master, K::Slave, K::Slave}, {}},
        {"page8-output.png", {K::StandAlone}, {vk::Page::Speaker, vk::Page::OutputListening}},
        {"page13-finished.png", {K::StandAlone}, {vk::Page::Speaker, vk::Page::OutputListening, vk::Page::Finished}},
    };
    bool ok = true;
    for (const Scene& scene : scenes) {
        vk::CSimHidBus bus;
        for (K kind : scene.units)
            bus.Plug(std::make_shared<vk::CSimUnit>(kind));
        vk::SetHidBus(&bus);
        {
            vk::CQuorvelVK550ConfigDlg dlg;
            ok = dlg.Create() && ok;
            for (vk::Page page : scene.pages) {
                vk::CWizardTestSeam::PutOnPage(dlg, page);
                dlg.ShowPage();
            }
            ok = Shoot(host, dlg, folder + "/" + scene.file) && ok;
            if (!scene.pages.empty() && scene.pages.back() == vk::Page::Finished) {
                vk::CAboutDlg about(&dlg);
                ok = about.Create() && ok;
                ok = Shoot(host, about, folder + "/about.png") && ok;
                about.DestroyWindow();
            }
            dlg.DestroyWindow();
        }
        vk::SetHidBus(nullptr);
    }
    return ok;
}

// A new unit made a Stand Alone unit the way a user does it: the type chosen on
// page 1, Next, the wait while the unit re-enumerates (taken from inside the
// wait), then the page the wizard goes on to.
bool ShootStandAloneAssignment(vk::CProgramSetup& setup, const std::string& folder)
{
    constexpr std::string_view kWaitText = "The unit is re-enumerating.";
    setup.Simulate(vk::CSimSystem::Create("new"));
    CWatchedClock clock;
    vk::SetClock(&clock);
    bool ok = true;
    {
        vk::CQuorvelVK550ConfigDlg dlg;
        ok = dlg.Create() && ok;
        bool waitShot = false;
        clock.OnSleep([&] {
            if (waitShot || !dlg.GetDlgItemText(vk::IDC_BODY).starts_with(kWaitText))
                return;
            waitShot = true;
            ok = Shoot(setup.Host(), dlg, folder + "/reenumerating.png") && ok;
        });
        const bool clicked = dlg.ClickControl(vk::IDC_TYPE_STAND_ALONE) && dlg.ClickControl(vk::IDC_NEXT);
        clock.OnSleep({});
        if (!clicked || !waitShot || dlg.View().CurrentPage() != vk::Page::Speaker) {
            std::fprintf(stderr, "The Stand Alone assignment did not reach page 5 (page %d)\n", vk::PageNumber(dlg.View().CurrentPage()));
            ok = false;
        }
        ok = Shoot(setup.Host(), dlg, folder + "/page5-speaker.png") && ok;
        dlg.DestroyWindow();
    }
    vk::SetClock(nullptr);
    setup.Simulate(nullptr);
    return ok;
}

// Lets the window and the sound run for a while of real time.
void Run(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The test pages at work on a simulated stand-alone unit whose microphone
// hears somebody talking (real time): a test sound playing, a recording, its
// playback.
bool ShootTests(vk::CProgramSetup& setup, const std::string& folder)
{
    setup.Simulate(vk::CSimSystem::Create("stand-alone"));
    bool ok = true;
    {
        vk::CQuorvelVK550ConfigDlg dlg;
        ok = dlg.Create() && ok;
        ok = dlg.ClickControl(vk::IDC_NEXT) && dlg.View().CurrentPage() == vk::Page::Speaker && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_VOICE) && ok;
        Run(600);
        ok = Shoot(setup.Host(), dlg, folder + "/page5-playing.png") && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_VOICE) && ok;

        // The output page as the inputs page's Next leaves it: listening.
        vk::CWizardTestSeam::PutOnPage(dlg, vk::Page::OutputListening);
        dlg.ShowPage();
        vk::CWizardAudio& engine = vk::CWizardTestSeam::Engine(dlg);
        engine.m_nMode = vk::kModeMonitor;
        engine.m_strInDevice = dlg.View().AudioDeviceName();
        engine.m_strRecordFile = engine.m_strPlayFile = dlg.View().WaveDir() + "MicRecorded.wav";
        ok = engine.Start(&dlg) && ok;
        Run(800);
        ok = dlg.ClickControl(vk::IDC_PLAY_VOICE) && dlg.View().CurrentPage() == vk::Page::OutputRecording && ok;
        Run(1000);
        // A moment when the talker is loud on the meter.
        for (int i = 0; i < 60 && dlg.GetDlgItem(vk::IDC_LEVEL_METER).GetPos() < 70; ++i)
            Run(50);
        Run(20);
        ok = Shoot(setup.Host(), dlg, folder + "/page8-recording.png") && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_VOICE) && dlg.View().CurrentPage() == vk::Page::OutputListening && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_MUSIC) && dlg.View().CurrentPage() == vk::Page::OutputPlayback && ok;
        Run(600);
        ok = Shoot(setup.Host(), dlg, folder + "/page8-playback.png") && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_MUSIC) && ok;
        vk::CWizardTestSeam::Engine(dlg).Stop();
        dlg.DestroyWindow();
    }
    setup.Simulate(nullptr);
    return ok;
}

// The settings and data folders of a run, private to it: the pages must not
// depend on what the developer's own settings hold, nor change them.
class CPrivateFolders {
public:
    CPrivateFolders()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vk550-screenshots-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return;
        m_root = pattern;
        setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);
    }
    ~CPrivateFolders()
    {
        std::error_code ignored;
        if (!m_root.empty())
            std::filesystem::remove_all(m_root, ignored);
    }
    CPrivateFolders(const CPrivateFolders&) = delete;
    CPrivateFolders& operator=(const CPrivateFolders&) = delete;
    [[nodiscard]] bool Made() const { return !m_root.empty(); }

private:
    std::filesystem::path m_root;
};

}  // namespace

int main(int argc, char** argv)
{
    const vk::ProgramOptions options = vk::ParseProgramOptions(argc, argv, true);
    if (!options.valid || !options.screenshots) {
        std::fprintf(stderr, "usage: quorvel-vk550-screenshots FOLDER\n");
        return 2;
    }
    const CPrivateFolders folders;
    if (!folders.Made()) {
        std::fprintf(stderr, "Cannot make a temporary folder for the settings\n");
        return 2;
    }
    // Offscreen; a screen of its own (QT_QPA_PLATFORM=offscreen:configfile=...) draws
    // the pages at that screen's text scaling.
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    vk::CProgramSetup setup;
    if (!setup.Start({.simulate = "new", .screenshots = {}, .help = false, .valid = true, .problem = {}}))
        return 2;
    vk::AppProfile().SetRegistryKey("Selvo");
    const std::string folder = std::filesystem::absolute(*options.screenshots).string();
    std::filesystem::create_directories(folder);

    bool ok = ShootScenes(setup.Host(), folder);
    ok = ShootStandAloneAssignment(setup, folder) && ok;
    ok = ShootTests(setup, folder) && ok;
    return ok ? 0 : 1;
}
