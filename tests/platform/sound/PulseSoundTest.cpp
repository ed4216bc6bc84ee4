// The PulseAudio backend against the private test server: discovery, mixer
// levels, a tone through the unit's speaker heard by its microphone, streams
// that fail when their device goes, and the unit found again under a new name.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <thread>

#include "audio/AudioEndpoints.h"
#include "audio/DeviceLookup.h"
#include "audio/WaveInQueue.h"
#include "audio/WaveOutQueue.h"
#include "platform/sound/pulse/PulseSoundSystem.h"

namespace vk {
namespace {

// The server's folder and script: the PulseAudio test server's unless ctest runs
// these tests against another server (PipeWire's) by the environment.
std::string FromEnvironment(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}
const std::string kServerDir = FromEnvironment("VK_PULSE_DIR", VK_PULSE_DIR);
const std::string kServerScript = FromEnvironment("VK_PULSE_SCRIPT", VK_PULSE_SCRIPT);

class PulseSoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ::setenv("PULSE_SERVER", ("unix:" + kServerDir + "/native").c_str(), 1);
        ::setenv("PULSE_COOKIE", (kServerDir + "/cookie").c_str(), 1);
    }
    void SetUp() override
    {
        ASSERT_TRUE(m_sound.Connect()) << "no PulseAudio test server at " << kServerDir;
        SetSoundSystem(&m_sound);
        SetLevels(0xFFFF);
    }
    void TearDown() override
    {
        m_sound.SetDevicesChanged(nullptr);
        SetSoundSystem(nullptr);
        if (m_changedUnit)
            Unit("SAL");
    }

    void Unit(const std::string& role)
    {
        m_changedUnit = true;
        ASSERT_EQ(0, std::system((kServerScript + " unit " + kServerDir + " " + role).c_str()));
    }
    void SetLevels(uint32_t level)
    {
        CAudioEndpoints endpoints;
        ASSERT_EQ(0, endpoints.SetPlayVolume(level));
        ASSERT_EQ(0, endpoints.SetRecordVolume(level));
        ASSERT_EQ(0, endpoints.UnmutePlay());
        ASSERT_EQ(0, endpoints.UnmuteRecord());
    }
    // The device list follows the server a moment later.
    static bool Eventually(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 200; ++i) {
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return condition();
    }
    std::vector<uint32_t> Values(WaveDirection dir, const std::string& pattern, uint32_t control)
    {
        const int index = dir == WaveDirection::In ? FindInDeviceIndex(pattern) : FindOutDeviceIndex(pattern);
        uint32_t mixer = 0;
        EXPECT_EQ(MMSYSERR_NOERROR, m_sound.GetMixerId(dir, static_cast<uint32_t>(index), mixer));
        std::vector<uint32_t> values;
        EXPECT_EQ(MMSYSERR_NOERROR, m_sound.MixerGetValues(mixer, control, values));
        return values;
    }

    // The recording cycle's start on the unit's microphone: 6 buffers of 128 ms.
    void StartRecording(CWaveInQueue& in)
    {
        in.SetCount(6);
        in.SetFormat(m_format, 4096);
        in.SetDeviceId(static_cast<unsigned>(FindInDeviceIndex("Qrvl VK550_SAL")));
        ASSERT_TRUE(in.Open(m_format));
        ASSERT_TRUE(in.PrepareAndAddAll());
        in.ResetEvent();
        ASSERT_TRUE(in.Start());
    }

    // The first block may take as long as the idle null sink's latency (2 s).
    static bool WaitForBlock(CWaveInQueue& in, const CWaveBuffer* b)
    {
        for (int i = 0; i < 6 && !in.IsDone(b); ++i)
            (void)in.Wait(1000);
        return in.IsDone(b);
    }

    CPulseSoundSystem m_sound;
    std::atomic<int> m_changes{0};
    bool m_changedUnit = false;
    const CWaveFormat m_format{1, 16000, 16};
};

