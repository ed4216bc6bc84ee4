// The speaker and output test controls of the wizard on the headless host, the
// virtual clock and a simulated stand-alone unit with its simulated sound card:
// the level meter, recording, playback, the sliders, the unit's levels, Save
// Recording and the echo test.
#include "app/QuorvelVK550ConfigDlg.h"
#include "app/WizardTestSeam.h"
#include "program/WindowTitleLink.h"
#include "audio/WaveReader.h"
#include "audio/WaveWriter.h"
#include "platform/ipc/WindowSocket.h"
#include "platform/settings/RegHelper.h"
#include "platform/sound/SoundSystem.h"
#include "resources/ControlIds.h"
#include "sim/sound/SimUnitSoundCards.h"
#include "WizardFixture.h"
#include "tests/audio/FullDisk.h"
#include "tests/support/PumpUntil.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstring>
#include <cmath>
#include <fstream>
#include <functional>
#include <thread>

namespace vk {
namespace {

namespace fs = std::filesystem;
using K = SimUnitKind;

constexpr uint32_t kRate = 16000;
constexpr uint32_t kBlockBytes = 4096;

std::vector<int16_t> Sine(double frequency, double amplitude, double seconds)
{
    std::vector<int16_t> samples(static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * frequency * i / kRate)));
    return samples;
}

void WriteWav(const fs::path& path, const std::vector<int16_t>& samples)
{
    CWaveWriter writer;
    ASSERT_TRUE(writer.Open(path.string(), CWaveFormat(1, kRate, 16)));
    ASSERT_EQ(writer.Write(samples.data(), static_cast<uint32_t>(samples.size() * 2)),
              static_cast<int>(samples.size() * 2));
    writer.Close();
}

// The sample bytes of a WAV file, or nothing when it is not one.
std::optional<std::vector<uint8_t>> WavData(const fs::path& path)
{
    CWaveReader reader;
    if (!reader.Open(path.string()))
        return std::nullopt;
    std::vector<uint8_t> data(reader.m_dwDataSize);
    if (reader.Read(data.data(), reader.m_dwDataSize) != reader.m_dwDataSize)
        return std::nullopt;
    return data;
}

class TestControlsTest : public testing::WizardFixture {
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        m_unit = Plug(K::StandAlone);
        m_cards.Follow(m_unit);
        SetSoundSystem(&m_sound);
        m_card = m_cards.CardOf(m_unit);
        Microphone(0, std::make_shared<CSilenceSignal>());  // quiet until a test wants blocks
        OpenWizard(VK_TEST_INSTALL_DIR, (m_dir / "recordings").string() + "/");
    }
    void TearDownWizard() override
    {
        m_dlg->DestroyWindow();  // stops the engine
        m_dlg.reset();
        SetSoundSystem(nullptr);
    }

    // A wizard (again) with these folders in the settings, on the Stand Alone unit's page 2.
    void OpenWizard(const std::string& installDir, const std::string& waveDir)
    {
        if (m_dlg)
            m_dlg->DestroyWindow();
        m_env.SetFolders(installDir, waveDir);
        m_dlg = std::make_unique<CQuorvelVK550ConfigDlg>();
        ASSERT_TRUE(m_dlg->Create());
        ASSERT_EQ(m_dlg->View().UnitType(), 1);
        m_unit->ClearLog();
    }

    // Presses Record with the microphone giving `blocks` blocks of the signal.
    // Blocks handed out move at once into whatever stream waits for them, so the
    // listening engine is stopped first (as Record itself does first): the
    // recording's stream finds them when it starts.
    void RecordWith(long long blocks, std::shared_ptr<ISimSignal> signal)
    {
        CWizardTestSeam::Engine(*m_dlg).Stop();
        Microphone(blocks, std::move(signal));
        ASSERT_TRUE(m_dlg->ClickControl(1001));
    }

    void Microphone(long long blocks, std::shared_ptr<ISimSignal> signal)
    {
        m_sound.SetSignal(m_card.in, std::move(signal));
        m_sound.SetDeliveryBudget(m_card.in, blocks);
    }

    // The output page as the wizard enters it: listening, recording into MicRecorded.wav.
    void EnterOutputPage()
    {
        CQuorvelVK550ConfigDlg& dlg = *m_dlg;
        CWizardTestSeam::PutOnPage(dlg, Page::OutputListening);
        dlg.ShowPage();
        CWizardTestSeam::Engine(dlg).m_nMode = 8;
        CWizardTestSeam::Engine(dlg).m_strRecordFile = Recording().string();
        CWizardTestSeam::Engine(dlg).m_strPlayFile = Recording().string();
        CWizardTestSeam::Engine(dlg).m_strInDevice = dlg.View().AudioDeviceName();
        const uint64_t start = m_env.m_clock.NowMs();
        ASSERT_TRUE(CWizardTestSeam::Engine(dlg).Start(&dlg));
        // A microphone that gives nothing keeps the thread waiting, which moves
        // the clock: from then on the listener takes no block meant for a test.
        ASSERT_TRUE(PumpUntil([&] { return m_env.m_clock.NowMs() > start + 1000; }));
    }

    [[nodiscard]] fs::path Recording() const { return m_dir / "recordings" / "MicRecorded.wav"; }

    // Dispatches what the engine posts until the condition holds (real time, bounded).
    bool PumpUntil(const std::function<bool()>& done)
    {
        return test::PumpUntil(done, [this] { m_host.RunUntilIdle(); }, std::chrono::seconds(20),
                               std::chrono::milliseconds(1));
    }

    // When the inputs page runs next, the user steps through its four channels
    // with Next (or Back) until the page ends.
    void LeaveInputsPageWith(int id)
    {
        m_host.Then([id](CHeadlessHost& h) {
            CDialog* page = h.ActiveModal();
            for (int i = 0; i < 4 && !page->IsEnded(); ++i)
                ASSERT_TRUE(page->ClickControl(id));
        });
    }

    // Waits (real time, bounded) until the virtual clock has passed ms, without
    // dispatching anything.
    bool WaitForClock(uint64_t ms)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_env.m_clock.NowMs() <= ms) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // Level register r as the unit holds it.
    uint16_t Register(uint8_t r)
    {
        return m_unit->WithState([&](SimUnitState& s) { return s.levels.contains(r) ? s.levels.at(r) : uint16_t{0}; });
    }

    // The level-register commands the unit received (reads 0x6r.., writes 0x5r..).
    std::vector<uint16_t> LevelCommands()
    {
        std::vector<uint16_t> codes;
        for (uint16_t c : m_unit->LoggedCodes())
            if ((c >> 12) == 5 || (c >> 12) == 6)
                codes.push_back(c);
        return codes;
    }

    CSimSoundSystem m_sound;
    CSimUnitSoundCards m_cards{m_sound};
    CSimSoundSystem::Card m_card;
    std::shared_ptr<CSimUnit> m_unit;
    std::unique_ptr<CQuorvelVK550ConfigDlg> m_dlg;
};

