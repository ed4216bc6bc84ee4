// quorvel-vk550-screenshots FOLDER: saves PNG screenshots of the wizard's pages
// and the About box, drawn offscreen against simulated units.
#include "app/AboutDlg.h"
#include "program/ProgramSetup.h"
#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/hid/HidBus.h"
#include "platform/settings/AppProfile.h"
#include "platform/ui/qt/QtHost.h"
#include "resources/ControlIds.h"
#include "sim/unit/SimSystem.h"
#include "sim/hid/SimHidBus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

struct Scene {
    const char* file;
    std::vector<vk::SimUnitKind> units;
    std::vector<int> pages;  // shown one after the other; none: the page the wizard opens on
};

bool Shoot(vk::CQtHost& host, const vk::CDialog& dlg, const std::string& path)
{
    const bool ok = host.SaveScreenshot(dlg, path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", path.c_str());
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
// hears somebody talking: a test sound playing, a recording, its playback.
bool ShootTests(vk::CProgramSetup& setup, const std::string& folder)
{
    setup.Simulate(vk::CSimSystem::Create("stand-alone"));
    const auto recordings = std::filesystem::temp_directory_path() / "quorvel-vk550-screenshots";
    std::filesystem::create_directories(recordings);
    bool ok = true;
    {
        vk::CQuorvelVK550ConfigDlg dlg;
        ok = dlg.Create() && ok;
        dlg.m_strWaveDir = recordings.string() + "/";
        ok = dlg.ClickControl(vk::IDC_NEXT) && dlg.m_nPage == 5 && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_VOICE) && ok;
        Run(600);
        ok = Shoot(setup.Host(), dlg, folder + "/page5-playing.png") && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_VOICE) && ok;

        // The output page as the inputs page's Next leaves it: listening.
        dlg.m_nPage = 8;
        dlg.ShowPage();
        dlg.m_audio.m_nMode = vk::kModeMonitor;
        dlg.m_audio.m_strInDevice = dlg.m_strAudioDeviceName;
        dlg.m_audio.m_strRecordFile = dlg.m_audio.m_strPlayFile = dlg.m_strWaveDir + "MicRecorded.wav";
        ok = dlg.m_audio.Start(&dlg) && ok;
        Run(800);
        ok = dlg.ClickControl(vk::IDC_PLAY_VOICE) && dlg.m_nPage == 9 && ok;
        Run(1000);
        // A moment when the talker is loud on the meter.
        for (int i = 0; i < 60 && dlg.GetDlgItem(vk::IDC_LEVEL_METER).GetPos() < 70; ++i)
            Run(50);
        Run(20);
        ok = Shoot(setup.Host(), dlg, folder + "/page8-recording.png") && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_VOICE) && dlg.m_nPage == 8 && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_MUSIC) && dlg.m_nPage == 10 && ok;
        Run(600);
        ok = Shoot(setup.Host(), dlg, folder + "/page8-playback.png") && ok;
        ok = dlg.ClickControl(vk::IDC_PLAY_MUSIC) && ok;
        dlg.m_audio.Stop();
        dlg.DestroyWindow();
    }
    std::filesystem::remove_all(recordings);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const vk::ProgramOptions options = vk::ParseProgramOptions(argc, argv, true);
    if (!options.valid || !options.screenshots) {
        std::fprintf(stderr, "usage: quorvel-vk550-screenshots FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    vk::CProgramSetup setup;
    if (!setup.Start({.simulate = "new", .screenshots = {}, .help = false, .valid = true}))
        return 2;
    vk::AppProfile().SetRegistryKey("Selvo");
    const std::string folder = *options.screenshots;
    std::filesystem::create_directories(folder);

    using K = vk::SimUnitKind;
    const Scene scenes[] = {
        {"page0-no-unit.png", {}, {}},
        {"page0-two-units.png", {K::StandAlone, K::Slave}, {}},
        {"page1-new-unit.png", {K::New}, {}},
        {"page2-stand-alone.png", {K::StandAlone}, {}},
        {"page5-speaker.png", {K::StandAlone}, {5}},
        {"page8-output.png", {K::StandAlone}, {5, 8}},
        {"page13-finished.png", {K::StandAlone}, {5, 8, 13}},
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
            for (int page : scene.pages) {
                dlg.m_nPage = page;
                dlg.ShowPage();
            }
            ok = Shoot(setup.Host(), dlg, folder + "/" + scene.file) && ok;
            if (!scene.pages.empty() && scene.pages.back() == 13) {
                vk::CAboutDlg about(&dlg);
                ok = about.Create() && ok;
                ok = Shoot(setup.Host(), about, folder + "/about.png") && ok;
                about.DestroyWindow();
            }
            dlg.DestroyWindow();
        }
        vk::SetHidBus(nullptr);
    }
    ok = ShootTests(setup, folder) && ok;
    return ok ? 0 : 1;
}
