// The test-audio engine on simulated sound devices with a virtual clock: what
// Start starts, what the threads post and when, the record file, and Stop.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/WizardAudio.h"

#include <cerrno>
#include "platform/clock/Clock.h"
#include "platform/ui/MessageBox.h"
#include "sim/sound/SimSoundSystem.h"
#include "tests/audio/FullDisk.h"
#include "tests/audio/echo/TestWav.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kBlockBytes = 4096;  // 16000 per second, mono
constexpr uint64_t kBlockSamples = kBlockBytes / 2;

// Posts and message boxes in the order they happened, with the clock's time.
class CEventLog final : public IMessageTarget, public IMessageBox {
public:
    struct Event {
        PostedMessage posted;  // message 0 for a box
        std::string box;       // caption|text|type
        uint64_t atMs = 0;
    };

    explicit CEventLog(IClock& clock) : m_clock(clock) {}

    bool Post(uint32_t message, WPARAM wParam, LPARAM lParam) override
    {
        Add({{message, wParam, lParam}, {}, m_clock.NowMs()});
        return true;
    }
    int Show(IWindowOwner*, const std::string& text, const std::string& caption, unsigned type) override
    {
        Add({{}, caption + "|" + text + "|" + std::to_string(type), m_clock.NowMs()});
        return IDOK;
    }

    [[nodiscard]] std::vector<Event> Events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    [[nodiscard]] std::vector<PostedMessage> Posted() const
    {
        std::vector<PostedMessage> posted;
        for (const Event& e : Events())
            if (e.posted.message != 0)
                posted.push_back(e.posted);
        return posted;
    }
    [[nodiscard]] size_t Blocks() const
    {
        size_t n = 0;
        for (const PostedMessage& m : Posted())
            n += m.message == WM_AUDIO_BLOCK && m.lParam >= 0;
        return n;
    }
    // Waits (in real time, for another thread) until the condition holds.
    bool WaitUntil(const std::function<bool()>& condition) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

private:
    void Add(Event e)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(e));
    }

    IClock& m_clock;
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
};

// Every sample of a delivered block holds the block's number, so a recording
// shows which blocks went into it. Deliveries can be held back and let through
// one by one, which pins the microphone thread between two blocks.
class CBlockNumberSignal final : public ISimSignal {
public:
    int16_t Sample(uint64_t index, uint32_t) override
    {
        if (index % kBlockSamples == 0) {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_open || m_permits > 0; });
            if (!m_open)
                --m_permits;
        }
        return static_cast<int16_t>(index / kBlockSamples);
    }
    void Hold()
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    void Allow(int blocks)
    {
        std::lock_guard lock(m_mutex);
        m_permits += blocks;
        m_changed.notify_all();
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = true;
    int m_permits = 0;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(&m_clock);
        SetSoundSystem(&m_sound);
        SetMessageBoxes(&m_log);
        m_card = m_sound.AddCard("Qrvl VK550_SAL");
        m_sound.SetSignal(m_card.in, m_signal);
        m_dir = fs::temp_directory_path() / ("vk-engine-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        m_audio = std::make_unique<CWizardAudio>();
        m_audio->m_strInDevice = "Qrvl VK550_SAL";
        m_audio->m_strOutDevice = "Qrvl VK550_SAL";
        m_audio->m_strRecordFile = Path("MicRecorded.wav");
    }
    void TearDown() override
    {
        m_signal->Open();
        m_audio->Stop();
        m_audio.reset();
        SetMessageBoxes(nullptr);
        SetSoundSystem(nullptr);
        SetClock(nullptr);
        fs::remove_all(m_dir);
    }

    [[nodiscard]] std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    [[nodiscard]] bool Start(int mode)
    {
        m_audio->m_nMode = mode;
        return m_audio->Start(&m_log);
    }

    // The sample bytes of a finished WAV file, after checking both size fields.
    static std::vector<uint8_t> WavData(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (file.size() < 46) {
            ADD_FAILURE() << path << " has no complete header";
            return {};
        }
        const auto field = [&](size_t at) {
            return uint32_t{file[at]} | uint32_t{file[at + 1]} << 8 | uint32_t{file[at + 2]} << 16 |
                   uint32_t{file[at + 3]} << 24;
        };
        const uint32_t data = field(42);
        EXPECT_EQ(field(4), file.size() - 8) << "RIFF size of " << path;
        EXPECT_EQ(46 + data + data % 2, file.size()) << "data size of " << path;
        return {file.begin() + 46, file.begin() + 46 + std::min<size_t>(data, file.size() - 46)};
    }

    // The block numbers a recording holds, one per block, checking every sample.
    static std::vector<int> BlockNumbers(const std::vector<uint8_t>& data)
    {
        std::vector<int> blocks;
        for (size_t at = 0; at + kBlockBytes <= data.size(); at += kBlockBytes) {
            const int number = data[at] | data[at + 1] << 8;
            for (size_t i = at; i < at + kBlockBytes; i += 2)
                EXPECT_EQ(data[i] | data[i + 1] << 8, number) << "sample byte " << i;
            blocks.push_back(number);
        }
        EXPECT_EQ(data.size() % kBlockBytes, 0u);
        return blocks;
    }

    CVirtualClock m_clock;
    CSimSoundSystem m_sound;
    CSimSoundSystem::Card m_card;
    std::shared_ptr<CBlockNumberSignal> m_signal = std::make_shared<CBlockNumberSignal>();
    CEventLog m_log{m_clock};
    fs::path m_dir;
    std::unique_ptr<CWizardAudio> m_audio;
};

