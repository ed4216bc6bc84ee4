// The engine against the private PulseAudio test server: one engine plays a
// tone to the unit's speaker while another records the unit's microphone,
// which hears what the speaker plays.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "audio/AudioEndpoints.h"
#include "audio/WizardAudio.h"
#include "platform/clock/Clock.h"
#include "platform/sound/pulse/PulseSoundSystem.h"
#include "platform/ui/MessageBox.h"
#include "tests/audio/echo/TestWav.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

class PulseEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The PulseAudio test server's folder unless ctest names another server's (PipeWire's).
        const char* env = std::getenv("VK_PULSE_DIR");
        const std::string dir = env && *env ? env : VK_PULSE_DIR;
        ::setenv("PULSE_SERVER", ("unix:" + dir + "/native").c_str(), 1);
        ::setenv("PULSE_COOKIE", (dir + "/cookie").c_str(), 1);
        ASSERT_TRUE(m_sound.Connect()) << "no test sound server at " << dir;
        SetSoundSystem(&m_sound);
        SetMessageBoxes(&m_boxes);
        CAudioEndpoints endpoints;  // unity gain from speaker to microphone
        ASSERT_EQ(0, endpoints.SetPlayVolume(0xFFFF));
        ASSERT_EQ(0, endpoints.SetRecordVolume(0xFFFF));
        ASSERT_EQ(0, endpoints.UnmutePlay());
        ASSERT_EQ(0, endpoints.UnmuteRecord());
        m_dir = fs::temp_directory_path() / ("vk-pulse-engine-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        SetMessageBoxes(nullptr);
        SetSoundSystem(nullptr);
        fs::remove_all(m_dir);
    }

    static bool WaitFor(CMessageQueue& window, const std::function<bool(const PostedMessage&)>& wanted,
                        std::vector<PostedMessage>& seen)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline) {
            while (auto m = window.Take()) {
                seen.push_back(*m);
                if (wanted(*m))
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    CPulseSoundSystem m_sound;
    CScriptedMessageBox m_boxes;
    fs::path m_dir;
};

TEST_F(PulseEngineTest, RecordingOfTheMicrophoneHoldsTheToneThatWasPlayed)
{
    constexpr uint32_t kRate = 16000;
    constexpr double kAmplitude = 8000.0;
    std::vector<int16_t> tone(kRate * 3 / 2);
    testwav::AddSine(tone, kRate, 0, tone.size(), kAmplitude);
    const std::string playFile = (m_dir / "tone.wav").string();
    const std::string recordFile = (m_dir / "MicRecorded.wav").string();
    testwav::WriteWav(playFile, 1, kRate, tone);

    CMessageQueue recorderWindow;
    CMessageQueue playerWindow;
    CWizardAudio recorder;
    recorder.m_strInDevice = recorder.m_strOutDevice = "Qrvl VK550_SAL";
    recorder.m_strRecordFile = recordFile;
    recorder.m_nMode = kModeRecord;
    CWizardAudio player;
    player.m_strInDevice = player.m_strOutDevice = "Qrvl VK550_SAL";
    player.m_strPlayFile = playFile;
    player.m_nMode = kModePlay;

    ASSERT_TRUE(recorder.Start(&recorderWindow));
    ASSERT_TRUE(player.Start(&playerWindow));
    std::vector<PostedMessage> played;
    ASSERT_TRUE(WaitFor(playerWindow, [](const PostedMessage& m) { return m.message == WM_AUDIO_DONE; }, played));
    // A few more blocks carry what was still on its way.
    std::vector<PostedMessage> recorded;
    int blocksAfterEnd = 0;
    ASSERT_TRUE(WaitFor(
        recorderWindow, [&](const PostedMessage& m) { return m.lParam >= 0 && ++blocksAfterEnd == 4; }, recorded));
    player.Stop();
    recorder.Stop();
    EXPECT_EQ(played, (std::vector<PostedMessage>{{WM_AUDIO_DONE, 0, 0}}));
    EXPECT_TRUE(m_boxes.asked.empty());
    for (const PostedMessage& m : recorded) {
        if (m.lParam >= 0) {
            EXPECT_EQ(m.lParam, 4096) << "one block of 2048 samples at a time";
        }
    }

    CWaveReader reader;
    ASSERT_TRUE(reader.Open(recordFile));
    EXPECT_EQ(reader.m_pFormat->nSamplesPerSec, kRate);
    std::vector<int16_t> samples(reader.m_dwDataSize / 2);
    ASSERT_EQ(reader.Read(samples.data(), static_cast<uint32_t>(samples.size() * 2)), samples.size() * 2);

    // The loudest quarter second: the tone's level and its frequency (zero crossings).
    constexpr size_t kWindow = kRate / 4;
    double bestSigma = 0.0;
    size_t bestStart = 0;
    for (size_t start = 0; start + kWindow <= samples.size(); start += kWindow / 4) {
        double squares = 0.0;
        for (size_t i = start; i < start + kWindow; ++i)
            squares += double(samples[i]) * samples[i];
        const double sigma = std::sqrt(squares / kWindow);
        if (sigma > bestSigma) {
            bestSigma = sigma;
            bestStart = start;
        }
    }
    EXPECT_NEAR(20 * std::log10(bestSigma / (kAmplitude / std::sqrt(2.0))), 0.0, 1.5);
    // Crossings with a margin: a sample that wobbles about zero (the server
    // resampling or filling a late block under load) is no crossing of the tone.
    constexpr int kMargin = static_cast<int>(kAmplitude / 4);
    int crossings = 0;
    int side = 0;
    for (size_t i = bestStart; i < bestStart + kWindow; ++i) {
        const int now = samples[i] > kMargin ? 1 : samples[i] < -kMargin ? -1 : side;
        crossings += side != 0 && now != side;
        side = now;
    }
    EXPECT_NEAR(crossings, 2 * 997 / 4, 10);
}

}  // namespace
}  // namespace vk
