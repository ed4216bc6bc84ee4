// vk550ctl echo FILE.wav: the echo figures of a recorded echo test, as the
// wizard reports them. Exit 0 when both tests pass, 1 otherwise, 2 when the
// figures cannot be computed from the file (missing, not a regular file, empty,
// not a WAV file, no data, samples of another format, too short), told on
// standard error in one line.
#include "Command.h"
#include "audio/EchoFigures.h"
#include "audio/StrFormat.h"
#include "audio/WizardAudio.h"
#include "platform/ui/MessageBox.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace vk::ctl {
namespace {

// What the wizard shows in message boxes goes to standard error here.
class CStderrMessageBox final : public IMessageBox {
public:
    int Show(IWindowOwner*, const std::string& text, const std::string& caption, unsigned type) override
    {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        return CScriptedMessageBox::defaultAnswer(type);
    }
};

// Installs the stderr box for the command's lifetime.
class CBoxesToStderr {
public:
    CBoxesToStderr() { SetMessageBoxes(&m_box); }
    ~CBoxesToStderr() { SetMessageBoxes(nullptr); }
    CBoxesToStderr(const CBoxesToStderr&) = delete;
    CBoxesToStderr& operator=(const CBoxesToStderr&) = delete;

private:
    CStderrMessageBox m_box;
};

// Why the file is no recording to take figures from, or empty. The file is
// opened without blocking (a FIFO without a writer would hang an ordinary open)
// and only a regular file is read: the figures read it several times.
std::string FileProblem(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? "no such file" : std::string("cannot open: ") + std::strerror(errno);
    struct stat st {};
    const bool stated = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!stated)
        return std::string("cannot open: ") + std::strerror(errno);
    if (!S_ISREG(st.st_mode))
        return "not a regular file (save the recording to a file first)";
    if (st.st_size == 0)
        return "empty";
    return {};
}

// Why the echo figures cannot be computed from this WAV file, or empty.
std::string RecordingProblem(const std::string& path)
{
    CWaveReader reader;
    if (!reader.Open(path))
        return "not a WAV file";
    if (!reader.SeekToData(0))
        return "no data chunk";
    const WAVEFORMATEX& format = *reader.m_pFormat;
    if (const std::string problem = EchoFormatProblem(format); !problem.empty())
        return "unsupported format: " + problem;
    // Window B must lie inside the recording.
    const EchoWindow b = EchoWindowB(format.nSamplesPerSec);
    const uint64_t needed = (b.start + b.length) / 2;
    const uint64_t frames = reader.m_dwDataSize / format.nBlockAlign;
    if (frames < needed) {
        // Whole milliseconds held, rounded down: a recording one sample short must not read as long enough.
        const double rate = format.nSamplesPerSec;
        const double held = std::floor(static_cast<double>(frames) * 1000.0 / rate) / 1000.0;
        return StrFormat("recording too short (%.3f s), needs at least %.3f s", held, static_cast<double>(needed) / rate);
    }
    return {};
}

int RunEcho(const Invocation& invocation)
{
    if (invocation.args.size() != 1) {
        std::fprintf(stderr, "usage: vk550ctl echo FILE.wav\n");
        return 2;
    }
    const std::string& path = invocation.args[0];
    // Checked once up front, so an unusable file is told once, not per test.
    std::string problem = FileProblem(path);
    if (problem.empty())
        problem = RecordingProblem(path);
    if (!problem.empty()) {
        std::fprintf(stderr, "vk550ctl: %s: %s\n", path.c_str(), problem.c_str());
        return 2;
    }
    const CBoxesToStderr boxes;
    CWizardAudio audio;
    double reduction = 0.0;
    double residual = 0.0;
    const bool reductionPassed = audio.EchoReductionTest(path, reduction);
    const bool residualPassed = audio.ResidualEchoTest(path, residual);
    std::printf("%s\n", FormatEchoReport(reduction, reductionPassed, residual, residualPassed).c_str());
    return reductionPassed && residualPassed ? 0 : 1;
}

const CommandRegistration registration({"echo", "echo FILE.wav", "echo figures of a recorded echo test", RunEcho});

}  // namespace
}  // namespace vk::ctl