TEST_F(EngineTest, ModesOtherThanPlayAndRecordStartNothing)
{
    for (int mode : {0, 1, 4, 6, 7, 11, -1}) {
        SCOPED_TRACE(mode);
        EXPECT_TRUE(Start(mode));
        EXPECT_EQ(m_audio->m_bPlaying, 0);
        EXPECT_EQ(m_audio->m_bRecording, 0);
        EXPECT_EQ(m_audio->Stop(), 1);
    }
    EXPECT_TRUE(m_log.Events().empty());
    EXPECT_FALSE(fs::exists(Path("MicRecorded.wav")));
}

TEST_F(EngineTest, FileThatCannotBeOpenedStartsNothing)
{
    struct Case {
        int mode;
        std::string recordFile, playFile;
        std::string box;
    };
    std::ofstream(Path("not-a-folder")) << "a file";
    const std::string unwritable = Path("not-a-folder/MicRecorded.wav");
    const std::string missing = Path("missing.wav");
    const Case cases[] = {
        {kModeRecord, unwritable, "", "WizardAudio|Unable to open file: " + unwritable + "|16"},
        {kModePlay, "", missing, "WizardAudio|Unable to open file: " + missing + "|16"},
        {kModePlayBack, "", missing, "WizardAudio|Unable to open file: " + missing + "|16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        m_audio->m_strRecordFile = c.recordFile;
        m_audio->m_strPlayFile = c.playFile;
        const size_t before = m_log.Events().size();
        EXPECT_FALSE(Start(c.mode));
        EXPECT_EQ(m_audio->m_bPlaying, 0);
        EXPECT_EQ(m_audio->m_bRecording, 0);
        const auto events = m_log.Events();
        ASSERT_EQ(events.size(), before + 1);
        EXPECT_EQ(events.back().box, c.box);
    }
}

TEST_F(EngineTest, PlayFileIsPlayedWholeThenEndIsPostedOnce)
{
    struct Case {
        const char* name;
        uint16_t channels;
        uint32_t rate;
        size_t frames;
    };
    // Shorter than one buffer; and three and a half buffers of stereo at 44100.
    for (const Case c : {Case{"short", 1, 16000, 50}, Case{"long", 2, 44100, 8192 * 7 / 4}}) {
        SCOPED_TRACE(c.name);
        std::vector<int16_t> samples(c.frames * c.channels);
        testwav::AddSine(samples, c.rate, 0, samples.size(), 8000);
        const std::string file = Path(std::string(c.name) + ".wav");
        testwav::WriteWav(file, c.channels, c.rate, samples);
        const size_t playedBefore = m_sound.Played(m_card.out).size();
        const size_t postedBefore = m_log.Posted().size();

        m_audio->m_strPlayFile = file;
        ASSERT_TRUE(Start(kModePlay));
        EXPECT_EQ(m_audio->m_nSampleRate, static_cast<int>(c.rate));
        ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Posted().size() > postedBefore; }));
        // The thread idles until stopped; idling brings no second message.
        const uint64_t ended = m_clock.NowMs();
        ASSERT_TRUE(m_log.WaitUntil([&] { return m_clock.NowMs() > ended + 1000; }));
        EXPECT_EQ(m_audio->m_bPlaying, 1);
        m_audio->Stop();
        EXPECT_EQ(m_audio->m_bPlaying, 0);

        const auto posted = m_log.Posted();
        ASSERT_EQ(posted.size(), postedBefore + 1);
        EXPECT_EQ(posted.back(), (PostedMessage{WM_AUDIO_DONE, 0, 0}));
        const auto played = m_sound.Played(m_card.out);
        const auto* bytes = reinterpret_cast<const uint8_t*>(samples.data());
        EXPECT_EQ(std::vector<uint8_t>(played.begin() + static_cast<long>(playedBefore), played.end()),
                  std::vector<uint8_t>(bytes, bytes + samples.size() * 2));
    }
    EXPECT_TRUE(m_log.Events().size() == 2u) << "no message boxes";
}

