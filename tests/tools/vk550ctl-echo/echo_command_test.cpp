// vk550ctl echo as a production line runs it: a separate process, its report
// on standard output, its verdict in the exit code.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/audio/echo/TestWav.h"

namespace {

namespace fs = std::filesystem;

struct CommandRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

class EchoCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vk-echo-cmd-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    CommandRun Echo(const std::string& arguments) const
    {
        const std::string command = std::string(VK550CTL_EXE) + " echo " + arguments + " >" + (m_dir / "out").string() +
                                    " 2>" + (m_dir / "err").string();
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(m_dir / "out"), Slurp(m_dir / "err")};
    }

    // 0.2..2.2 s a sine of amplitudeA, then one of amplitudeB, at 16000 per second.
    std::string Recording(const std::string& name, double amplitudeA, double amplitudeB) const
    {
        std::vector<int16_t> mono(64000, 0);
        vk::testwav::AddSine(mono, 16000, 0, 35200, amplitudeA);
        vk::testwav::AddSine(mono, 16000, 35200, mono.size(), amplitudeB);
        const std::string path = (m_dir / name).string();
        vk::testwav::WriteWav(path, 1, 16000, mono);
        return path;
    }

    fs::path m_dir;
};

TEST_F(EchoCommandTest, PrintsTheReportAndExitsWithTheVerdict)
{
    const CommandRun good = Echo(Recording("good.wav", 1000, 10));
    EXPECT_EQ(good.exitCode, 0);
    EXPECT_EQ(good.out,
              "\n\r For new units: Echo Reduction is  40.0dB - Passed the test.  Limit is  30.0dB        \n\r"
              "\n\r For old units: Residual Echo is -73.3dB - Passed the test.  Limit is -45.0dB             \n");
    EXPECT_EQ(good.err, "");

    const CommandRun echoing = Echo(Recording("echoing.wav", 1000, 300));
    EXPECT_EQ(echoing.exitCode, 1);
    EXPECT_NE(echoing.out.find("Residual Echo is -43.8dB - Failed the test."), std::string::npos) << echoing.out;
}

TEST_F(EchoCommandTest, UnreadableFileIsToldOnceOnStandardError)
{
    const std::string missing = (m_dir / "missing.wav").string();
    const CommandRun run = Echo(missing);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "[WaveOpen] Unable to open file: " + missing + "\n");

    EXPECT_EQ(Echo("").exitCode, 2);
}

}  // namespace
