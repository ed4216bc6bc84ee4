// Finding the unit's sound devices by product name on simulated device lists.

#include <gtest/gtest.h>

#include <functional>

#include "audio/AudioDevice.h"
#include "audio/AudioEndpoints.h"
#include "audio/DeviceLookup.h"
#include "platform/clock/Clock.h"
#include "sim/sound/SimSoundSystem.h"

namespace vk {
namespace {

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetSoundSystem(&m_sound);
        SetClock(&m_clock);
    }
    void TearDown() override
    {
        SetSoundSystem(nullptr);
        SetClock(nullptr);
    }
    void AddBoth(const std::string& name, uint32_t mixer = 0)
    {
        m_sound.AddDevice(WaveDirection::In, name, mixer);
        m_sound.AddDevice(WaveDirection::Out, name, mixer);
    }

    CSimSoundSystem m_sound;
    CVirtualClock m_clock;
};

TEST_F(DiscoveryTest, NoDevicesAtAll)
{
    CAudioDevice device;
    EXPECT_EQ(-1, device.FindWaveInDevice(""));
    EXPECT_EQ(0, device.m_iCard);
    EXPECT_EQ("", device.m_strName);
    EXPECT_EQ(-1, FindInDeviceIndex("Qrvl VK550_SAL"));
    CAudioEndpoints endpoints;
    EXPECT_EQ("Echo Cancelling Speakerphone", endpoints.m_strRecordDevice);
    EXPECT_EQ("Echo Cancelling Speakerphone (P", endpoints.m_strPlayDevice);
}

