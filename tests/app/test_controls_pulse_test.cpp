// The test controls on real sound: the wizard (headless host, simulated unit on
// the HID side) against the private PulseAudio test server, whose devices are
// named like the stand-alone unit's sound card. The unit's microphone there is
// its speaker's monitor, so it hears what the speaker plays.
#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "audio/WaveReader.h"
#include "audio/WaveWriter.h"
#include "platform/sound/pulse/PulseSoundSystem.h"
#include "WizardFixture.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <thread>

namespace vk {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = 16000;

class TestControlsPulseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(nullptr);  // real sound runs on real time
        m_host.Install();
        ::setenv("PULSE_SERVER", ("unix:" + std::string(VK_PULSE_DIR) + "/native").c_str(), 1);
        ::setenv("PULSE_COOKIE", (std::string(VK_PULSE_DIR) + "/cookie").c_str(), 1);
        ASSERT_TRUE(m_sound.Connect()) << "no PulseAudio test server at " << VK_PULSE_DIR;
        SetSoundSystem(&m_sound);
        (void)m_env.Plug(SimUnitKind::StandAlone);
        m_env.SetFolders(VK_TEST_INSTALL_DIR, (m_env.m_dir / "recordings").string() + "/");
        m_dlg = std::make_unique<CQuorvelVK550ConfigDlg>();
        ASSERT_TRUE(m_dlg->Create());
        ASSERT_EQ(m_dlg->View().AudioDeviceName(), "Qrvl VK550_SAL");
        // Unity gain from the speaker to the microphone, set on the PC's mixer.
        CAudioEndpoints mixer;
        ASSERT_EQ(mixer.SetPlayVolume(0xFFFF), 0);
        ASSERT_EQ(mixer.SetRecordVolume(0xFFFF), 0);
        ASSERT_EQ(mixer.UnmutePlay(), 0);
        ASSERT_EQ(mixer.UnmuteRecord(), 0);
    }
    void TearDown() override
    {
        m_dlg->DestroyWindow();  // stops the engine
        m_dlg.reset();
        SetSoundSystem(nullptr);
        m_env.ExpectNoUnknownCommands();
    }

    // Dispatches what the engines post for a while of real time, or until done.
    bool Pump(std::chrono::milliseconds atMost, const std::function<bool()>& done = [] { return false; })
    {
        const auto deadline = std::chrono::steady_clock::now() + atMost;
        while (std::chrono::steady_clock::now() < deadline) {
            m_host.RunUntilIdle();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    testing::CWizardEnvironment m_env{fs::temp_directory_path() / ("vk_pulse_wizard_" + std::to_string(::getpid()))};
    CHeadlessHost m_host;
    CPulseSoundSystem m_sound;
    std::unique_ptr<CQuorvelVK550ConfigDlg> m_dlg;
};

// RMS of 16-bit samples.
double Rms(const std::vector<int16_t>& samples)
{
    double squares = 0.0;
    for (int16_t s : samples)
        squares += double(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(squares / static_cast<double>(samples.size()));
}

std::vector<int16_t> ReadSamples(const std::string& path)
{
    CWaveReader reader;
    if (!reader.Open(path))
        return {};
    std::vector<int16_t> samples(reader.m_dwDataSize / 2);
    const uint32_t n = reader.Read(samples.data(), static_cast<uint32_t>(samples.size() * 2));
    samples.resize(n / 2);
    return samples;
}

// Play Voice streams the voice to the playback device named after the unit:
// its monitor (the unit's microphone here) carries the voice while it plays.
TEST_F(TestControlsPulseTest, PlayVoiceReachesTheUnitsSpeaker)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    CWizardAudio monitor;  // records what the unit's speaker plays
    CMessageQueue monitorWindow;
    monitor.m_strInDevice = "Qrvl VK550_SAL";
    monitor.m_strRecordFile = (m_env.m_dir / "monitor.wav").string();
    monitor.m_nMode = kModeRecord;
    ASSERT_TRUE(monitor.Start(&monitorWindow));
    int blocks = 0;
    const auto heardBlocks = [&](int wanted) {
        return [&, wanted] {
            while (auto m = monitorWindow.Take())
                blocks += m->message == WM_AUDIO_BLOCK && m->lParam > 0;
            return blocks >= wanted;
        };
    };
    ASSERT_TRUE(Pump(std::chrono::seconds(5), heardBlocks(3)));

    CWizardTestSeam::PutOnPage(dlg, Page::Speaker);
    dlg.ShowPage();
    ASSERT_TRUE(dlg.ClickControl(1001));
    ASSERT_EQ(dlg.GetDlgItemText(1001), "Stop");
    // Three seconds of what the speaker plays (the voice lasts longer).
    ASSERT_TRUE(Pump(std::chrono::seconds(15), heardBlocks(3 + 24)));
    ASSERT_TRUE(dlg.View().Playing());
    ASSERT_TRUE(dlg.ClickControl(1001));
    EXPECT_EQ(dlg.GetDlgItemText(1001), "Play Voice");
    monitor.Stop();
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());

    const auto heard = ReadSamples(monitor.m_strRecordFile);
    ASSERT_GE(heard.size(), 27 * 2048u);
    // Silence before the voice, speech after it began: compare the first blocks
    // with the loudest half second.
    const std::vector<int16_t> before(heard.begin(), heard.begin() + 3 * 2048);
    double loudest = 0.0;
    for (size_t at = 0; at + kRate / 2 <= heard.size(); at += kRate / 8)
        loudest = std::max(loudest, Rms({heard.begin() + static_cast<ptrdiff_t>(at),
                                         heard.begin() + static_cast<ptrdiff_t>(at + kRate / 2)}));
    EXPECT_LT(Rms(before), 30.0);
    EXPECT_GT(loudest, 1000.0) << "the voice peaks at -3 dB of full scale";
}

