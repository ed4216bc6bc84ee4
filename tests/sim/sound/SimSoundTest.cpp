// Simulated sound devices: the unit's card coming and going, the signals a
// microphone delivers (an echo of the speaker included) and real-time pacing.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "audio/WaveInQueue.h"
#include "audio/WaveOutQueue.h"
#include "audio/DeviceLookup.h"
#include "platform/clock/Clock.h"
#include "sim/sound/SimSoundSystem.h"
#include "sim/sound/SimUnitSoundCards.h"

namespace vk {
namespace {

class SimSoundTest : public ::testing::Test {
protected:
    void SetUp() override { SetSoundSystem(&m_sound); }
    void TearDown() override { SetSoundSystem(nullptr); }

    // Records `blocks` buffers of 256 samples from recording device 0.
    std::vector<int16_t> Record(int blocks)
    {
        const CWaveFormat format(1, 16000, 16);
        CWaveInQueue in;
        in.SetCount(4);
        in.SetFormat(format, 512);
        in.SetDeviceId(0);
        EXPECT_TRUE(in.Open(format));
        EXPECT_TRUE(in.PrepareAndAddAll());
        in.Start();
        std::vector<int16_t> samples;
        for (int n = 0, i = 0; n < blocks; ++n, i = (i + 1) % 4) {
            CWaveBuffer* b = in.GetBuffer(i);
            while (!in.IsDone(b))
                (void)in.Wait(1000);
            in.Unprepare(b);
            const auto* s = reinterpret_cast<const int16_t*>(b->lpData);
            samples.insert(samples.end(), s, s + b->dwBytesRecorded / 2);
            in.Prepare(b);
            in.AddBuffer(b);
        }
        in.Stop();
        in.Reset();
        in.Close();
        return samples;
    }
    void Play(const std::vector<int16_t>& samples)
    {
        const CWaveFormat format(1, 16000, 16);
        CWaveOutQueue out;
        out.SetCount(1);
        out.SetFormat(format, static_cast<int>(samples.size() * 2));
        out.SetDeviceId(0);
        ASSERT_TRUE(out.Open(format));
        CWaveBuffer* b = out.GetBuffer(0);
        std::memcpy(b->lpData, samples.data(), samples.size() * 2);
        out.Prepare(b);
        out.Write(b);
        out.WaitDone(b);
        out.Close();
    }

