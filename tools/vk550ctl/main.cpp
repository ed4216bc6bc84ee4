// vk550ctl: the technician's command line for the unit.
#include "Command.h"

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

int Usage(FILE* out)
{
    std::fprintf(out, "usage: vk550ctl [--simulate[=KIND]] COMMAND [ARGS]\n"
                      "  KIND: new (default), stand-alone, master, slave, master+slave\n\ncommands:\n");
    auto commands = vk::ctl::Commands();
    std::sort(commands.begin(), commands.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& c : commands)
        std::fprintf(out, "  %-20s %s\n", c.usage.c_str(), c.help.c_str());
    return 2;
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
            return Usage(stdout), 0;
        else
            return Usage(stderr);
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