// On the output page the meter follows the microphone: a tone of amplitude 8000
// played into it reads about 78 dB, and silence afterwards brings it back to 56.
TEST_F(TestControlsPulseTest, TheMeterFollowsAToneOnTheMicrophone)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    CWizardTestSeam::PutOnPage(dlg, Page::OutputListening);
    dlg.ShowPage();
    CWizardTestSeam::Engine(dlg).m_nMode = kModeMonitor;
    CWizardTestSeam::Engine(dlg).m_strInDevice = dlg.View().AudioDeviceName();
    ASSERT_TRUE(CWizardTestSeam::Engine(dlg).Start(&dlg));
    (void)Pump(std::chrono::milliseconds(500));
    EXPECT_EQ(dlg.GetDlgItem(1000).GetPos(), 56) << "silence";

    std::vector<int16_t> tone(kRate * 3 / 2);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<int16_t>(std::lround(8000 * std::sin(2 * M_PI * 997.0 * i / kRate)));
    const std::string toneFile = (m_env.m_dir / "tone.wav").string();
    {
        CWaveWriter writer;
        ASSERT_TRUE(writer.Open(toneFile, CWaveFormat(1, kRate, 16)));
        ASSERT_GT(writer.Write(tone.data(), static_cast<uint32_t>(tone.size() * 2)), 0);
        writer.Close();
    }
    CWizardAudio player;
    CMessageQueue playerWindow;
    player.m_strOutDevice = "Qrvl VK550_SAL";
    player.m_strPlayFile = toneFile;
    player.m_nMode = kModePlay;
    ASSERT_TRUE(player.Start(&playerWindow));

    int loudest = 0;
    ASSERT_TRUE(Pump(std::chrono::seconds(10), [&] {
        loudest = std::max(loudest, dlg.GetDlgItem(1000).GetPos());
        return playerWindow.Take().has_value();  // the tone has been played
    }));
    EXPECT_NEAR(loudest, 78, 2) << "20 log10(8000) = 78.1";
    EXPECT_TRUE(Pump(std::chrono::seconds(5), [&] { return dlg.GetDlgItem(1000).GetPos() == 56; }))
        << "back to silence";
    player.Stop();
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());
}

}  // namespace
}  // namespace vk
