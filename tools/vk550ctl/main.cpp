// vk550ctl: the technician's command line for the unit.
#include "Command.h"
#include "tools/ProgramVersion.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vk::ctl {

std::vector<Command>& Commands()
{
    static std::vector<Command> commands;
    return commands;
}

}  // namespace vk::ctl

namespace {

// The usage on stdout for --help (exit 0), on stderr for a usage error (exit 2).
int Usage(FILE* out)
{
    std::fprintf(out, "usage: vk550ctl [--simulate[=KIND]] COMMAND [ARGS]\n"
                      "       vk550ctl --help | --version\n\n"
                      "options:\n"
                      "  --simulate[=KIND]    use built-in simulated units instead of the real ones\n"
                      "                       KIND: new (default), stand-alone, master, slave, or several\n"
                      "                       joined by '+' (master+slave); KIND!N falls silent after N commands\n"
                      "  -h, --help           print this text\n"
                      "  --version            print the version\n\ncommands:\n");
    auto commands = vk::ctl::Commands();
    std::sort(commands.begin(), commands.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& c : commands)
        std::fprintf(out, "  %-20s %s\n", c.usage.c_str(), c.help.c_str());
    std::fprintf(out, "\nexit codes:\n"
                      "  0  done (list, report, sound, config; echo: both echo tests pass; config apply: every unit verified)\n"
                      "  1  the check failed (no unit answers, a unit cannot be opened, an echo test fails,\n"
                      "     a unit failed or was not verified)\n"
                      "  2  usage error, unreadable or invalid file (nothing sent), no sound server\n");
    return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv)
{
    vk::ctl::Invocation invocation;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        if (std::strcmp(argv[i], "--simulate") == 0)
            invocation.simulate = "new";
        else if (std::strncmp(argv[i], "--simulate=", 11) == 0)
            invocation.simulate = argv[i] + 11;
        else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return Usage(stdout);
        else if (std::strcmp(argv[i], "--version") == 0)
            return vk::tools::PrintProgramVersion("vk550ctl");
        else {
            std::fprintf(stderr, "vk550ctl: unknown option '%s'\n", argv[i]);
            return Usage(stderr);
        }
    }
    if (i >= argc)
        return Usage(stderr);
    const std::string name = argv[i++];
    invocation.args.assign(argv + i, argv + argc);
    for (const auto& command : vk::ctl::Commands())
        if (command.name == name)
            return command.run(invocation);
    std::fprintf(stderr, "vk550ctl: unknown command '%s'\n", name.c_str());
    return Usage(stderr);
}