TEST_F(EngineTest, SilentDevicePostsOneMissingBlockAfterThreeWaits)
{
    m_sound.SetDeliveryBudget(m_card.in, 0);
    const uint64_t started = m_clock.NowMs();
    ASSERT_TRUE(Start(kModeMonitor));
    ASSERT_TRUE(m_log.WaitUntil([&] { return !m_log.Events().empty(); }));
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_clock.NowMs() > started + 10000; }));
    m_audio->Stop();

    const auto events = m_log.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].posted, (PostedMessage{WM_AUDIO_BLOCK, reinterpret_cast<WPARAM>(&m_audio->m_pSamples), -2}));
    EXPECT_GE(events[0].atMs - started, 3000u);
    EXPECT_LT(events[0].atMs - started, 3100u);
}

TEST_F(EngineTest, StartWithoutStopEndsTheEarlierRunFirst)
{
    m_sound.SetDeliveryBudget(m_card.in, 0);
    ASSERT_TRUE(Start(kModeMonitor));
    ASSERT_TRUE(Start(kModeMonitor));  // a running first run must not keep it waiting
    const uint64_t restarted = m_clock.NowMs();
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_clock.NowMs() > restarted + 10000; }));
    m_audio->Stop();
    const size_t posted = m_log.Posted().size();
    EXPECT_GE(posted, 1u);  // the second run's missing-block message, perhaps the first's too
    EXPECT_LE(posted, 2u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(m_log.Posted().size(), posted);
}

TEST_F(EngineTest, TimeLimitIsPostedAheadOfEachBlockFromTheFortieth)
{
    m_sound.SetDeliveryBudget(m_card.in, 45);
    m_audio->m_dTimeLimit = 5.0;
    ASSERT_TRUE(Start(kModeMonitor));
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 45; }));
    m_audio->Stop();

    const auto pointer = reinterpret_cast<WPARAM>(&m_audio->m_pSamples);
    std::vector<PostedMessage> expected;
    for (int block = 1; block <= 45; ++block) {
        if (block >= 40)  // 40 x 128 ms = 5.12 s
            expected.push_back({WM_AUDIO_BLOCK, pointer, kBlockTimeLimit});
        expected.push_back({WM_AUDIO_BLOCK, pointer, kBlockBytes});
    }
    auto posted = m_log.Posted();
    std::erase_if(posted, [](const PostedMessage& m) { return m.lParam == kBlockMissing; });
    EXPECT_EQ(posted, expected);

    // The pointer leads to the copy of the last block.
    const auto lock = m_audio->LockSamples();
    const int16_t* samples = *reinterpret_cast<int16_t* const*>(pointer);
    EXPECT_EQ(samples, m_audio->m_Samples);
    EXPECT_EQ(samples[0], 44);
    EXPECT_EQ(samples[kBlockSamples - 1], 44);
}

TEST_F(EngineTest, InitialTimeLimitIsTwoSeconds)
{
    EXPECT_EQ(m_audio->m_dTimeLimit, 2.0);
    m_sound.SetDeliveryBudget(m_card.in, 17);
    ASSERT_TRUE(Start(kModeMonitor));
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 17; }));
    m_audio->Stop();
    auto posted = m_log.Posted();
    std::erase_if(posted, [](const PostedMessage& m) { return m.lParam == kBlockMissing; });
    // 16 blocks are 2.048 s: the first limit message comes with the 16th.
    ASSERT_EQ(posted.size(), 17u + 2u);
    EXPECT_EQ(posted[15].lParam, kBlockTimeLimit);
    EXPECT_EQ(posted[16].lParam, static_cast<LPARAM>(kBlockBytes));
}