TEST_F(PulseSoundTest, FindsTheUnitsDevicesWithoutMonitors)
{
    CAudioEndpoints endpoints;
    EXPECT_EQ("Qrvl VK550_SAL Speaker", endpoints.m_strPlayDevice);
    EXPECT_EQ("Qrvl VK550_SAL Microphone", endpoints.m_strRecordDevice);
    EXPECT_EQ(0, FindInDeviceIndex("Qrvl VK550_SAL"));
    EXPECT_EQ(0, FindOutDeviceIndex("Qrvl VK550_SAL"));
    EXPECT_EQ(-1, FindInDeviceIndex("Monitor"));
    EXPECT_EQ(1u, m_sound.GetNumDevs(WaveDirection::In));
    EXPECT_EQ(2u, m_sound.MixerGetNumDevs());
}

TEST_F(PulseSoundTest, VolumesAndMutesReadBack)
{
    CAudioEndpoints endpoints;
    ASSERT_EQ(0, endpoints.SetPlayVolume(0x4000, 0xC000));
    ASSERT_EQ(0, endpoints.SetRecordVolume(12 * 0xFFFF / 24));
    EXPECT_EQ((std::vector<uint32_t>{0x4000, 0xC000}), Values(WaveDirection::Out, "Qrvl VK550_SAL", 1));
    EXPECT_EQ((std::vector<uint32_t>{12 * 0xFFFF / 24}), Values(WaveDirection::In, "Qrvl VK550_SAL", 1));

    ASSERT_EQ(0, std::system(("PULSE_SERVER=unix:" + kServerDir + "/native pactl set-sink-mute vk_sal_spk 1 && " +
                              "PULSE_SERVER=unix:" + kServerDir + "/native pactl set-source-mute vk_sal_mic 1")
                                 .c_str()));
    EXPECT_EQ((std::vector<uint32_t>{1}), Values(WaveDirection::Out, "Qrvl VK550_SAL", 2));
    ASSERT_EQ(0, endpoints.UnmutePlay());
    ASSERT_EQ(0, endpoints.UnmuteRecord());
    EXPECT_EQ((std::vector<uint32_t>{0}), Values(WaveDirection::Out, "Qrvl VK550_SAL", 2));
    EXPECT_EQ((std::vector<uint32_t>{0}), Values(WaveDirection::In, "Qrvl VK550_SAL", 2));
}

// Plays `seconds` of a tone on the unit's speaker through the playback cycle.
void PlayTone(const CWaveFormat& format, double amplitude, double seconds)
{
    CWaveOutQueue out;
    out.SetCount(4);
    out.SetFormat(format, 4096);
    out.SetDeviceId(static_cast<unsigned>(FindOutDeviceIndex("Qrvl VK550_SAL")));
    ASSERT_TRUE(out.Open(format));
    const auto total = static_cast<uint64_t>(seconds * format.nSamplesPerSec);
    uint64_t n = 0;
    CWaveBuffer* last = nullptr;
    for (int i = 0; n < total; i = (i + 1) % 4) {
        CWaveBuffer* b = out.GetBuffer(i);
        while (!out.Unprepare(b))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        auto* samples = reinterpret_cast<int16_t*>(b->lpData);
        for (int k = 0; k < 2048; ++k, ++n)
            samples[k] = static_cast<int16_t>(amplitude * std::sin(2 * std::numbers::pi * 1000.0 * n / 16000.0));
        b->dwBufferLength = 4096;
        out.Prepare(b);
        out.Write(b);
        last = b;
    }
    out.WaitDone(last);
    out.Reset();
    out.Close();
}

TEST_F(PulseSoundTest, ToneOnTheSpeakerIsHeardByTheMicrophone)
{
    CWaveInQueue in;
    ASSERT_NO_FATAL_FAILURE(StartRecording(in));
    std::thread speaker([&] { PlayTone(m_format, 8000.0, 2.0); });

    double loudest = 0;
    int blocks = 0;
    for (int i = 0; blocks < 24; i = (i + 1) % in.Count(), ++blocks) {
        CWaveBuffer* b = in.GetBuffer(i);
        ASSERT_TRUE(WaitForBlock(in, b)) << "no block " << blocks;
        in.Unprepare(b);
        ASSERT_EQ(4096u, b->dwBytesRecorded);
        const auto* s = reinterpret_cast<const int16_t*>(b->lpData);
        double sum = 0;
        for (int k = 0; k < 2048; ++k)
            sum += double(s[k]) * s[k];
        loudest = std::max(loudest, std::sqrt(sum / 2048));
        in.Prepare(b);
        in.AddBuffer(b);
    }
    speaker.join();
    in.Stop();
    in.Reset();
    EXPECT_TRUE(in.Close());
    // A sine of amplitude 8000 has an RMS of 5657; allow 2 dB for the server's mixing.
    EXPECT_NEAR(8000.0 / std::sqrt(2.0), loudest, 1300.0);
}

