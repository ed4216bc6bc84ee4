// vk550ctl: the technician's command line for the unit.
#include "Command.h"
#include "program/CommandLineCompletion.h"
#include "program/CommandLineParse.h"
#include "program/SimulateOption.h"
#include "tools/ProgramVersion.h"

#include <algorithm>
#include <cstdio>

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
                      "  0  done (list, report, sound, config show and save; echo: both echo tests pass;\n"
                      "     config diff: the unit holds the file's configuration; config apply: every unit verified)\n"
                      "  1  the check failed (no unit answers, a unit cannot be opened or read, an echo test fails,\n"
                      "     a unit failed or was not verified; config diff: the unit differs)\n"
                      "  2  usage error, unreadable or invalid file (nothing sent), a type a unit cannot take,\n"
                      "     phantom power not confirmed, no sound server; config diff: any trouble\n"
                      "\nCOMMAND --help and config ACTION --help tell more.\n");
    return out == stdout ? 0 : 2;
}

// "COMMAND [ACTION] --help": the help of the deepest subcommand named.
int SubcommandHelp(const std::vector<std::pair<CLI::App*, const vk::ctl::Command*>>& subcommands)
{
    for (const auto& [sub, command] : subcommands) {
        if (!sub->parsed())
            continue;
        const auto actions = sub->get_subcommands();
        const std::string action = actions.empty() ? "" : actions.front()->get_name();
        if (command->actionHelp)
            std::fputs(command->actionHelp(action).c_str(), stdout);
        else
            std::printf("usage: vk550ctl [--simulate[=KIND]] %s\n%s\n", command->usage.c_str(), command->help.c_str());
        return 0;
    }
    return Usage(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"the technician's command line for the unit", "vk550ctl"};
    // The usage above is the help: CLI11's own help texts are not used.
    app.set_help_flag("-h,--help");
    bool version = false;
    vk::ctl::Invocation invocation;
    std::string simulate;
    app.add_flag("--version", version);
    CLI::Option* simulateOption =
        vk::cli::AddSimulateOption(app, simulate, "use built-in simulated units instead of the real ones");
    std::vector<std::pair<CLI::App*, const vk::ctl::Command*>> subcommands;
    for (const auto& command : vk::ctl::Commands()) {
        CLI::App* sub = app.add_subcommand(command.name, command.help);
        sub->set_help_flag("-h,--help");
        if (command.declare)
            command.declare(*sub);
        else
            sub->allow_extras();
        subcommands.emplace_back(sub, &command);
    }
    app.require_subcommand(0, 1);
    // A command that declares nothing takes what its usage names ("echo FILE.wav"): a file.
    vk::cli::CompletionRules completion;
    completion.extras = [&subcommands](const CLI::App& sub) {
        for (const auto& [declared, command] : subcommands)
            if (declared == &sub && command->usage.find(' ') != std::string::npos)
                return vk::cli::ValueKind::Files;
        return vk::cli::ValueKind::None;
    };
    if (const auto completed = vk::cli::AnswerCompletion(app, argc, argv, completion))
        return *completed;
    try {
        vk::cli::ParseArguments(app, argc, argv);
    } catch (const CLI::CallForHelp&) {
        return SubcommandHelp(subcommands);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "vk550ctl: %s\n", error.what());
        return Usage(stderr);
    }
    if (version)
        return vk::tools::PrintProgramVersion("vk550ctl");
    if (simulateOption->count() > 0)
        invocation.simulate = simulate;
    for (const auto& [sub, command] : subcommands) {
        if (!sub->parsed())
            continue;
        invocation.args = sub->remaining();
        return command->run(invocation);
    }
    return Usage(stderr);
}