TEST_F(EngineTest, SwitchingToTheFileAndBackRecordsExactlyTheBlocksBetween)
{
    m_signal->Hold();
    m_signal->Allow(6 + 2);  // six buffers are filled at the start; then one more per block handled
    ASSERT_TRUE(Start(kModeMonitor));
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 3; }));

    m_audio->m_nMode = kModeRecord;
    ASSERT_TRUE(m_audio->OpenRecordFile());
    m_signal->Allow(4);
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 7; }));

    m_audio->m_nMode = kModeMonitor;
    m_audio->CloseRecordFile();
    m_signal->Allow(2);
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 9; }));
    EXPECT_EQ(BlockNumbers(WavData(Path("MicRecorded.wav"))), (std::vector<int>{3, 4, 5, 6}));

    // The thread went on delivering throughout and ends with Stop.
    m_signal->Open();
    m_audio->Stop();
    EXPECT_EQ(BlockNumbers(WavData(Path("MicRecorded.wav"))), (std::vector<int>{3, 4, 5, 6}));
}

TEST_F(EngineTest, ModeIsReadAfreshForEveryBlock)
{
    m_signal->Hold();
    m_signal->Allow(6 + 2);
    ASSERT_TRUE(Start(kModeRecord));
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 3; }));
    m_audio->m_nMode = kModeMonitor;  // the file stays open, but these blocks stay out of it
    m_signal->Allow(2);
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 5; }));
    m_audio->m_nMode = kModeRecord;
    m_signal->Allow(1);
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 6; }));
    m_audio->m_nMode = kModeMonitor;
    m_signal->Open();
    m_audio->Stop();  // the thread finishes the file as it ends, whatever the mode
    EXPECT_EQ(BlockNumbers(WavData(Path("MicRecorded.wav"))), (std::vector<int>{0, 1, 2, 5}));
}

