// The wizard on the real Linux stack: the Qt host (offscreen), the hidapi
// backend on umockdev's hidraw devices, the PulseAudio backend on a private
// server whose cards follow the units, the udev device watch and the real
// clock. A new unit is made a Stand Alone unit: it resets, returns as a new
// hidraw node under a new product id, its sound card returns under the new
// name a while later, and the wizard reaches the speaker page having found it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <thread>

#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "audio/AudioEndpoints.h"
#include "audio/WaveReader.h"
#include "platform/settings/AppProfile.h"
#include "platform/ui/MessageBox.h"
#include "program/ProgramSetup.h"
#include "resources/ControlIds.h"
#include "tests/audio/echo/TestWav.h"
#include "tests/support/PumpUntil.h"
#include "tools/vk550-scenario/realstack/RealStackBed.h"

namespace vk {
namespace {

using test::CRealStackBed;
using test::CUmockdevBed;
using Ms = std::chrono::milliseconds;

// Runs the window loop until done() holds or `limit` of real time has passed.
bool PumpUntil(const std::function<bool()>& done, Ms limit)
{
    return test::PumpUntil(done, [] {
        QCoreApplication::processEvents();
        (void)UiHost().PumpWaitingMessages();
    }, limit);
}

class RealStackRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CUmockdevBed::PreloadActive())
            GTEST_SKIP() << "needs umockdev's preload";
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        std::string error;
        ASSERT_TRUE(m_bed.Start(&error)) << error;
        static int argc = 1;
        static char name[] = "realstack_road_test";
        static char* argv[] = {name, nullptr};
        m_qt = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override
    {
        SetMessageBoxes(nullptr);
        m_setup.reset();
        m_qt.reset();
    }

    // The program's own wiring of the real stack, with the message boxes
    // answered here instead of in windows nobody sees.
    void StartProgram()
    {
        m_setup = std::make_unique<CProgramSetup>();
        ASSERT_TRUE(m_setup->Start(ProgramOptions{}));
        SetMessageBoxes(&m_boxes);
        AppProfile().SetRegistryKey("Selvo");
    }

    // The wizard's engine plays a tone on the device it found after the
    // re-enumeration while a second engine records the card's microphone (which
    // hears the card's speaker): the tone is on the playback device's monitor
    // and in the recording.
    void PlayAndRecordThroughTheCard(CWizardAudio& engine, int number)
    {
        constexpr uint32_t kRate = 16000;
        std::vector<int16_t> tone(kRate);
        testwav::AddSine(tone, kRate, 0, tone.size(), 8000.0);
        const std::string playFile = (m_bed.Folder() / "tone.wav").string();
        const std::string recordFile = (m_bed.Folder() / "recorded.wav").string();
        testwav::WriteWav(playFile, 1, kRate, tone);

        // The speaker page gave the card's volumes the unit's levels (none yet on a
        // new unit): full scale here, so the tone keeps its level on the way.
        CAudioEndpoints endpoints;
        ASSERT_EQ(0, endpoints.SetPlayVolume(0xFFFF));
        ASSERT_EQ(0, endpoints.SetRecordVolume(0xFFFF));
        ASSERT_EQ(0, endpoints.UnmutePlay());
        ASSERT_EQ(0, endpoints.UnmuteRecord());

        CWizardAudio recorder;
        recorder.m_strInDevice = recorder.m_strOutDevice = engine.m_strOutDevice;
        recorder.m_strRecordFile = recordFile;
        recorder.m_nMode = kModeRecord;
        engine.m_strPlayFile = playFile;
        engine.m_nMode = kModePlay;
        CMessageQueue recorderWindow;
        CMessageQueue playerWindow;
        ASSERT_TRUE(m_bed.Sound().BeginMonitor(number));
        ASSERT_TRUE(recorder.Start(&recorderWindow));
        ASSERT_TRUE(engine.Start(&playerWindow));
        bool done = false;
        EXPECT_TRUE(PumpUntil(
            [&] {
                while (auto m = playerWindow.Take())
                    done = done || m->message == WM_AUDIO_DONE;
                return done;
            },
            Ms(15000)));
        // What was still on its way to the recorder.
        int blocks = 0;
        EXPECT_TRUE(PumpUntil(
            [&] {
                while (auto m = recorderWindow.Take())
                    blocks += m->lParam >= 0 ? 1 : 0;
                return blocks >= 4;
            },
            Ms(15000)));
        engine.Stop();
        recorder.Stop();
        EXPECT_GT(m_bed.Sound().EndMonitor(number), 4000) << "the tone reached the named playback device";

        CWaveReader reader;
        ASSERT_TRUE(reader.Open(recordFile));
        std::vector<int16_t> samples(reader.m_dwDataSize / 2);
        ASSERT_EQ(reader.Read(samples.data(), static_cast<uint32_t>(samples.size() * 2)), samples.size() * 2);
        int peak = 0;
        for (const int16_t v : samples)
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 4000) << "the tone came back from the named recording device";
    }

    CRealStackBed m_bed;
    std::unique_ptr<QApplication> m_qt;
    std::unique_ptr<CProgramSetup> m_setup;
    CScriptedMessageBox m_boxes;
};