// The meter shows the peak of the first half of each block, in dB, from 56 to 90.
TEST_F(TestControlsTest, TheMeterShowsThePeakOfTheFirstHalfOfEachBlock)
{
    struct Case {
        const char* name;
        int page;
        std::vector<std::pair<size_t, int16_t>> samples;  // index, value; the rest is silence
        bool recording;   // the engine's microphone thread runs
        bool ownBlock;    // the message points to the engine's own block
        double db;
        int meter;
    } const cases[] = {
        {"peak 1000 in the first half", 8, {{10, 1000}, {1023, -600}, {1024, 30000}, {2047, -32768}}, true, true, 60.0, 60},
        {"negative full scale", 9, {{500, -32768}}, true, true, 20 * std::log10(32768.0), 90},
        {"silence", 8, {}, true, true, 0.0, 56},
        {"a peak of 1", 8, {{3, -1}}, true, true, 0.0, 56},
        {"engine not recording", 8, {{10, 1000}}, false, true, 0.0, 56},
        {"a block from elsewhere", 8, {{10, 1000}}, true, false, 0.0, 56},
    };
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    CWizardAudio& engine = CWizardTestSeam::Engine(dlg);  // its block, filled as its thread does
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWizardTestSeam::PutOnPage(dlg, static_cast<Page>(c.page));
        dlg.GetDlgItem(1000).SetPos(75);
        std::fill(std::begin(engine.m_Samples), std::end(engine.m_Samples), int16_t{0});
        for (auto [i, v] : c.samples)
            engine.m_Samples[i] = v;
        engine.m_bRecording = c.recording ? 1 : 0;
        int16_t* elsewhere = engine.m_Samples;
        const auto wParam = reinterpret_cast<WPARAM>(c.ownBlock ? &engine.m_pSamples : &elsewhere);
        EXPECT_EQ(dlg.SendMessage(WM_APP + 2, wParam, kBlockBytes), 0);
        EXPECT_NEAR(dlg.View().PeakDb(), c.db, 1e-9);
        EXPECT_EQ(dlg.GetDlgItem(1000).GetPos(), c.meter);
    }
    // Off the output page the meter stays as it is.
    CWizardTestSeam::PutOnPage(dlg, Page::Speaker);
    engine.m_Samples[0] = 1000;
    engine.m_bRecording = 1;
    (void)dlg.SendMessage(WM_APP + 2, reinterpret_cast<WPARAM>(&engine.m_pSamples), kBlockBytes);
    EXPECT_EQ(dlg.GetDlgItem(1000).GetPos(), 56);
    engine.m_bRecording = 0;
}

// The first time-limit message turns the engine's limit of 2 s into 5 s and tells
// the unit (without waiting for an answer); later ones change nothing.
TEST_F(TestControlsTest, TheFirstTimeLimitMessageTellsTheUnitOnce)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    CWizardTestSeam::PutOnPage(dlg, Page::OutputRecording);
    for (LPARAM lParam : {-1, -2, -1})
        EXPECT_EQ(dlg.SendMessage(WM_APP + 2, reinterpret_cast<WPARAM>(&dlg.View().Audio().m_pSamples), lParam), 0);
    EXPECT_EQ(m_unit->LoggedCodes(), std::vector<uint16_t>{0x8401});
    EXPECT_EQ(dlg.View().Audio().m_dTimeLimit.load(), 5.0);
}

