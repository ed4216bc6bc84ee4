// The scenario clock with the audio engine on paced simulated cards: the blocks
// the engine posts depend on the virtual time that passed, never on how fast
// the threads ran, and stopping the engine neither hangs nor moves the time.
#include "EnginePacing.h"
#include "ScenarioClock.h"

#include "audio/WizardAudio.h"
#include "platform/post/MessageTarget.h"
#include "platform/sound/SoundSystem.h"
#include "platform/ui/MessageBox.h"
#include "sim/sound/SimUnitSoundCards.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vk::scenario {
namespace {

class ScenarioClockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(&m_clock);
        SetSoundSystem(&m_sound);
        SetWizardAudioObserver(&m_pacing);
        m_cards.Follow(m_unit);
        m_cards.Pace(true);
    }
    void TearDown() override
    {
        m_clock.ReleaseWorkers(true);
        SetMessageBoxes(nullptr);
        SetWizardAudioObserver(nullptr);
        SetSoundSystem(nullptr);
        SetClock(nullptr);
    }
    // Moves the time on, granting one buffer per 128 ms, as the runner does.
    void Advance(uint64_t ms)
    {
        m_cards.Grant(static_cast<long long>(ms / 128));
        m_clock.AdvanceTo(m_clock.NowMs() + ms);
    }
    [[nodiscard]] size_t Blocks() const { return Blocks(m_posted); }
    // Blocks posted to `queue`; a "no block" message counts as a failure of the test.
    [[nodiscard]] static size_t Blocks(CMessageQueue& queue)
    {
        size_t n = 0;
        for (const auto& m : queue.TakeAll()) {
            n += m.message == WM_AUDIO_BLOCK && m.lParam > 0;
            EXPECT_FALSE(m.message == WM_AUDIO_BLOCK && m.lParam == kBlockMissing) << "judged silent";
        }
        return n;
    }

    CScenarioClock m_clock;
    CEnginePacing m_pacing{m_clock, {}};
    CSimSoundSystem m_sound;
    CSimUnitSoundCards m_cards{m_sound};
    std::shared_ptr<CSimUnit> m_unit = std::make_shared<CSimUnit>(SimUnitKind::StandAlone);
    mutable CMessageQueue m_posted;
};

TEST_F(ScenarioClockTest, TheMicrophoneDeliversWhatTheTimeGrantsAndStoppingIsQuick)
{
    CWizardAudio audio;
    audio.m_strInDevice = m_unit->UsbName();
    audio.m_nMode = kModeMonitor;
    ASSERT_TRUE(audio.Start(&m_posted));
    EXPECT_TRUE(m_clock.Settle());
    EXPECT_EQ(Blocks(), 0u);
    for (int round = 0; round < 5; ++round) {
        Advance(1280);
        EXPECT_EQ(Blocks(), 10u) << round;
    }
    const uint64_t before = m_clock.NowMs();
    const auto t0 = std::chrono::steady_clock::now();
    m_clock.ReleaseWorkers(true);
    audio.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1500));
    EXPECT_EQ(m_clock.NowMs(), before);
    EXPECT_EQ(audio.m_bRecording, 0);
}

// Two engines record; one stops. Its workers sleep at once while it stops; the
// other's keep to the scenario's time: it gets one block per 128 ms, at its
// time, and is never judged silent (a worker released with the stopping engine
// ran ahead on its own time and missed its blocks).
TEST_F(ScenarioClockTest, AStoppingEngineLeavesTheOtherOnTheScenariosTime)
{
    auto second = std::make_shared<CSimUnit>(SimUnitKind::Master);
    m_cards.Follow(second);
    m_clock.SetTick(128, [this](uint64_t buffers) { m_cards.Grant(static_cast<long long>(buffers)); });
    CWizardAudio stopping;
    CWizardAudio going;
    CMessageQueue goingPosted;
    stopping.m_strInDevice = m_unit->UsbName();
    going.m_strInDevice = second->UsbName();
    stopping.m_nMode = going.m_nMode = kModeMonitor;
    ASSERT_TRUE(stopping.Start(&m_posted));
    ASSERT_TRUE(going.Start(&goingPosted));
    EXPECT_TRUE(m_clock.Settle());
    m_clock.AdvanceTo(m_clock.NowMs() + 1280);
    EXPECT_EQ(Blocks(), 10u);
    EXPECT_EQ(Blocks(goingPosted), 10u);

    stopping.Stop();
    for (int round = 0; round < 4; ++round) {
        // One move of 3.2 s: the cards still move one buffer per 128 ms, each at its time.
        m_clock.AdvanceTo(m_clock.NowMs() + 3200);
        EXPECT_EQ(Blocks(goingPosted), 25u) << round;
    }
    going.Stop();
}