TEST_F(DiscoveryTest, RoleLookupsAndTheMakerFallbackForPlaybackOnly)
{
    AddBoth("Realtek HD Audio");
    AddBoth("Qrvl VK550_MAS");
    struct Case {
        const char* pattern;
        int in;
        int out;
    };
    const Case cases[] = {
        {"Qrvl VK550_SAL", -1, 1},  // playback falls back to the maker's prefix
        {"Qrvl VK550_MAS", 1, 1},
        {"qrvl vk550_mas", -1, 1},  // case counts
        {"", 0, 0},                 // an empty pattern matches the first device
        {"Realtek", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(c.in, FindInDeviceIndex(c.pattern));
        EXPECT_EQ(c.out, FindOutDeviceIndex(c.pattern));
    }
    CAudioDevice device;
    EXPECT_EQ(-1, device.FindWaveOutDevice("qrvl"));
}

TEST_F(DiscoveryTest, NamesAreCutTo31Characters)
{
    AddBoth("Echo Cancelling Speakerphone (Plantronics)", 0);
    std::string name;
    ASSERT_EQ(MMSYSERR_NOERROR, m_sound.GetDevName(WaveDirection::Out, 0, name));
    EXPECT_EQ("Echo Cancelling Speakerphone (P", name);
    CAudioEndpoints endpoints;
    EXPECT_EQ("Echo Cancelling Speakerphone (P", endpoints.m_strPlayDevice);
    EXPECT_EQ("Echo Cancelling Speakerphone (P", endpoints.m_strRecordDevice);
    EXPECT_EQ(-1, FindOutDeviceIndex("Echo Cancelling Speakerphone (Plantronics)"));
}

TEST_F(DiscoveryTest, MixerIdFallbackWhenEveryDeviceReportsZero)
{
    struct Case {
        const char* name;
        std::vector<uint32_t> reported;     // mixer id each recording device reports
        std::vector<MMRESULT> results;      // and whether it answers at all
        int mixers;
        int expected;                       // for a match at index 2
    };
    const Case cases[] = {
        {"all zero, three mixers", {0, 0, 0}, {0, 0, 0}, 3, 2},
        {"all zero, two mixers", {0, 0, 0}, {0, 0, 0}, 2, 0},
        {"one reports 1", {0, 1, 0}, {0, 0, 0}, 3, 0},
        {"one fails", {0, 0, 0}, {0, MMSYSERR_NODRIVER, 0}, 3, 0},
        {"own id reported", {0, 0, 5}, {0, 0, 0}, 6, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSimSoundSystem sound;
        SetSoundSystem(&sound);
        for (int m = 0; m < c.mixers; ++m)
            sound.AddMixer(MakeSimCardMixer("m"));
        const char* names[] = {"Generic A", "Generic B", "Qrvl VK550_SAL"};
        for (size_t i = 0; i < 3; ++i)
            sound.AddDevice(WaveDirection::In, names[i], c.reported[i], c.results[i]);
        CAudioDevice device;
        EXPECT_EQ(c.expected, device.FindWaveInDevice("Qrvl"));
        EXPECT_EQ(c.expected, device.m_iCard);
        EXPECT_EQ("Qrvl VK550_SAL", device.m_strName);
    }
    // A match at index 0 keeps the id it reports.
    CSimSoundSystem sound;
    SetSoundSystem(&sound);
    sound.AddDevice(WaveDirection::Out, "Qrvl VK550_SAL", 0);
    sound.AddMixer(MakeSimCardMixer("m"));
    CAudioDevice device;
    EXPECT_EQ(0, device.FindWaveOutDevice("Qrvl"));
}

TEST_F(DiscoveryTest, GenericSearchTakesPatternsInListOrderNotDeviceOrder)
{
    struct Case {
        std::vector<std::string> devices;
        std::string expected;
    };
    const Case cases[] = {
        {{"Branwick R615 USB", "USB AK4571 Audio"}, "USB AK4571 Audio"},
        {{"Branwick R615 USB", "Webcam"}, "Branwick R615 USB"},
        {{"HX 250/650 Headset", "Qrvl VK550_SLV", "Qrvl VK550_SAL"}, "Qrvl VK550_SLV"},
    };
    for (const Case& c : cases) {
        CSimSoundSystem sound;
        SetSoundSystem(&sound);
        for (const auto& name : c.devices) {
            sound.AddDevice(WaveDirection::In, name);
            sound.AddDevice(WaveDirection::Out, name);
        }
        CAudioEndpoints endpoints;
        EXPECT_EQ(c.expected, endpoints.m_strRecordDevice) << c.devices.front();
        EXPECT_EQ(c.expected, endpoints.m_strPlayDevice) << c.devices.front();
    }
}

// A clock that lets the test act at a chosen pause of the code under test.
class CHookClock final : public IClock {
public:
    uint64_t NowMs() const override { return m_now; }
    void SleepMs(uint32_t ms) override
    {
        m_now += ms;
        ++m_sleeps;
        if (onSleep)
            onSleep(m_sleeps);
    }
    LocalTime Local() const override { return {}; }
    std::function<void(int)> onSleep;

private:
    uint64_t m_now = 0;
    int m_sleeps = 0;
};

TEST_F(DiscoveryTest, ProbeRetriesOnTheClockThenOpensOnce)
{
    // Nothing ever appears: 40 lookups, 40 pauses of 500 ms, -1.
    EXPECT_EQ(-1, ProbePlayDeviceIndex("Qrvl VK550_SAL"));
    EXPECT_EQ(20000u, m_clock.NowMs());

    // The unit comes back during the fourth pause; the fifth lookup finds it.
    CHookClock clock;
    SetClock(&clock);
    CSimSoundSystem::Card card;
    clock.onSleep = [&](int n) {
        if (n == 4) {
            AddBoth("Other");
            card = m_sound.AddCard("Qrvl VK550_SAL");
        }
    };
    EXPECT_EQ(1, ProbePlayDeviceIndex("Qrvl VK550_SAL"));
    EXPECT_EQ(2000u, clock.NowMs());
    EXPECT_TRUE(m_sound.Played(card.out).empty());  // opened and closed, nothing played
    SetClock(&m_clock);
}

}  // namespace
}  // namespace vk