// Record, then nothing: after 5 s timer 1 ends the recording, the wizard listens
// again, Playback and Save Recording are enabled and the file holds the blocks.
TEST_F(TestControlsTest, RecordThenNothingEndsTheRecordingAfterFiveSeconds)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    EnterOutputPage();
    EXPECT_FALSE(dlg.GetDlgItem(1006).IsWindowEnabled());
    EXPECT_FALSE(dlg.GetDlgItem(1026).IsWindowEnabled());

    const auto tone = Sine(440, 8000, 1.0);
    RecordWith(3, std::make_shared<CSamplesSignal>(tone));
    const uint64_t start = m_env.m_clock.NowMs();
    EXPECT_EQ(dlg.View().CurrentPage(), Page::OutputRecording);
    EXPECT_EQ(dlg.GetDlgItemText(1001), "Stop Recording");
    for (int id : {1006, 1005, 1010})
        EXPECT_FALSE(dlg.GetDlgItem(id).IsWindowEnabled()) << id;
    EXPECT_TRUE(dlg.HasTimer(1));
    EXPECT_EQ(dlg.View().Audio().m_nMode.load(), 9);

    // The microphone delivers its three blocks, then falls silent: its waits move
    // the clock on, so once it has waited it has written every block.
    ASSERT_TRUE(PumpUntil([&] { return m_env.m_clock.NowMs() > start + 1000; }));
    m_host.AdvanceTime(5000);

    EXPECT_EQ(dlg.View().CurrentPage(), Page::OutputListening);
    EXPECT_FALSE(dlg.HasTimer(1));
    EXPECT_EQ(dlg.GetDlgItemText(1001), "Record");
    for (int id : {1006, 1026, 1005, 1010})
        EXPECT_TRUE(dlg.GetDlgItem(id).IsWindowEnabled()) << id;
    EXPECT_TRUE(dlg.View().Recorded());
    EXPECT_EQ(dlg.View().Audio().m_nMode.load(), 8);
    EXPECT_NE(dlg.View().Audio().m_bRecording.load(), 0) << "listening again";
    for (const auto& box : m_host.messageBoxes.asked)
        ADD_FAILURE() << box.caption << ": " << box.text;
    const auto data = WavData(Recording());
    ASSERT_TRUE(data.has_value());
    ASSERT_EQ(data->size(), 3 * kBlockBytes);
    EXPECT_EQ(std::memcmp(data->data(), tone.data(), data->size()), 0);
}

// A recording that cannot be made (its folder cannot be created) is reported by
// the engine; the wizard goes back to listening at once and claims no recording.
TEST_F(TestControlsTest, ARecordingThatCannotBeMadeLeavesNoRecordingBehind)
{
    std::ofstream(m_dir / "file") << "not a folder";
    OpenWizard(VK_TEST_INSTALL_DIR, (m_dir / "file" / "recordings").string() + "/");
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    EnterOutputPage();
    ASSERT_TRUE(dlg.ClickControl(1001));
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
    EXPECT_EQ(m_host.messageBoxes.asked[0].caption, "WizardAudio");
    EXPECT_EQ(dlg.View().CurrentPage(), Page::OutputListening);
    EXPECT_EQ(dlg.GetDlgItemText(1001), "Record");
    EXPECT_FALSE(dlg.HasTimer(1));
    EXPECT_FALSE(dlg.View().Recorded());
    EXPECT_FALSE(dlg.GetDlgItem(1006).IsWindowEnabled());
    EXPECT_FALSE(dlg.GetDlgItem(1026).IsWindowEnabled());
}

// A disk that fills up: with no room for the file, during the recording, or
// when its last bytes go out. The recording ends at once, the user is told why,
// and neither Playback nor Save Recording offers a recording that is not whole
// (an earlier one of that name is gone with it).
TEST_F(TestControlsTest, AFullDiskEndsTheRecordingAndOffersNoRecording)
{
    struct Case {
        const char* name;
        rlim_t room;
        long long blocks;
    } const cases[] = {
        {"no room at all", 0, 3},
        {"full during the recording", 20000, 40},
        {"full at the end", 5000, 3},
    };
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnterOutputPage();
        fs::create_directories(Recording().parent_path());
        WriteWav(Recording(), Sine(500, 3000, 1.0));
        CWizardTestSeam::SetRecorded(dlg, true);  // an earlier recording
        m_host.messageBoxes.asked.clear();
        {
            testing::CFileSizeLimit full(c.room);
            RecordWith(c.blocks, std::make_shared<CSineSignal>(500.0, 3000.0));
            const uint64_t start = m_env.m_clock.NowMs();
            ASSERT_TRUE(PumpUntil([&] { return dlg.View().CurrentPage() == Page::OutputListening || m_env.m_clock.NowMs() > start + 1000; }));
            if (dlg.View().CurrentPage() == Page::OutputRecording)
                m_host.AdvanceTime(5000);
            ASSERT_TRUE(PumpUntil([&] { return dlg.View().CurrentPage() == Page::OutputListening; }));
        }
        ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
        EXPECT_EQ(m_host.messageBoxes.asked[0].caption, "WizardAudio");
        EXPECT_EQ(m_host.messageBoxes.asked[0].text, "Unable to write file: " + Recording().string() + "\nFile too large");
        EXPECT_EQ(dlg.GetDlgItemText(1001), "Record");
        EXPECT_FALSE(dlg.HasTimer(1));
        EXPECT_FALSE(dlg.View().Recorded());
        EXPECT_FALSE(dlg.GetDlgItem(1006).IsWindowEnabled()) << "Playback";
        EXPECT_FALSE(dlg.GetDlgItem(1026).IsWindowEnabled()) << "Save Recording";
        EXPECT_FALSE(fs::exists(Recording())) << "no partial recording is left";
        EXPECT_NE(dlg.View().Audio().m_bRecording.load(), 0) << "listening again";
    }
}

