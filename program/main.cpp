// quorvel-vk550-config: the configuration wizard of the Dravena VK550.
#include "program/CommandLineCompletion.h"
#include "program/ProgramSetup.h"
#include "program/SingleInstance.h"
#include "app/AEVersionInfo.h"
#include "app/QuorvelVK550ConfigApp.h"

#include <QApplication>
#include <cstdio>
#include <string>

namespace {
vk::CQuorvelVK550ConfigApp theApp;

// The usage on stdout for --help (exit 0), on stderr for a usage error (exit 2).
int Usage(FILE* out, int code)
{
    std::fprintf(out, "usage: quorvel-vk550-config [--simulate[=KIND]]\n"
                      "       quorvel-vk550-config --help | --version\n\n"
                      "options:\n"
                      "  --simulate[=KIND]  use built-in simulated units instead of the real ones\n"
                      "                     KIND: new (default), stand-alone, master, slave, master+slave\n"
                      "  -h, --help         print this text\n"
                      "  --version          print the version\n"
                      "  Qt's own options (-platform NAME, -style NAME, -reverse ...) are left to Qt.\n\n"
                      "A wizard that runs already is brought to the front instead of starting a second one.\n\n"
                      "exit codes:\n"
                      "  0  the wizard ended (or the running one was brought to the front)\n"
                      "  1  no version information in the program file (--version)\n"
                      "  2  unknown option or kind of simulated units\n");
    return code;
}

int Version()
{
    vk::CAEVersionInfo info;
    const std::string version = info.GetProgramVersion();
    if (version.empty()) {
        std::fprintf(stderr, "quorvel-vk550-config: no version information in %s\n", info.m_strFileName.c_str());
        return 1;
    }
    std::printf("quorvel-vk550-config%s\n%s\n", version.c_str(), info.m_strLegalCopyright.c_str());
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    vk::CProgramCommandLine commandLine;
    if (const auto completed = vk::cli::AnswerCompletion(commandLine.App(), argc, argv))
        return *completed;
    const vk::ProgramOptions options = commandLine.Parse(argc, argv);
    if (options.help)
        return Usage(stdout, 0);
    if (!options.valid) {
        std::fprintf(stderr, "quorvel-vk550-config: %s\n", options.problem.c_str());
        return Usage(stderr, 2);
    }
    if (options.version)
        return Version();
    if (vk::RaiseRunningWizard()) {
        std::fprintf(stderr, "quorvel-vk550-config: the wizard runs already; it was brought to the front\n");
        return 0;
    }

    QApplication qt(argc, argv);
    // The desktop entry's name: the desktop shows the entry's icon and name for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.selvo.QuorvelDravenaConfig"));
    vk::CProgramSetup setup;
    if (!setup.Start(options))
        return 2;
    theApp.m_attach = setup.MakeAttach();
    theApp.InitInstance();
    return 0;
}