// The wizard may start its engine again without stopping it (the output page's
// listening engine still runs when the wizard went to page 0, and page 5's test
// sound starts it anew). Start waits for the old run's worker in real time: its
// sleeps pass at once, the time does not move, and on its way out it reports no
// missing block. (Start hung here: the worker slept towards a time that the
// window thread, waiting for it, never moved.)
TEST_F(ScenarioClockTest, AStartOverARunningEngineEndsTheOldRunWithoutVirtualTime)
{
    CWizardAudio audio;
    audio.m_strInDevice = m_unit->UsbName();
    audio.m_nMode = kModeMonitor;
    ASSERT_TRUE(audio.Start(&m_posted));
    EXPECT_TRUE(m_clock.Settle());
    Advance(1280);
    EXPECT_EQ(Blocks(), 10u);

    const uint64_t before = m_clock.NowMs();
    ASSERT_TRUE(audio.Start(&m_posted));
    EXPECT_EQ(m_clock.NowMs(), before);
    EXPECT_TRUE(m_clock.Settle());
    EXPECT_EQ(Blocks(), 0u);
    // The new run keeps to the virtual time.
    Advance(1280);
    EXPECT_EQ(Blocks(), 10u);
    audio.Stop();
}

// A Start that fails before it starts a worker (a file it cannot open) leaves
// none to wait for: the runner waited its whole settle limit for a worker it
// had expected from the mode.
TEST_F(ScenarioClockTest, AStartThatFailsBeforeItsWorkerLeavesNoneToWaitFor)
{
    const struct {
        int mode;
        const char* playFile;
        const char* recordFile;
    } starts[] = {
        {kModePlay, "/no-such-folder/MusicPlayback.wav", ""},
        {kModePlayBack, "/no-such-folder/MicRecorded.wav", ""},
        {kModeRecord, "", "/proc/no-such-folder/MicRecorded.wav"},
    };
    for (const auto& start : starts) {
        CWizardAudio audio;
        audio.m_strInDevice = audio.m_strOutDevice = m_unit->UsbName();
        audio.m_strPlayFile = start.playFile;
        audio.m_strRecordFile = start.recordFile;
        audio.m_nMode = start.mode;
        EXPECT_FALSE(audio.Start(&m_posted)) << start.mode;
        EXPECT_TRUE(audio.WorkerThreads().empty()) << start.mode;
        EXPECT_TRUE(m_clock.Settle()) << start.mode;
        audio.Stop();
    }
}

// A worker acts only while the window thread settles: one whose recording
// device is missing raises its box and posts its end there, never beside what
// the window thread goes on doing after Start (where it landed at a different
// place of the transcript from run to run).
TEST_F(ScenarioClockTest, AWorkerWhoseDeviceIsMissingActsWhileTheWindowThreadSettles)
{
    CScriptedMessageBox boxes;
    SetMessageBoxes(&boxes);
    CSimSoundSystem noCards;
    SetSoundSystem(&noCards);
    CWizardAudio audio;
    audio.m_strInDevice = m_unit->UsbName();
    audio.m_nMode = kModeMonitor;
    ASSERT_TRUE(audio.Start(&m_posted));
    ASSERT_TRUE(m_clock.AwaitWorkersWaitingForTurn(1));
    EXPECT_TRUE(m_posted.TakeAll().empty());
    EXPECT_TRUE(m_clock.Settle());
    const auto posted = m_posted.TakeAll();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, WM_AUDIO_DONE);
    EXPECT_EQ(posted[0].wParam, 1u);
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, "Unable to open device for recording, DevID=-1\n");
    audio.Stop();
}

}  // namespace
}  // namespace vk::scenario