// A sound card that goes away during a recording: the recording ends with what
// it holds (at the latest when timer 1 ends it), no stuck "Stop Recording", no
// timer left, a complete file, and no listening to a card that is gone.
TEST_F(TestControlsTest, ACardThatGoesAwayDuringARecordingEndsIt)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    EnterOutputPage();
    RecordWith(2, std::make_shared<CSineSignal>(500.0, 3000.0));
    m_sound.RemoveDevice(m_card.in);
    m_host.AdvanceTime(5000);
    ASSERT_TRUE(PumpUntil([&] { return dlg.View().CurrentPage() == Page::OutputListening && dlg.View().Audio().m_bRecording == 0; }));
    // A card that cannot be opened (gone before the recording or the listening
    // after it opened it) is reported by the engine.
    for (const auto& box : m_host.messageBoxes.asked)
        EXPECT_EQ(box.caption, "MicrophoneThread");
    EXPECT_EQ(dlg.GetDlgItemText(1001), "Record");
    EXPECT_FALSE(dlg.HasTimer(1));
    EXPECT_TRUE(dlg.View().Recorded());
    EXPECT_TRUE(dlg.GetDlgItem(1026).IsWindowEnabled());
    const auto data = WavData(Recording());
    ASSERT_TRUE(data.has_value());
    EXPECT_LE(data->size(), 2 * kBlockBytes);
    EXPECT_EQ(data->size() % kBlockBytes, 0u);
}

// Playback plays the recording through the unit with its flags and route, and
// reaching the end of the file returns to listening as Stop would.
TEST_F(TestControlsTest, PlaybackToTheEndReturnsToListening)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    fs::create_directories(Recording().parent_path());
    WriteWav(Recording(), Sine(300, 5000, 0.7));
    CWizardTestSeam::SetRecorded(dlg, true);
    EnterOutputPage();
    const auto recorded = WavData(Recording());
    ASSERT_TRUE(recorded.has_value());

    ASSERT_TRUE(dlg.ClickControl(1006));
    EXPECT_EQ(dlg.View().CurrentPage(), Page::OutputPlayback);
    EXPECT_EQ(dlg.GetDlgItemText(1006), "Stop");
    EXPECT_FALSE(dlg.GetDlgItem(1001).IsWindowEnabled());
    EXPECT_TRUE(dlg.View().Playing());

    ASSERT_TRUE(PumpUntil([&] { return dlg.View().CurrentPage() == Page::OutputListening; }));
    EXPECT_EQ(dlg.GetDlgItemText(1006), "Playback");
    EXPECT_EQ(dlg.GetDlgItemText(1001), "Record");
    EXPECT_TRUE(dlg.GetDlgItem(1001).IsWindowEnabled());
    EXPECT_FALSE(dlg.View().Playing());
    EXPECT_EQ(dlg.View().Audio().m_nMode.load(), 8);
    EXPECT_NE(dlg.View().Audio().m_bRecording.load(), 0) << "listening again";
    EXPECT_EQ(m_sound.Played(m_card.out), *recorded);
    using Route = std::pair<uint8_t, uint8_t>;
    EXPECT_EQ(m_unit->WithState([](SimUnitState& s) { return s.routes; }), (std::vector<Route>{{1, 13}, {13, 13}}));
    EXPECT_EQ(Register(1) & 0x80, 0) << "the playback flag is down again";
    EXPECT_EQ(Register(2) & 0x80, 0x80) << "the speaker flag stays until the page is left";
}

// Play Voice and Play Music stream our test sounds to the unit's speaker; the end
// of the sound brings both buttons back. A sound that cannot be played is
// reported and leaves the buttons as they were.
TEST_F(TestControlsTest, TheSpeakerPagePlaysTheTestSounds)
{
    struct Case {
        int button, other;
        const char* file;
        const char* caption;
        bool installed;
    } const cases[] = {
        {1001, 1006, "VoicePlayback.wav", "Play Voice", true},
        {1006, 1001, "MusicPlayback.wav", "Play Music", true},
        {1001, 1006, "VoicePlayback.wav", "Play Voice", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.installed ? "" : " missing"));
        OpenWizard(c.installed ? VK_TEST_INSTALL_DIR : (m_dir / "nowhere").string() + "/",
                   (m_dir / "recordings").string() + "/");
        CQuorvelVK550ConfigDlg& dlg = *m_dlg;
        m_host.messageBoxes.asked.clear();
        const size_t playedBefore = m_sound.Played(m_card.out).size();
        CWizardTestSeam::PutOnPage(dlg, Page::Speaker);
        dlg.ShowPage();

        ASSERT_TRUE(dlg.ClickControl(c.button));
        if (!c.installed) {
            ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
            EXPECT_EQ(m_host.messageBoxes.asked[0].text,
                      "Unable to open file: " + (m_dir / "nowhere" / "WaveFiles" / c.file).string());
            EXPECT_EQ(dlg.GetDlgItemText(c.button), c.caption);
            EXPECT_TRUE(dlg.GetDlgItem(c.other).IsWindowEnabled());
            EXPECT_FALSE(dlg.View().Playing());
            EXPECT_EQ(Register(2) & 0x80, 0);
            continue;
        }
        EXPECT_EQ(dlg.GetDlgItemText(c.button), "Stop");
        EXPECT_FALSE(dlg.GetDlgItem(c.other).IsWindowEnabled());
        EXPECT_EQ(Register(2) & 0x80, 0x80) << "raised while the PC plays through the speaker";

        ASSERT_TRUE(PumpUntil([&] { return !dlg.View().Playing(); }));
        EXPECT_EQ(dlg.GetDlgItemText(c.button), c.caption);
        EXPECT_TRUE(dlg.GetDlgItem(c.other).IsWindowEnabled());
        EXPECT_EQ(Register(2) & 0x80, 0);
        const auto sound = WavData(fs::path(VK_TEST_INSTALL_DIR) / "WaveFiles" / c.file);
        ASSERT_TRUE(sound.has_value());
        const auto played = m_sound.Played(m_card.out);
        EXPECT_EQ(std::vector<uint8_t>(played.begin() + static_cast<ptrdiff_t>(playedBefore), played.end()), *sound);
        EXPECT_TRUE(m_host.messageBoxes.asked.empty());
    }
}