    CSimSoundSystem m_sound;
};

TEST_F(SimSoundTest, UnitCardComesAndGoesWithItsName)
{
    m_sound.AddDevice(WaveDirection::In, "Webcam Microphone");
    auto card = m_sound.AddCard("Qrvl VK550_SAL");
    std::string name;
    ASSERT_EQ(2u, m_sound.GetNumDevs(WaveDirection::In));
    ASSERT_EQ(MMSYSERR_NOERROR, m_sound.GetDevName(WaveDirection::In, 1, name));
    EXPECT_EQ("Qrvl VK550_SAL", name);
    uint32_t mixer = 99;
    ASSERT_EQ(MMSYSERR_NOERROR, m_sound.GetMixerId(WaveDirection::Out, 0, mixer));
    EXPECT_EQ(card.mixer, mixer);

    m_sound.RemoveCard(card);
    EXPECT_EQ(1u, m_sound.GetNumDevs(WaveDirection::In));
    EXPECT_EQ(0u, m_sound.GetNumDevs(WaveDirection::Out));
    card = m_sound.AddCard("Qrvl VK550_MAS");
    ASSERT_EQ(MMSYSERR_NOERROR, m_sound.GetDevName(WaveDirection::Out, 0, name));
    EXPECT_EQ("Qrvl VK550_MAS", name);
}

TEST_F(SimSoundTest, MicrophoneSignals)
{
    m_sound.AddDevice(WaveDirection::In, "Mic");
    std::vector<int16_t> file(300);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<int16_t>(i * 3 - 400);
    CSineSignal sine(1000.0, 10000.0);
    struct Case {
        const char* name;
        std::shared_ptr<ISimSignal> signal;
        std::function<int16_t(size_t)> expected;
    };
    const Case cases[] = {
        {"silence", std::make_shared<CSilenceSignal>(), [](size_t) { return int16_t(0); }},
        {"sine", std::make_shared<CSineSignal>(1000.0, 10000.0), [&](size_t n) { return sine.Sample(n, 16000); }},
        {"samples, then silence", std::make_shared<CSamplesSignal>(file),
         [&](size_t n) { return n < file.size() ? file[n] : int16_t(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_sound.SetSignal(0, c.signal);
        const std::vector<int16_t> got = Record(3);
        ASSERT_EQ(768u, got.size());
        for (size_t n = 0; n < got.size(); ++n)
            ASSERT_EQ(c.expected(n), got[n]) << n;
    }
}

TEST_F(SimSoundTest, MicrophoneHearsTheSpeakerWithGainAndDelay)
{
    const auto mic = m_sound.AddDevice(WaveDirection::In, "Mic");
    const auto speaker = m_sound.AddDevice(WaveDirection::Out, "Speaker");
    m_sound.SetSignal(mic, m_sound.EchoOf(speaker, 0.5, 100));
    std::vector<int16_t> played(1000);
    for (size_t i = 0; i < played.size(); ++i)
        played[i] = static_cast<int16_t>(1000 + 2 * i);
    Play(played);
    const std::vector<int16_t> heard = Record(5);  // 1280 samples
    for (size_t n = 0; n < heard.size(); ++n) {
        const int16_t expected = n < 100 || n >= 1100 ? 0 : static_cast<int16_t>(played[n - 100] / 2);
        ASSERT_EQ(expected, heard[n]) << n;
    }
}

TEST_F(SimSoundTest, RealTimePacingDeliversInOrderAndStopsWhenRemoved)
{
    m_sound.SetPacing(SimPacing::RealTime);
    const auto mic = m_sound.AddDevice(WaveDirection::In, "Mic");
    m_sound.SetSignal(mic, std::make_shared<CSamplesSignal>(std::vector<int16_t>{1, 2, 3, 4, 5}));
    const std::vector<int16_t> got = Record(2);
    ASSERT_EQ(512u, got.size());
    EXPECT_EQ((std::vector<int16_t>{1, 2, 3, 4, 5, 0}), std::vector<int16_t>(got.begin(), got.begin() + 6));

    const CWaveFormat format(1, 16000, 16);
    CWaveInQueue in;
    in.SetCount(2);
    in.SetFormat(format, 512);
    in.SetDeviceId(0);
    ASSERT_TRUE(in.Open(format));
    ASSERT_TRUE(in.PrepareAndAddAll());
    m_sound.RemoveDevice(mic);
    in.Start();
    EXPECT_EQ(WAIT_TIMEOUT, in.Wait(100));
    EXPECT_FALSE(in.IsDone(in.GetBuffer(0)));
}

class SimUnitCardsTest : public SimSoundTest {
protected:
    void SetUp() override
    {
        SimSoundTest::SetUp();
        SetClock(&m_clock);
    }
    void TearDown() override
    {
        SetClock(nullptr);
        SimSoundTest::TearDown();
    }
    CVirtualClock m_clock;
};

TEST_F(SimUnitCardsTest, UnitsBringTheirCardsWhileOnTheBus)
{
    auto master = std::make_shared<CSimUnit>(SimUnitKind::Master);
    auto slave = std::make_shared<CSimUnit>(SimUnitKind::Slave);
    CSimUnitSoundCards cards(m_sound);
    cards.Follow(master);
    cards.Follow(slave);
    EXPECT_EQ(0, FindInDeviceIndex(master->UsbName()));
    EXPECT_EQ(1, FindOutDeviceIndex(slave->UsbName()));

    master->Unplug();
    EXPECT_EQ(-1, FindInDeviceIndex(master->UsbName()));
    EXPECT_EQ(-1, cards.CardOf(master).in);
    EXPECT_EQ(0, FindInDeviceIndex(slave->UsbName()));

    // Plugged in again: its card follows a little later, with the mixer it had.
    const uint32_t mixer = cards.CardOf(slave).mixer;
    master->Plug();
    EXPECT_EQ(-1, FindInDeviceIndex(master->UsbName()));
    EXPECT_EQ(cards.NextCardDueMs(), std::optional<uint64_t>(1500));
    m_clock.Advance(1500);
    EXPECT_EQ(1, FindInDeviceIndex(master->UsbName()));
    EXPECT_EQ(mixer, cards.CardOf(slave).mixer);
    EXPECT_EQ(2u, m_sound.MixerGetNumDevs());
    EXPECT_EQ(cards.NextCardDueMs(), std::nullopt);
}

struct CardReturnCase {
    const char* name;
    std::optional<uint32_t> cardAfterMs;
};

class SimCardReturnTest : public SimUnitCardsTest, public ::testing::WithParamInterface<CardReturnCase> {};

// After a reset the card comes back under the unit's new device name, only the
// card delay after the command interface is back: whoever looks for it too early,
// or under the old name, does not find it. Without a delay it never comes back.
TEST_P(SimCardReturnTest, TheCardFollowsItsUnitBackUnderTheNewName)
{
    const CardReturnCase& c = GetParam();
    auto unit = std::make_shared<CSimUnit>(SimUnitKind::New);
    unit->SetResetTiming({300, 2500, c.cardAfterMs});
    unit->WithState([](SimUnitState& s) {
        s.SetValue(0, 2, 0x117);
        s.SetText(0, 1, "Qrvl VK550_SAL");
    });
    CSimUnitSoundCards cards(m_sound);
    std::vector<std::string> announced;
    cards.SetListedListener([&](const auto&, const std::string& name) { announced.push_back(name); });
    cards.Follow(unit);
    EXPECT_EQ(0, FindInDeviceIndex("Qrvl VK550"));

    unit->Receive(std::vector<uint8_t>{0, 0x06, 0x66, 0, 0, 0, 0, 0, 0});
    m_clock.Advance(300);
    EXPECT_EQ(-1, FindInDeviceIndex("Qrvl VK550"));
    m_clock.Advance(2500);
    ASSERT_TRUE(unit->Present());
    EXPECT_EQ(unit->AppearedAtMs(), 2800u);
    EXPECT_EQ(-1, FindInDeviceIndex("Qrvl VK550_SAL"));
    if (!c.cardAfterMs) {
        EXPECT_EQ(cards.NextCardDueMs(), std::nullopt);
        m_clock.Advance(600000);
        EXPECT_EQ(-1, FindInDeviceIndex("Qrvl VK550_SAL"));
        EXPECT_TRUE(announced.empty());
        return;
    }
    EXPECT_EQ(cards.NextCardDueMs(), std::optional<uint64_t>(2800 + *c.cardAfterMs));
    m_clock.Advance(*c.cardAfterMs - 1);
    EXPECT_EQ(-1, FindInDeviceIndex("Qrvl VK550_SAL"));
    m_clock.Advance(1);
    EXPECT_EQ(0, FindInDeviceIndex("Qrvl VK550_SAL"));
    EXPECT_EQ(0, FindOutDeviceIndex("Qrvl VK550_SAL"));
    EXPECT_EQ(announced, std::vector<std::string>{"Qrvl VK550_SAL"});
}

INSTANTIATE_TEST_SUITE_P(Delays, SimCardReturnTest,
                         ::testing::Values(CardReturnCase{"Default", 1500}, CardReturnCase{"Slow", 4000},
                                           CardReturnCase{"Never", std::nullopt}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace vk