TEST_F(PulseSoundTest, StreamsFailWhenTheUnitGoesAndTheNewNameIsFound)
{
    CWaveInQueue in;
    ASSERT_NO_FATAL_FAILURE(StartRecording(in));
    ASSERT_TRUE(WaitForBlock(in, in.GetBuffer(0)));

    CWaveOutQueue out;
    out.SetCount(4);
    out.SetFormat(m_format, 4096);
    out.SetDeviceId(static_cast<unsigned>(FindOutDeviceIndex("Qrvl VK550_SAL")));
    ASSERT_TRUE(out.Open(m_format));

    m_sound.SetDevicesChanged([this] { ++m_changes; });

    // Another device is there to move to; then the unit re-enumerates as a master.
    ASSERT_EQ(0, std::system(("PULSE_SERVER=unix:" + kServerDir +
                              "/native pactl load-module module-null-sink sink_name=other_spk >/dev/null")
                                 .c_str()));
    Unit("none");
    ASSERT_TRUE(Eventually([] { return FindInDeviceIndex("Qrvl VK550_SAL") == -1; }));
    EXPECT_GT(m_changes.load(), 0);  // the host hears of it too

    // The recording fails instead of moving to another device: what was still
    // queued is never filled, and no buffer is taken any more.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    in.ResetEvent();
    std::vector<bool> doneBefore;
    for (int i = 0; i < in.Count(); ++i)
        doneBefore.push_back(in.IsDone(in.GetBuffer(i)));
    EXPECT_EQ(WAIT_TIMEOUT, in.Wait(600));
    for (int i = 0; i < in.Count(); ++i) {
        CWaveBuffer* buffer = in.GetBuffer(i);
        EXPECT_EQ(doneBefore[static_cast<size_t>(i)], in.IsDone(buffer)) << i;
        if (in.IsDone(buffer)) {
            in.Unprepare(buffer);
            in.Prepare(buffer);
            EXPECT_FALSE(in.AddBuffer(buffer)) << i;
        }
    }

    // Playback to the gone speaker is refused, and nothing waits forever.
    CWaveBuffer* b = out.GetBuffer(0);
    out.Prepare(b);
    EXPECT_FALSE(out.Write(b));
    out.WaitDone(b);

    Unit("MAS");
    ASSERT_TRUE(Eventually([] { return FindInDeviceIndex("Qrvl VK550_MAS") != -1; }));
    EXPECT_EQ(-1, FindInDeviceIndex("Qrvl VK550_SAL"));
    // Playback by the old role's name falls back to the maker's prefix.
    const int mas = FindOutDeviceIndex("Qrvl VK550_MAS");
    EXPECT_NE(-1, mas);
    EXPECT_EQ(mas, FindOutDeviceIndex("Qrvl VK550_SAL"));
    EXPECT_EQ("vk_mas_spk", m_sound.ServerName(WaveDirection::Out, static_cast<uint32_t>(mas)));
    CAudioEndpoints endpoints;
    EXPECT_EQ("Qrvl VK550_MAS Microphone", endpoints.m_strRecordDevice);

    in.Reset();
    in.Close();
    out.Close();
    ASSERT_EQ(0, std::system(("PULSE_SERVER=unix:" + kServerDir +
                              "/native pactl unload-module module-null-sink >/dev/null 2>&1; " + kServerScript +
                              " unit " + kServerDir + " SAL")
                                 .c_str()));
}

}  // namespace
}  // namespace vk
