// vk550ctl echo as a production line runs it: a separate process, its report
// on standard output, its verdict in the exit code.

#include <gtest/gtest.h>

#include "tests/support/CommandFolder.h"

#include <sys/stat.h>
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

using vk::test::CommandRun;

std::string Slurp(const fs::path& path) { return vk::test::ReadText(path); }

class EchoCommandTest : public vk::test::CommandFolderTest {
protected:
    CommandRun Echo(const std::string& arguments) const { return Run(std::string(VK550CTL_EXE) + " echo " + arguments); }

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

    // Standard input redirected from a recording is that file, read as often as needed.
    const CommandRun redirected = Echo("/dev/stdin <" + Recording("again.wav", 1000, 10));
    EXPECT_EQ(redirected.exitCode, 0) << redirected.err;
    EXPECT_EQ(redirected.out, good.out);
}

// A format block with every field chosen by the test.
vk::testwav::Chunk Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits)
{
    vk::testwav::Chunk fmt{"fmt ", {}};
    vk::testwav::PutLE(fmt.bytes, tag, 2);
    vk::testwav::PutLE(fmt.bytes, channels, 2);
    vk::testwav::PutLE(fmt.bytes, rate, 4);
    vk::testwav::PutLE(fmt.bytes, rate * blockAlign, 4);
    vk::testwav::PutLE(fmt.bytes, blockAlign, 2);
    vk::testwav::PutLE(fmt.bytes, bits, 2);
    vk::testwav::PutLE(fmt.bytes, 0, 2);  // cbSize
    return fmt;
}

// Whatever the figures cannot be computed from is told in one line on standard
// error with exit 2, never a verdict, and nothing blocks.
TEST_F(EchoCommandTest, UnusableFilesAreToldOnceAndExitTwo)
{
    const fs::path dir = m_dir;
    const auto file = [&](const std::string& name, const std::vector<vk::testwav::Chunk>& chunks) {
        vk::testwav::WriteChunks((dir / name).string(), chunks);
        return (dir / name).string();
    };
    const auto data = [](size_t samples) { return vk::testwav::DataChunk(std::vector<int16_t>(samples, 100)); };
    std::ofstream(dir / "empty.wav").close();
    std::ofstream(dir / "garbage.wav") << "this is not a RIFF file";
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0600), 0);
    const std::string good = Recording("good.wav", 1000, 10);

    struct Case {
        std::string arguments;
        std::string path;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"", dir / "missing.wav", "no such file"},
        {"", dir / "fifo.wav", "not a regular file (save the recording to a file first)"},
        {"", dir.string(), "not a regular file (save the recording to a file first)"},
        {"cat " + good + " | ", "/dev/stdin", "not a regular file (save the recording to a file first)"},
        {"", dir / "empty.wav", "empty"},
        {"", dir / "garbage.wav", "not a WAV file"},
        {"", file("nodata.wav", {vk::testwav::FmtChunk(1, 16000)}), "no data chunk"},
        {"", file("8bit.wav", {Fmt(1, 1, 16000, 1, 8), data(64000)}), "unsupported format: 8 bits per sample (needs 16)"},
        {"", file("24bit.wav", {Fmt(1, 1, 16000, 3, 24), data(64000)}), "unsupported format: 24 bits per sample (needs 16)"},
        {"", file("float.wav", {Fmt(3, 1, 16000, 4, 32), data(64000)}), "unsupported format: not PCM (format tag 0x0003)"},
        {"", file("nochannels.wav", {Fmt(1, 0, 16000, 2, 16), data(64000)}), "unsupported format: 0 channels (needs 1 or 2)"},
        {"", file("many.wav", {Fmt(1, 65535, 16000, 2, 16), data(64000)}), "unsupported format: 65535 channels (needs 1 or 2)"},
        {"", file("align0.wav", {Fmt(1, 1, 16000, 0, 16), data(64000)}), "unsupported format: block align 0 (needs 2)"},
        {"", file("short.wav", {vk::testwav::FmtChunk(1, 16000), data(63999)}),
         "recording too short (3.999 s), needs at least 4.000 s"},
        {"", file("shorter.wav", {vk::testwav::FmtChunk(2, 16000), data(2 * 16000)}),
         "recording too short (1.000 s), needs at least 4.000 s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string command = c.arguments + "timeout 20 " + std::string(VK550CTL_EXE) + " echo " + c.path +
                                    " >" + (dir / "out").string() + " 2>" + (dir / "err").string();
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
        EXPECT_EQ(Slurp(dir / "out"), "");
        EXPECT_EQ(Slurp(dir / "err"), "vk550ctl: " + c.path + ": " + c.problem + "\n");
    }
    EXPECT_EQ(Echo("").exitCode, 2);
}

// A recording without any test signal (a dead microphone) fails the residual
// test with its -1000 figure, whatever is left after it.
TEST_F(EchoCommandTest, SilentRecordingFailsTheResidualTest)
{
    std::vector<int16_t> dc(64000, 1234);
    const std::string zeros = (m_dir / "zeros.wav").string();
    const std::string offset = (m_dir / "dc.wav").string();
    vk::testwav::WriteWav(zeros, 1, 16000, std::vector<int16_t>(64000, 0));
    vk::testwav::WriteWav(offset, 2, 16000, vk::testwav::Stereo(dc, dc));
    for (const std::string& path : {zeros, offset}) {
        SCOPED_TRACE(path);
        const CommandRun run = Echo(path);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.out.find("Residual Echo is -1000.0dB - Failed the test."), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("Echo Reduction is   0.0dB - Failed the test."), std::string::npos) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

}  // namespace