TEST_F(EngineTest, StopInEveryStateEndsTheThreadsAndLeavesAValidRecording)
{
    std::vector<int16_t> tone(16000 / 2);
    testwav::AddSine(tone, 16000, 0, tone.size(), 3000);
    testwav::WriteWav(Path("tone.wav"), 1, 16000, tone);

    struct Case {
        const char* name;
        int mode;
        std::function<void()> arrange;
        std::function<bool(const CEventLog&)> reached;
    };
    const auto blocks = [](size_t n) { return [n](const CEventLog& log) { return log.Blocks() >= n; }; };
    const auto missing = [](const CEventLog& log) {
        const auto posted = log.Posted();
        return !posted.empty() && posted.back().lParam == kBlockMissing;
    };
    const Case cases[] = {
        {"recording to the file, device delivering", kModeRecord, [] {}, blocks(3)},
        {"recording to the file, device gone quiet", kModeRecord,
         [this] { m_sound.SetDeliveryBudget(m_card.in, 2); }, missing},
        {"recording from the default device", kModeRecord,
         [this] {
             m_audio->m_strInDevice = "no such device";
             m_sound.SetDeliveryBudget(m_card.in, 0);
         },
         missing},
        {"monitoring", kModeMonitor, [] {}, blocks(2)},
        {"playing", kModePlay, [this] { m_sound.SetPacing(SimPacing::RealTime); },
         [](const CEventLog&) { return true; }},
        {"idle after the end of the file", kModePlay, [] {},
         [](const CEventLog& log) { return !log.Posted().empty(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CEventLog log(m_clock);
        SetMessageBoxes(&log);
        m_audio = std::make_unique<CWizardAudio>();
        m_audio->m_strInDevice = m_audio->m_strOutDevice = "Qrvl VK550_SAL";
        m_audio->m_strRecordFile = Path("MicRecorded.wav");
        m_audio->m_strPlayFile = Path("tone.wav");
        m_audio->m_nMode = c.mode;
        fs::remove(Path("MicRecorded.wav"));
        m_sound.SetPacing(SimPacing::AsFastAsQueued);
        m_sound.SetDeliveryBudget(m_card.in, 12);
        c.arrange();

        ASSERT_TRUE(m_audio->Start(&log));
        ASSERT_TRUE(log.WaitUntil([&] { return c.reached(log); }));
        EXPECT_EQ(m_audio->Stop(), 1);
        EXPECT_EQ(m_audio->m_bPlaying, 0);
        EXPECT_EQ(m_audio->m_bRecording, 0);

        // Nothing is posted once Stop has returned: both threads have ended.
        const size_t after = log.Posted().size();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(log.Posted().size(), after);
        if (c.mode == kModeRecord) {
            EXPECT_EQ(BlockNumbers(WavData(Path("MicRecorded.wav"))).size(), log.Blocks());
        }
        m_audio.reset();
        SetMessageBoxes(&m_log);
        const auto events = log.Events();
        EXPECT_TRUE(std::none_of(events.begin(), events.end(), [](const auto& e) { return !e.box.empty(); }));
    }
    m_audio = std::make_unique<CWizardAudio>();
}

TEST_F(EngineTest, DeviceFailuresAreReportedInTheirOrder)
{
    std::vector<int16_t> tone(800);
    testwav::WriteWav(Path("tone.wav"), 1, 16000, tone);
    struct Case {
        const char* name;
        int mode;
        std::function<void()> arrange;
        std::vector<std::string> expected;  // boxes as caption|text|type, posts as message/wParam/lParam
    };
    const Case cases[] = {
        {"playback device refuses to open", kModePlay, [this] { m_sound.SetOpenFails(m_card.out, true); },
         {"32769/0/0", "SpeakerThread|Unable to open USB device for playing\nStopping test|16"}},
        {"recording device refuses to open", kModeMonitor, [this] { m_sound.SetOpenFails(m_card.in, true); },
         {"MicrophoneThread|Unable to open device for recording, DevID=0\n|48", "32769/1/0"}},
        {"recording device refuses buffers", kModeMonitor, [this] { m_sound.SetAcceptLimit(m_card.in, 2); },
         {"MicrophoneThread|Unable to create record Queue\nStopping test|48", "32769/1/0"}},
        {"recording device refuses to open while recording to the file", kModeRecord,
         [this] { m_sound.SetOpenFails(m_card.in, true); },
         {"MicrophoneThread|Unable to open device for recording, DevID=0\n|48", "32769/1/0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_sound.SetOpenFails(m_card.out, false);
        m_sound.SetOpenFails(m_card.in, false);
        m_sound.SetAcceptLimit(m_card.in, -1);
        c.arrange();
        const size_t before = m_log.Events().size();
        m_audio->m_strPlayFile = Path("tone.wav");
        ASSERT_TRUE(Start(c.mode));
        ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Events().size() >= before + 2; }));
        m_audio->Stop();
        const auto events = m_log.Events();
        std::vector<std::string> seen;
        for (size_t i = before; i < events.size(); ++i) {
            const auto& p = events[i].posted;
            seen.push_back(p.message ? std::to_string(p.message) + "/" + std::to_string(p.wParam) + "/" +
                                           std::to_string(p.lParam)
                                     : events[i].box);
        }
        EXPECT_EQ(seen, c.expected);
        if (c.mode == kModeRecord) {
            EXPECT_TRUE(WavData(Path("MicRecorded.wav")).empty()) << "an empty recording, finished";
        }
    }
}

// A lost device is reported like a silent one, so an owner that closes itself on
// a missing block (the inputs page) does not stay open over a changed wizard.
TEST_F(EngineTest, UnplugWhileMonitoringPostsMissingBlockOnceAndEndsTheThread)
{
    m_sound.RemoveCard(m_card);  // each case plugs its own
    for (const int mode : {kModeMonitor, kModeRecord}) {
        SCOPED_TRACE(mode);
        CEventLog log(m_clock);
        m_audio = std::make_unique<CWizardAudio>();
        m_audio->m_strInDevice = "Qrvl VK550_SAL";
        m_audio->m_strRecordFile = Path("MicRecorded.wav");
        m_audio->m_nMode = mode;
        m_card = m_sound.AddCard("Qrvl VK550_SAL");
        m_sound.SetSignal(m_card.in, m_signal);
        m_signal->Hold();
        m_signal->Allow(6 + 3);
        ASSERT_TRUE(m_audio->Start(&log));
        ASSERT_TRUE(log.WaitUntil([&] { return log.Blocks() == 4; }));
        m_sound.RemoveCard(m_card);
        m_signal->Open();
        ASSERT_TRUE(log.WaitUntil([&] {
            const auto posted = log.Posted();
            return !posted.empty() && posted.back().lParam == kBlockMissing;
        }));
        if (mode == kModeRecord) {
            // The thread has ended and finished the file: what was recorded is kept.
            EXPECT_EQ(BlockNumbers(WavData(Path("MicRecorded.wav"))).size(), log.Blocks());
        }
        // Virtual time runs on while nothing else is posted: the thread is gone.
        const uint64_t lost = m_clock.NowMs();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        m_clock.Advance(10000);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto posted = log.Posted();
        EXPECT_EQ(std::count_if(posted.begin(), posted.end(), [](const auto& m) { return m.lParam == kBlockMissing; }),
                  1);
        EXPECT_EQ(posted.back(), (PostedMessage{WM_AUDIO_BLOCK, reinterpret_cast<WPARAM>(&m_audio->m_pSamples),
                                                kBlockMissing}));
        EXPECT_TRUE(std::none_of(posted.begin(), posted.end(), [](const auto& m) { return m.message == WM_AUDIO_DONE; }));
        EXPECT_GE(m_clock.NowMs(), lost);
        m_audio->Stop();
        m_audio.reset();
        const auto events = log.Events();
        EXPECT_TRUE(std::none_of(events.begin(), events.end(), [](const auto& e) { return !e.box.empty(); }));
    }
    m_audio = std::make_unique<CWizardAudio>();
}

// The box about a record file that cannot be opened waits for the user; the
// microphone thread keeps delivering blocks meanwhile.
TEST_F(EngineTest, RecordFileFailureBoxLeavesTheMicrophoneRunning)
{
    class CBlocksDuringBox final : public IMessageBox {
    public:
        explicit CBlocksDuringBox(const CEventLog& log) : m_log(log) {}
        int Show(IWindowOwner*, const std::string& text, const std::string& caption, unsigned) override
        {
            seen = caption + "|" + text;
            const size_t before = m_log.Blocks();
            blocksArrived = m_log.WaitUntil([&] { return m_log.Blocks() >= before + 3; });
            return IDOK;
        }
        std::string seen;
        bool blocksArrived = false;

    private:
        const CEventLog& m_log;
    };
    ASSERT_TRUE(Start(kModeMonitor));
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() >= 2; }));
    CBlocksDuringBox box(m_log);
    SetMessageBoxes(&box);
    std::ofstream(Path("not-a-folder")) << "a file";
    const std::string unwritable = Path("not-a-folder/MicRecorded.wav");
    m_audio->m_strRecordFile = unwritable;
    EXPECT_FALSE(m_audio->OpenRecordFile());
    SetMessageBoxes(&m_log);
    EXPECT_EQ(box.seen, "WizardAudio|Unable to open file: " + unwritable);
    EXPECT_TRUE(box.blocksArrived);
    m_audio->Stop();
}