// A slider acts only on its own page: the speaker slider on the speaker page, the
// output slider everywhere else; the mixer and the unit follow it.
TEST_F(TestControlsTest, ASliderActsOnlyOnItsOwnPage)
{
    struct Case {
        int page, slider, pos;
        std::vector<uint16_t> commands;
        int mic, speaker;
    } const cases[] = {
        {5, 1007, 4, {0x5114}, 12, 20},
        {8, 1005, 6, {0x5312, 0x5712, 0x5412}, 18, 12},
        {8, 1007, 0, {}, 12, 12},  // the speaker slider is disabled on the output page
        {5, 1005, 0, {}, 12, 12},  // and the output slider on the speaker page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << c.page << " slider " << c.slider);
        CQuorvelVK550ConfigDlg& dlg = *m_dlg;
        CWizardTestSeam::SetLevels(dlg, 12, 12);
        CWizardTestSeam::PutOnPage(dlg, static_cast<Page>(c.page));
        m_unit->ClearLog();
        m_sound.ClearMixerWrites();
        dlg.GetDlgItem(c.slider).SetPos(c.pos);
        (void)dlg.SendMessage(WM_VSCROLL, static_cast<WPARAM>(c.pos) << 16 | SB_THUMBTRACK, c.slider);
        EXPECT_EQ(LevelCommands(), c.commands);
        EXPECT_EQ(dlg.View().MicVolume(), c.mic);
        EXPECT_EQ(dlg.View().SpeakerVolume(), c.speaker);
        const auto writes = m_sound.MixerWrites();
        if (c.commands.empty()) {
            EXPECT_TRUE(writes.empty());
        } else {
            const uint32_t value = static_cast<uint32_t>(24 - c.pos) * 0xFFFF / 24;
            ASSERT_FALSE(writes.empty());
            EXPECT_EQ(writes.front().values.front(), value);
        }
    }
}

// LoadLevels: the unit's own levels, or the built-in ones by protocol version.
TEST_F(TestControlsTest, LoadLevelsTakesTheUnitsOrTheBuiltInLevels)
{
    struct Case {
        int protocol;
        bool defaults;
        std::vector<uint16_t> commands;
        int mic, speaker;
    } const cases[] = {
        // Below 9: fixed levels for a product of the family, nothing read.
        {8, true, {0x530C, 0x570C, 0x540C, 0x510C}, 12, 12},
        // 9: level command base 0x607F; the speaker answer is that of 0x5118.
        {9, true, {0x647F, 0x5118, 0x637F, 0x5307, 0x5707, 0x5407, 0x5118}, 7, 24},
        // Above 9: base 0x603F.
        {10, true, {0x613F, 0x633F, 0x5307, 0x5707, 0x5407, 0x5105}, 7, 5},
        // The unit's levels: the speaker level lives in register 4 below version 10.
        {9, false, {0x6300, 0x6400, 0x5307, 0x5707, 0x5407, 0x5109}, 7, 9},
        {10, false, {0x6300, 0x6100, 0x5307, 0x5707, 0x5407, 0x5105}, 7, 5},
        {22, false, {0x6300, 0x6100, 0x5307, 0x5707, 0x5407, 0x5105}, 7, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "protocol " << c.protocol << (c.defaults ? " built-in" : " unit's"));
        CQuorvelVK550ConfigDlg& dlg = *m_dlg;
        m_unit->WithState([&](SimUnitState& s) {
            s.protocolVersionAnswer = static_cast<uint16_t>(0xA400 + c.protocol);
            s.levels = {{1, 0x85}, {3, 0x07}, {4, 0x09}};
        });
        ASSERT_TRUE(CWizardTestSeam::Unit(dlg).OpenUnit(kFamilyFilter, true));
        ASSERT_EQ(CWizardTestSeam::Unit(dlg).GetProtocolVersion(), c.protocol);
        CWizardTestSeam::SetLevels(dlg, 12, 12);
        CWizardTestSeam::SetUseDefaultLevels(dlg, c.defaults);
        m_unit->ClearLog();
        dlg.LoadLevels();
        EXPECT_EQ(LevelCommands(), c.commands);
        EXPECT_EQ(dlg.View().MicVolume(), c.mic);
        EXPECT_EQ(dlg.View().SpeakerVolume(), c.speaker);
        EXPECT_FALSE(dlg.View().UsesDefaultLevels());
        EXPECT_EQ(dlg.GetDlgItem(1005).GetPos(), 24 - c.mic);
        EXPECT_EQ(dlg.GetDlgItem(1007).GetPos(), 24 - c.speaker);
    }
}

