// The texts and files the program writes for recordings: the same texts in
// every locale, and saved copies that are whole or not there at all.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/EchoFigures.h"
#include "audio/RecordingCopy.h"
#include "audio/RecordingName.h"
#include "audio/StrFormat.h"
#include "audio/WaveFormat.h"
#include "audio/WaveWriter.h"
#include "tests/audio/FullDisk.h"
#include "tests/audio/echo/TestWav.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

// The whole process in a decimal-comma locale, as the Qt host leaves it.
class GermanLocale {
public:
    GermanLocale() : m_previous(std::setlocale(LC_ALL, nullptr)) { m_set = std::setlocale(LC_ALL, "de_DE.UTF-8"); }
    ~GermanLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    [[nodiscard]] bool Set() const { return m_set != nullptr; }

private:
    std::string m_previous;
    const char* m_set = nullptr;
};

TEST(FixedTexts, ReadTheSameInADecimalCommaLocale)
{
    GermanLocale german;
    if (!german.Set())
        GTEST_SKIP() << "the locale de_DE.UTF-8 is missing (scripts/install-deps.sh test generates it)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 40.1);
    ASSERT_STREQ(probe, "40,1") << "the C library does not follow the locale here";

    const LocalTime december{2026, 12, 4, 10, 8, 5, 9, 0};
    const auto check = [&] {
        EXPECT_EQ(StrFormat("%5.1f|%.3f", 40.1, -45.0), " 40.1|-45.000");
        EXPECT_EQ(FormatEchoReport(40.1, true, -73.25, true),
                  "\n\r For new units: Echo Reduction is  40.1dB - Passed the test.  Limit is  30.0dB        \n\r"
                  "\n\r For old units: Residual Echo is -73.2dB - Passed the test.  Limit is -45.0dB             ");
        EXPECT_EQ(RecordingFileName("Output_", december), "Output_Dec 10 2026 08-05-09.wav");
        EXPECT_EQ(RecordingFileName("Input_", {2013, 3, 2, 5, 14, 7, 31, 0}), "Input_Mar 05 2013 14-07-31.wav");
        EXPECT_EQ(ErrorText(ENOSPC), "No space left on device");
    };
    check();
    // Another thread (the engine's) formats the same way.
    std::thread other(check);
    other.join();
    // The helpers leave the thread's own locale as it was.
    std::snprintf(probe, sizeof probe, "%.1f", 40.1);
    EXPECT_STREQ(probe, "40,1");
}

TEST(FixedTexts, EveryMonthHasItsEnglishAbbreviation)
{
    const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (uint16_t m = 1; m <= 12; ++m)
        EXPECT_EQ(RecordingFileName("", {2020, m, 0, 1, 0, 0, 0, 0}), std::string(months[m - 1]) + " 01 2020 00-00-00.wav");
}

class RecordingCopyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vk-copy-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        // Two seconds as the engine records them: 64000 sample bytes.
        std::vector<int16_t> tone(16000 * 2);
        testwav::AddSine(tone, 16000, 0, tone.size(), 3000.0);
        CWaveWriter recording;
        ASSERT_TRUE(recording.Open(Path("MicRecorded.wav"), CWaveFormat(1, 16000, 16)));
        ASSERT_EQ(recording.Write(tone.data(), static_cast<uint32_t>(tone.size() * 2)), 64000);
        ASSERT_TRUE(recording.Close());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    [[nodiscard]] std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    static std::vector<char> Bytes(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Only the recording and the files named here are in the folder.
    void ExpectFolderHolds(std::vector<std::string> names) const
    {
        names.push_back("MicRecorded.wav");
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_dir))
            found.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, names);
    }

    fs::path m_dir;
};

TEST_F(RecordingCopyTest, ACompleteCopyTakesTheChosenName)
{
    const RecordingCopyOutcome outcome = CopyRecording(Path("MicRecorded.wav"), Path("Input_1.wav"));
    EXPECT_EQ(outcome.result, RecordingCopyResult::Saved);
    EXPECT_TRUE(Bytes(Path("Input_1.wav")) == Bytes(Path("MicRecorded.wav")));
    EXPECT_EQ(RecordingCopyFailureText(outcome, "a", "b"), "");
    ExpectFolderHolds({"Input_1.wav"});
}

// A disk that fills up during the copy (at its header, in its data, or when the
// last bytes go out): nothing under the chosen name, an older file of that name
// untouched, no .part left, and the reason for the user.
TEST_F(RecordingCopyTest, ADiskThatFillsUpLeavesNothingUnderTheChosenName)
{
    const std::string target = Path("Output_1.wav");
    std::ofstream(target) << "an older file";
    const std::string from = Path("MicRecorded.wav");
    // No room at all, some of the header, some of the data, all but the last byte.
    for (rlim_t room : {rlim_t{0}, rlim_t{20}, rlim_t{30000}, rlim_t{64045}}) {
        SCOPED_TRACE(room);
        RecordingCopyOutcome outcome;
        {
            testing::CFileSizeLimit full(room);
            outcome = CopyRecording(from, target);
        }
        EXPECT_EQ(outcome.result, RecordingCopyResult::DestinationUnwritable);
        EXPECT_EQ(outcome.error, EFBIG);
        EXPECT_EQ(RecordingCopyFailureText(outcome, from, target),
                  "Unable to write file: " + target + "\nFile too large");
        std::ifstream older(target);
        EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(older), {}) == "an older file");
        ExpectFolderHolds({"Output_1.wav"});
    }
}

TEST_F(RecordingCopyTest, FailuresSayWhatFailed)
{
    struct Case {
        const char* name;
        std::string from, to;
        RecordingCopyResult result;
        std::string text;
    } const cases[] = {
        {"no recording", Path("gone.wav"), Path("a.wav"), RecordingCopyResult::SourceUnreadable,
         "Can't open file : \n" + Path("gone.wav")},
        {"no such folder", Path("MicRecorded.wav"), Path("missing/a.wav"), RecordingCopyResult::DestinationUnwritable,
         "Unable to write file: " + Path("missing/a.wav") + "\nNo such file or directory"},
        {"a folder of that name", Path("MicRecorded.wav"), m_dir.string(), RecordingCopyResult::DestinationUnwritable,
         "Unable to write file: " + m_dir.string() + "\nIs a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RecordingCopyOutcome outcome = CopyRecording(c.from, c.to);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(RecordingCopyFailureText(outcome, c.from, c.to), c.text);
        ExpectFolderHolds({});
    }
}

// The real thing: a 100 KB tmpfs that fills up.
TEST_F(RecordingCopyTest, AFullTmpfsIsReportedAsAFullDisk)
{
    testing::CSmallTmpfs disk(m_dir, 100);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.WhyNot();
    // Most of the room is taken already.
    std::vector<char> filler(80 * 1024, 'x');
    std::ofstream((disk.Folder() / "filler").string(), std::ios::binary).write(filler.data(), filler.size());
    const std::string target = (disk.Folder() / "Input_1.wav").string();
    const RecordingCopyOutcome outcome = CopyRecording(Path("MicRecorded.wav"), target);
    EXPECT_EQ(outcome.result, RecordingCopyResult::DestinationUnwritable);
    EXPECT_EQ(RecordingCopyFailureText(outcome, Path("MicRecorded.wav"), target),
              "Unable to write file: " + target + "\nNo space left on device");
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(target + ".part"));
}

}  // namespace
}  // namespace vk