// Recording into the file another engine plays fails as a file that cannot be
// opened does, and leaves the played file whole; once it is no longer played,
// recording into it works.
TEST_F(EngineTest, RecordingOverAFileBeingPlayedFailsAndLeavesItWhole)
{
    std::vector<int16_t> tone(16000);
    testwav::AddSine(tone, 16000, 0, tone.size(), 3000);
    const std::string file = Path("Input_1.wav");
    testwav::WriteWav(file, 1, 16000, tone);
    const auto bytes = [&] {
        std::ifstream in(file, std::ios::binary);
        return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const auto original = bytes();

    m_audio->m_strPlayFile = file;
    ASSERT_TRUE(Start(kModePlay));  // the speaker thread holds the file open until Stop
    CWizardAudio recorder;
    recorder.m_strInDevice = "Qrvl VK550_SAL";
    recorder.m_strRecordFile = file;
    recorder.m_nMode = kModeRecord;
    EXPECT_FALSE(recorder.Start(&m_log));
    const auto events = m_log.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().box, "WizardAudio|Unable to open file: " + file + "|16");
    EXPECT_EQ(recorder.m_bRecording, 0);
    EXPECT_EQ(bytes(), original);

    m_audio->Stop();
    m_sound.SetDeliveryBudget(m_card.in, 2);
    ASSERT_TRUE(recorder.Start(&m_log));
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 2; }));
    recorder.Stop();
    EXPECT_EQ(WavData(file).size(), 2 * kBlockBytes);
}