// A unit that does not answer the level reads: the kept levels stay, the
// sliders still set up, and a level above 24 in a register is taken as 24.
TEST_F(TestControlsTest, LoadLevelsKeepsTheLevelsTheUnitDoesNotGive)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    SimFaults silent;
    silent.silent = true;
    silent.onlyFor = 0x6100;
    m_unit->SetFaults(silent);
    m_unit->WithState([](SimUnitState& s) { s.levels = {{3, 0x3F}}; });
    CWizardTestSeam::SetLevels(dlg, dlg.View().MicVolume(), 17);
    dlg.LoadLevels();
    EXPECT_EQ(dlg.View().SpeakerVolume(), 17);
    EXPECT_EQ(dlg.View().MicVolume(), 24);
    EXPECT_EQ(dlg.GetDlgItem(1007).GetRangeMax(), 24);
    EXPECT_EQ(dlg.GetDlgItem(1007).GetPos(), 7);
    EXPECT_EQ(dlg.GetDlgItem(1005).GetPos(), 0);
}

// Save Recording proposes "Output_" and the local time in the recordings folder
// and copies the recording; a recording that cannot be opened and a destination
// that cannot be written are reported, the latter left without a file, and the
// button stays.
TEST_F(TestControlsTest, SaveRecordingCopiesTheRecordingUnderTheChosenName)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    const char* locale = std::setlocale(LC_TIME, nullptr);
    const std::string saved = locale ? locale : "C";
    std::setlocale(LC_TIME, "C");
    // The virtual clock's local time is its base plus the time it has run.
    const uint64_t wanted = (14 * 3600 + 7 * 60 + 31) * 1000ull;
    const uint64_t ran = m_env.m_clock.NowMs();
    ASSERT_LT(ran, wanted);
    const uint64_t base = wanted - ran;
    m_env.m_clock.SetLocalBase({2013, 3, 2, 5, static_cast<uint16_t>(base / 3600000),
                                static_cast<uint16_t>(base / 60000 % 60), static_cast<uint16_t>(base / 1000 % 60),
                                static_cast<uint16_t>(base % 1000)});

    fs::create_directories(Recording().parent_path());
    WriteWav(Recording(), Sine(500, 3000, 1.3));
    const auto recording = WavData(Recording());
    ASSERT_TRUE(recording.has_value());
    CWizardTestSeam::Engine(dlg).m_strRecordFile = Recording().string();
    fs::create_directories(m_dir / "taken.wav");

    struct Case {
        const char* name;
        std::optional<fs::path> answer;
        bool recordingThere;
        bool saved;
        std::string box;  // empty: none
    } const cases[] = {
        {"cancelled", std::nullopt, true, false, ""},
        {"saved", m_dir / "copy.wav", true, true, ""},
        {"no such folder", m_dir / "missing" / "copy.wav", true, false,
         "Unable to write file: " + (m_dir / "missing" / "copy.wav").string() + "\nNo such file or directory"},
        {"a folder of that name", m_dir / "taken.wav", true, false,
         "Unable to write file: " + (m_dir / "taken.wav").string() + "\nIs a directory"},
        {"no recording", m_dir / "copy2.wav", false, false, "Can't open file : \n" + (m_dir / "gone.wav").string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWizardTestSeam::Engine(dlg).m_strRecordFile =
            c.recordingThere ? Recording().string() : (m_dir / "gone.wav").string();
        dlg.GetDlgItem(1026).EnableWindow(true);
        m_host.fileDialogs.asked.clear();
        m_host.fileDialogs.answers = {c.answer ? std::optional<std::string>(c.answer->string()) : std::nullopt};
        m_host.fileDialogs.next = 0;
        m_host.messageBoxes.asked.clear();
        dlg.SendMessage(WM_COMMAND, 1026);

        ASSERT_EQ(m_host.fileDialogs.asked.size(), 1u);
        const FileDialogRequest& asked = m_host.fileDialogs.asked[0];
        EXPECT_FALSE(asked.open);
        EXPECT_EQ(asked.defaultExt, ".wav");
        EXPECT_EQ(asked.flags, 0u);
        EXPECT_EQ(asked.filter, "WAV Files (*.wav)|*.wav||");
        EXPECT_EQ(asked.initialName, dlg.View().WaveDir() + "Output_Mar 05 2013 14-07-31.wav");
        EXPECT_EQ(dlg.GetDlgItem(1026).IsWindowEnabled(), !c.saved);
        if (c.saved) {
            EXPECT_EQ(WavData(*c.answer), recording);
        } else if (c.answer && !fs::is_directory(*c.answer)) {
            EXPECT_FALSE(fs::exists(*c.answer));
        }
        if (c.answer) {
            EXPECT_FALSE(fs::exists(c.answer->string() + ".part")) << "no half-written file is left";
        }
        ASSERT_EQ(m_host.messageBoxes.asked.size(), c.box.empty() ? 0u : 1u);
        if (!c.box.empty()) {
            EXPECT_EQ(m_host.messageBoxes.asked[0].text, c.box);
            EXPECT_EQ(m_host.messageBoxes.asked[0].caption, "Quorvel Audio Saving");
            EXPECT_EQ(m_host.messageBoxes.asked[0].type, MB_ICONEXCLAMATION);
        }
    }
    std::setlocale(LC_TIME, saved.c_str());
}

