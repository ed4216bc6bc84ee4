// The scenario clock with the audio engine on paced simulated cards: the blocks
// the engine posts depend on the virtual time that passed, never on how fast
// the threads ran, and stopping the engine neither hangs nor moves the time.
#include "EnginePacing.h"
#include "ScenarioClock.h"

#include "audio/WizardAudio.h"
#include "platform/post/MessageTarget.h"
#include "platform/sound/SoundSystem.h"
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
    m_clock.Settle();
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
    m_clock.Settle();
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

}  // namespace
}  // namespace vk::scenario
