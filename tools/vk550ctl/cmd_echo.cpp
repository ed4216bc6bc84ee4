// vk550ctl echo FILE.wav: the echo figures of a recorded echo test, as the
// wizard reports them. Exit 0 when both tests pass, 1 otherwise, 2 when the
// file cannot be read.
#include "Command.h"
#include "audio/EchoFigures.h"
#include "audio/WizardAudio.h"
#include "platform/ui/MessageBox.h"

#include <cstdio>
#include <memory>

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

int RunEcho(const Invocation& invocation)
{
    if (invocation.args.size() != 1) {
        std::fprintf(stderr, "usage: vk550ctl echo FILE.wav\n");
        return 2;
    }
    const std::string& path = invocation.args[0];
    const CBoxesToStderr boxes;
    CWizardAudio audio;
    {
        // Checked once up front, so an unreadable file is told once, not per test.
        std::unique_ptr<CWaveReader> probe;
        if (!audio.OpenWaveFile(probe, path))
            return 2;
    }
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
