// quorvel-vk550-config: the configuration wizard of the Dravena VK550.
#include "program/ProgramSetup.h"
#include "app/QuorvelVK550ConfigApp.h"

#include <QApplication>
#include <cstdio>

namespace {
vk::CQuorvelVK550ConfigApp theApp;

int Usage(FILE* out, int code)
{
    std::fprintf(out, "usage: quorvel-vk550-config [--simulate[=KIND]]\n"
                      "  KIND: new (default), stand-alone, master, slave, master+slave\n");
    return code;
}
}  // namespace

int main(int argc, char** argv)
{
    const vk::ProgramOptions options = vk::ParseProgramOptions(argc, argv);
    if (options.help)
        return Usage(stdout, 0);
    if (!options.valid)
        return Usage(stderr, 2);

    QApplication qt(argc, argv);
    vk::CProgramSetup setup;
    if (!setup.Start(options))
        return 2;
    theApp.m_attach = setup.MakeAttach();
    theApp.InitInstance();
    return 0;
}