// An echo-test recording with 32.4 dB of echo reduction and a residual echo of
// -40.2 dB: the first test passes, the second fails.
fs::path WriteEchoRecording(const fs::path& path)
{
    // Levels are the spread of a window in dB of full scale: a sine of amplitude
    // a reads 20 log10(a / sqrt 2) - 90.309.
    const auto amplitude = [](double db) { return std::sqrt(2.0) * std::pow(10.0, (db + 90.309) / 20.0); };
    auto samples = Sine(500, amplitude(-7.8), 2.1);
    const auto rest = Sine(500, amplitude(-40.2), 2.9);
    samples.insert(samples.end(), rest.begin(), rest.end());
    WriteWav(path, samples);
    return path;
}

constexpr const char* kEchoReport =
    "\n\r For new units: Echo Reduction is  32.4dB - Passed the test.  Limit is  30.0dB        \n\r"
    "\n\r For old units: Residual Echo is -40.2dB - Failed the test.  Limit is -45.0dB             ";

TEST_F(TestControlsTest, TheEchoTestReportsBothFigures)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    const fs::path file = WriteEchoRecording(m_dir / "echo.wav");
    m_host.fileDialogs.answers = {std::nullopt, file.string()};
    dlg.SendMessage(WM_COMMAND, 1015);
    EXPECT_TRUE(m_host.messageBoxes.asked.empty()) << "cancelled: nothing more";
    dlg.SendMessage(WM_COMMAND, 1015);

    ASSERT_EQ(m_host.fileDialogs.asked.size(), 2u);
    const FileDialogRequest& asked = m_host.fileDialogs.asked[1];
    EXPECT_TRUE(asked.open);
    EXPECT_EQ(asked.defaultExt, ".wav");
    EXPECT_EQ(asked.initialName, "./WaveFiles/Echo_Test.wav");
    EXPECT_EQ(asked.filter, "wav files (*.wav)|*.wav|All Files (*.*)|*.*||");
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
    EXPECT_EQ(m_host.messageBoxes.asked[0].text, kEchoReport);
    EXPECT_EQ(m_host.messageBoxes.asked[0].caption, "Echo Test Results");
    EXPECT_EQ(m_host.messageBoxes.asked[0].type, MB_ICONINFORMATION);
    EXPECT_NEAR(dlg.View().EchoFigure(), -40.2, 0.05);
}

// Other programs of the family start the echo test by posting WM_COMMAND 1015 to
// the window titled "Quorvel Dravena Configuration".
TEST_F(TestControlsTest, TheEchoTestCommandArrivesThroughTheWindowTitle)
{
    const auto folder = m_dir / "windows";
    fs::create_directories(folder);
    ::chmod(folder.c_str(), 0700);
    ::setenv("QUORVEL_WINDOWS_DIR", folder.c_str(), 1);
    m_host.fileDialogs.answers = {WriteEchoRecording(m_dir / "echo.wav").string()};

    CQuorvelVK550ConfigDlg dlg;
    dlg.SetAttach([](CDialog& window) -> std::shared_ptr<void> {
        return CWindowTitleLink::Bind(kWizardTitle, window);
    });
    m_host.Then([](CHeadlessHost&) {
        auto wizard = CSocketWindowDirectory().FindWindow(kWizardTitle);
        ASSERT_NE(wizard, nullptr);
        EXPECT_TRUE(wizard->PostMessage(0x0111, 1015, 0));
    });
    m_host.ThenWaitFor([&](CHeadlessHost& host) { return !host.messageBoxes.asked.empty(); }, 10000);
    m_host.Then([](CHeadlessHost& host) { host.ActiveModal()->EndDialog(1); });
    EXPECT_EQ(dlg.DoModal(), 1);
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
    EXPECT_EQ(m_host.messageBoxes.asked[0].text, kEchoReport);
    ::unsetenv("QUORVEL_WINDOWS_DIR");
}

// --- through the pages ---------------------------------------------------------------