// A disk that fills up while the engine records: with no room for the header
// the record file cannot be started; during the recording the file stops at
// the write that failed; at the end the last bytes find no room. Each time no
// file is left, the reason is kept for the owner, the window is told once by
// WM_AUDIO_WRITE_FAILED when the thread found it, and the microphone goes on.
TEST_F(EngineTest, AWriteThatFailsEndsTheRecordFileAndIsPostedOnce)
{
    struct Case {
        const char* name;
        rlim_t room;
        int deliveredBlocks;  // 0: as many as the device gives
        bool starts;
    } const cases[] = {
        {"no room for the header", 0, 0, false},
        {"full during the recording", 30000, 0, true},
        {"full at the end", 5000, 2, true},
    };
    const std::string file = Path("MicRecorded.wav");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CEventLog log(m_clock);
        SetMessageBoxes(&log);
        std::ofstream(file) << "an earlier recording";
        if (c.deliveredBlocks > 0)
            m_sound.SetDeliveryBudget(m_card.in, c.deliveredBlocks);
        {
            testing::CFileSizeLimit full(c.room);
            m_audio->m_nMode = kModeRecord;
            ASSERT_EQ(m_audio->Start(&log), c.starts);
            if (c.starts && c.deliveredBlocks == 0) {
                ASSERT_TRUE(log.WaitUntil([&] {
                    const auto posted = log.Posted();
                    return std::any_of(posted.begin(), posted.end(),
                                       [](const auto& m) { return m.message == WM_AUDIO_WRITE_FAILED; });
                }));
                const size_t blocks = log.Blocks();
                EXPECT_TRUE(log.WaitUntil([&] { return log.Blocks() >= blocks + 3; })) << "the microphone goes on";
            } else if (c.starts) {
                ASSERT_TRUE(log.WaitUntil([&] { return log.Blocks() == 2; }));
            }
            m_audio->Stop();
        }
        m_sound.SetDeliveryBudget(m_card.in, -1);
        const std::string failure = "Unable to write file: " + file + "\nFile too large";
        EXPECT_TRUE(m_audio->RecordFileFailed());
        EXPECT_EQ(m_audio->RecordFileFailure(), failure);
        EXPECT_FALSE(fs::exists(file)) << "no partial recording is left";
        const auto posted = log.Posted();
        const auto told = std::count(posted.begin(), posted.end(), PostedMessage{WM_AUDIO_WRITE_FAILED, EFBIG, 0});
        EXPECT_EQ(told, c.starts ? 1 : 0);
        std::vector<std::string> boxes;
        for (const auto& e : log.Events())
            if (!e.box.empty())
                boxes.push_back(e.box);
        // The engine shows its own box only where Start fails; the owner tells the user otherwise.
        EXPECT_EQ(boxes, c.starts ? std::vector<std::string>{}
                                  : std::vector<std::string>{"WizardAudio|" + failure + "|" + std::to_string(MB_OK | MB_ICONERROR)});
    }
    SetMessageBoxes(&m_log);
    // The next record file starts afresh.
    m_audio->m_nMode = kModeRecord;
    ASSERT_TRUE(m_audio->Start(&m_log));
    EXPECT_FALSE(m_audio->RecordFileFailed());
    m_audio->Stop();
    EXPECT_TRUE(fs::exists(file));
}

// A driver that reports more bytes recorded than a buffer holds: every block
// is taken at the buffer's length, so the record file, the copy of the last
// block and the length posted to the owner never reach beyond the buffer.
TEST_F(EngineTest, BlockIsNeverLongerThanItsBuffer)
{
    m_sound.SetOverReport(m_card.in, 1000);
    m_sound.SetDeliveryBudget(m_card.in, 3);
    ASSERT_TRUE(Start(kModeRecord));
    ASSERT_TRUE(m_log.WaitUntil([&] { return m_log.Blocks() == 3; }));
    m_audio->Stop();
    for (const PostedMessage& m : m_log.Posted()) {
        if (m.message == WM_AUDIO_BLOCK && m.lParam >= 0) {
            EXPECT_EQ(m.lParam, static_cast<LPARAM>(kBlockBytes));
        }
    }
    EXPECT_EQ(BlockNumbers(WavData(Path("MicRecorded.wav"))), (std::vector<int>{0, 1, 2}));
}

}  // namespace
}  // namespace vk