// Real time of one user action, printed for the figures (never asserted).
template <class F>
long long Timed(const char* what, F&& action)
{
    const auto before = std::chrono::steady_clock::now();
    action();
    const auto took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - before).count();
    std::printf("real stack: %-34s %6lld ms\n", what, static_cast<long long>(took));
    return took;
}

TEST_F(RealStackRoad, ANewUnitMadeStandAloneGoesThroughEveryPageToExit)
{
    StartProgram();
    auto unit = std::make_shared<CSimUnit>(SimUnitKind::New);
    const int number = m_bed.Attach(unit);
    ASSERT_TRUE(PumpUntil([&] { return !m_bed.CardName(number).empty(); }, Ms(10000)));
    const std::string firstNode = m_bed.DevNode(number);

    CQuorvelVK550ConfigDlg dlg;
    dlg.SetAttach(m_setup->MakeAttach());
    Timed("start to page 1", [&] { ASSERT_TRUE(dlg.Create()); });
    ASSERT_EQ(dlg.View().CurrentPage(), Page::TypeSelection) << "the new unit asks for its type";

    ASSERT_TRUE(dlg.ClickControl(IDC_TYPE_STAND_ALONE));
    // Writes the type, resets the unit and waits for it and its card.
    Timed("page 1 to 5 (type, reset, card)", [&] { ASSERT_TRUE(dlg.ClickControl(IDC_NEXT)); });
    for (const auto& box : m_boxes.asked)
        ADD_FAILURE() << "box \"" << box.caption << "\": " << box.text;
    ASSERT_EQ(dlg.View().CurrentPage(), Page::Speaker);
    EXPECT_EQ(unit->ProductId(), 0x117);
    EXPECT_NE(m_bed.DevNode(number), firstNode) << "the unit returned as a new hidraw node";
    EXPECT_EQ(m_bed.CardName(number), "Qrvl VK550_SAL");
    EXPECT_EQ(dlg.View().Audio().m_strOutDevice, "Qrvl VK550_SAL");
    EXPECT_NE(CWizardTestSeam::Engine(dlg).FindInDeviceId("Qrvl VK550_SAL"), -1)
        << "the wizard's sound backend lists the card";
    Timed("a tone through the returned card",
          [&] { PlayAndRecordThroughTheCard(CWizardTestSeam::Engine(dlg), number); });

    // The inputs page runs modally over the wizard; Next there (once per channel,
    // the fourth ends it) comes from its own loop.
    int inputsNext = 0;
    std::function<void()> nextChannel = [&] {
        if (!dlg.View().InputsPage() || inputsNext == 4)
            return;
        ++inputsNext;
        (void)dlg.View().InputsPage()->ClickControl(IDC_NEXT);
        QTimer::singleShot(20, nextChannel);
    };
    QTimer::singleShot(50, nextChannel);
    Timed("page 5 to 8 (inputs page)", [&] { ASSERT_TRUE(dlg.ClickControl(IDC_NEXT)); });
    EXPECT_EQ(inputsNext, 4);
    ASSERT_EQ(dlg.View().CurrentPage(), Page::OutputListening);
    Timed("page 8 to 13 (unit stores)", [&] { ASSERT_TRUE(dlg.ClickControl(IDC_NEXT)); });
    ASSERT_EQ(dlg.View().CurrentPage(), Page::Finished);
    const size_t commandsBeforeExit = unit->Log().size();
    Timed("Exit", [&] { ASSERT_TRUE(dlg.ClickControl(IDC_NEXT)); });
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_GT(unit->Log().size(), commandsBeforeExit) << "Exit lowers the speaker flag in the unit";
    EXPECT_TRUE(m_boxes.asked.empty());
    dlg.DestroyWindow();
}

TEST_F(RealStackRoad, AUnitUnpluggedReachesTheWizardThroughUdevAndTakesItsCard)
{
    StartProgram();
    const int number = m_bed.Attach(std::make_shared<CSimUnit>(SimUnitKind::StandAlone));
    ASSERT_TRUE(PumpUntil([&] { return !m_bed.CardName(number).empty(); }, Ms(10000)));
    CQuorvelVK550ConfigDlg dlg;
    dlg.SetAttach(m_setup->MakeAttach());
    ASSERT_TRUE(dlg.Create());
    ASSERT_EQ(dlg.View().CurrentPage(), Page::ConfigurationType);

    m_bed.Unplug(number);
    EXPECT_TRUE(PumpUntil([&] { return dlg.View().CurrentPage() == Page::Welcome; }, Ms(10000))) << "page " << dlg.View().CurrentPage();
    EXPECT_TRUE(PumpUntil([&] { return m_bed.CardName(number).empty(); }, Ms(10000)));
    EXPECT_FALSE(dlg.GetDlgItem(IDC_NEXT).IsWindowEnabled()) << "no unit to configure";
    m_bed.Replug(number);
    EXPECT_TRUE(PumpUntil([&] { return dlg.GetDlgItem(IDC_NEXT).IsWindowEnabled(); }, Ms(10000)))
        << "the unit is back on the first page";
    EXPECT_TRUE(PumpUntil([&] { return m_bed.CardName(number) == "Qrvl VK550_SAL"; }, Ms(10000)));
    dlg.DestroyWindow();
}

}  // namespace
}  // namespace vk