// The whole road of a technician: speaker tests and level on page 5, the inputs
// page, then on page 8 the output level, a recording, its playback and a saved
// copy, and "Exit >" keeping the levels that were set.
TEST_F(TestControlsTest, ATechnicianTestsTheSpeakerAndTheOutputThroughThePages)
{
    CQuorvelVK550ConfigDlg& dlg = *m_dlg;
    ASSERT_EQ(dlg.View().CurrentPage(), Page::ConfigurationType);
    ASSERT_TRUE(dlg.ClickControl(IDC_NEXT));
    ASSERT_EQ(dlg.View().CurrentPage(), Page::Speaker);

    ASSERT_TRUE(dlg.ClickControl(1006));
    EXPECT_EQ(dlg.GetDlgItemText(1006), "Stop");
    ASSERT_TRUE(PumpUntil([&] { return !dlg.View().Playing(); })) << "the music plays to its end";
    EXPECT_EQ(dlg.GetDlgItemText(1006), "Play Music");
    ASSERT_TRUE(dlg.ScrollControl(1007, 6));
    EXPECT_EQ(dlg.View().SpeakerVolume(), 18);
    EXPECT_FALSE(dlg.ScrollControl(1005, 0)) << "the output slider is disabled on the speaker page";

    LeaveInputsPageWith(IDC_NEXT);
    ASSERT_TRUE(dlg.ClickControl(IDC_NEXT));
    ASSERT_EQ(dlg.View().CurrentPage(), Page::OutputListening);
    ASSERT_EQ(dlg.View().Audio().m_strRecordFile, Recording().string());
    ASSERT_TRUE(dlg.ClickControl(1112));
    EXPECT_EQ(m_unit->WithState([](SimUnitState& s) { return s.picLines >> 23 & 1; }), 0u) << "line level";
    ASSERT_TRUE(dlg.ScrollControl(1005, 4));
    EXPECT_EQ(dlg.View().MicVolume(), 20);

    const uint64_t listening = m_env.m_clock.NowMs();
    ASSERT_TRUE(PumpUntil([&] { return m_env.m_clock.NowMs() > listening + 1000; }));
    const auto tone = Sine(440, 8000, 1.0);
    RecordWith(3, std::make_shared<CSamplesSignal>(tone));
    const uint64_t recording = m_env.m_clock.NowMs();
    ASSERT_TRUE(PumpUntil([&] { return m_env.m_clock.NowMs() > recording + 1000; }));
    m_host.AdvanceTime(5000);
    ASSERT_EQ(dlg.View().CurrentPage(), Page::OutputListening);
    ASSERT_TRUE(dlg.View().Recorded());

    const size_t playedBefore = m_sound.Played(m_card.out).size();
    ASSERT_TRUE(dlg.ClickControl(1006));
    ASSERT_TRUE(PumpUntil([&] { return dlg.View().CurrentPage() == Page::OutputListening; })) << "the playback ends by itself";
    const auto played = m_sound.Played(m_card.out);
    EXPECT_EQ(played.size() - playedBefore, 3 * kBlockBytes);

    m_host.fileDialogs.answers = {(m_dir / "kept.wav").string()};
    ASSERT_TRUE(dlg.ClickControl(1026));
    const auto kept = WavData(m_dir / "kept.wav");
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(std::memcmp(kept->data(), tone.data(), kept->size()), 0);
    EXPECT_FALSE(dlg.GetDlgItem(1026).IsWindowEnabled());

    ASSERT_TRUE(dlg.ClickControl(IDC_NEXT));
    ASSERT_EQ(dlg.View().CurrentPage(), Page::Finished);
    ASSERT_TRUE(dlg.ClickControl(IDC_NEXT));  // "Exit >"
    EXPECT_EQ(dlg.Result(), IDOK);
    CRegHelper reg;
    ASSERT_TRUE(reg.OpenKey(kProgramKey));
    uint32_t mic = 0, speaker = 0;
    ASSERT_TRUE(reg.ReadDword("Microphone Volume", &mic));
    ASSERT_TRUE(reg.ReadDword("Speaker Volume", &speaker));
    EXPECT_EQ(mic, 20u);
    EXPECT_EQ(speaker, 18u);
    EXPECT_TRUE(m_host.messageBoxes.asked.empty());
}

// Next or Back during a recording ends it: the engine stops, the file is
// complete, and timer 1 never fires again.
TEST_F(TestControlsTest, LeavingThePageDuringARecordingEndsIt)
{
    struct Case {
        int click;
        int page;
    } const cases[] = {{IDC_NEXT, 13}, {IDC_BACK, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.click == IDC_NEXT ? "Next" : "Back");
        CQuorvelVK550ConfigDlg& dlg = *m_dlg;
        CWizardTestSeam::PutOnPage(dlg, Page::ConfigurationType);
        dlg.ShowPage();
        ASSERT_TRUE(dlg.ClickControl(IDC_NEXT));
        LeaveInputsPageWith(IDC_NEXT);
        ASSERT_TRUE(dlg.ClickControl(IDC_NEXT));
        ASSERT_EQ(dlg.View().CurrentPage(), Page::OutputListening);

        // The listener's report of a silent microphone has been handled (the
        // one-time step of the time limit is behind us).
        ASSERT_TRUE(PumpUntil([&] { return dlg.View().Audio().m_dTimeLimit == 5.0; }));
        RecordWith(2, std::make_shared<CSineSignal>(500.0, 3000.0));
        ASSERT_EQ(dlg.View().CurrentPage(), Page::OutputRecording);
        // The two blocks are in once the microphone waits for more; nothing is
        // dispatched meanwhile, so timer 1 has not ended the recording.
        const uint64_t recording = m_env.m_clock.NowMs();
        ASSERT_TRUE(WaitForClock(recording + 1000));
        ASSERT_EQ(dlg.View().CurrentPage(), Page::OutputRecording);

        // Back goes through the inputs page, which the user leaves with Back.
        if (c.click == IDC_BACK)
            LeaveInputsPageWith(IDC_BACK);
        ASSERT_TRUE(dlg.ClickControl(c.click));
        EXPECT_EQ(m_host.StepsLeft(), 0u);
        EXPECT_EQ(PageNumber(dlg.View().CurrentPage()), c.page);
        EXPECT_FALSE(dlg.HasTimer(1));
        EXPECT_EQ(dlg.View().Audio().m_bRecording.load(), 0);
        m_unit->ClearLog();
        m_host.AdvanceTime(20000);
        EXPECT_EQ(PageNumber(dlg.View().CurrentPage()), c.page);
        EXPECT_EQ(m_unit->LoggedCodes(), std::vector<uint16_t>{}) << "nothing happens afterwards";
        const auto data = WavData(Recording());
        ASSERT_TRUE(data.has_value());
        EXPECT_EQ(data->size(), 2 * kBlockBytes);
    }
}

}  // namespace
}  // namespace vk
