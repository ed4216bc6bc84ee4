// vk550-scenario: replays a script of user actions on the real wizard against
// simulated units and prints what happened (see tools/vk550-scenario/README.md).
#include "ScenarioRunner.h"
#include "Script.h"
#include "ScriptTokens.h"
#include "program/CommandLineCompletion.h"
#include "program/CommandLineParse.h"
#include "program/SimulateOption.h"
#include "sim/unit/SimSystem.h"
#include "tools/ProgramVersion.h"
#ifdef VK_SCENARIO_REAL_STACK
#include "realstack/RealStackMain.h"
#endif

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

int Usage(FILE* out, int code)
{
    std::fprintf(out, "usage: vk550-scenario [--stack=sim|real] [--units=KIND] [--config-dir=DIR] [SCRIPT]\n"
                      "       vk550-scenario --help | --version\n\n"
                      "options:\n"
                      "  --stack=sim|real  sim (default): headless host, virtual clock, simulated bus and sound\n"
                      "                    cards; real: Qt host offscreen, hidapi, PulseAudio, udev and the real\n"
                      "                    clock in a bed of its own (umockdev, a private sound server)\n"
                      "  --units=KIND      new (default), stand-alone, master, slave, master+slave\n"
                      "  --config-dir=DIR  keep the settings, recordings and answered files in DIR (sim only)\n"
                      "  -h, --help        print this text\n"
                      "  --version         print the version\n"
                      "  without SCRIPT, or with SCRIPT -, the script is read from standard input\n\n"
                      "exit codes:\n"
                      "  0  the script ran or the wizard ended\n"
                      "  1  an expectation failed or the wizard stalled\n"
                      "  2  usage error, or the script cannot be run (SCRIPT:LINE: reason on standard error)\n");
    return code;
}

std::string CheckNotEmpty(const std::string& text) { return text.empty() ? "a folder is needed" : ""; }

}  // namespace

int main(int argc, char** argv)
{
    vk::scenario::RunnerOptions options;
    CLI::App app{"replays a script of user actions on the wizard", "vk550-scenario"};
    app.set_help_flag("-h,--help", "print this text");
    std::string stack = "sim";
    std::string configDir;
    std::string scriptPath;
    bool version = false;
    app.add_option("--stack", stack, "the stack the wizard runs on")->type_name("STACK")->check(
        CLI::IsMember({"sim", "real"}));
    app.add_option("--units", options.units, "the simulated units")
        ->type_name("KIND")
        ->check(vk::cli::OfferedValues(vk::cli::SimulatedKindWords()));
    CLI::Option* configDirOption = app.add_option("--config-dir", configDir, "where the settings are kept")
                                       ->type_name("DIR")
                                       ->check(CLI::Validator(CheckNotEmpty, ""));
    app.add_flag("--version", version, "print the version");
    CLI::Option* scriptOption = app.add_option("SCRIPT", scriptPath, "the script")->type_name("FILE");
    if (const auto completed = vk::cli::AnswerCompletion(app, argc, argv))
        return *completed;
    try {
        vk::cli::ParseArguments(app, argc, argv);
    } catch (const CLI::CallForHelp&) {
        return Usage(stdout, 0);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "vk550-scenario: %s\n", error.what());
        return Usage(stderr, vk::scenario::kRunScriptError);
    }
    if (version)
        return vk::tools::PrintProgramVersion("vk550-scenario");
    const bool realStack = stack == "real";
    if (configDirOption->count() > 0)
        options.configDir = configDir;
    const bool fromFile = scriptOption->count() > 0 && scriptPath != "-";
    if (options.configDir) {
        // A relative folder lies below the working directory.
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(*options.configDir, ec);
        if (ec) {
            std::fprintf(stderr, "vk550-scenario: --config-dir=%s: the working directory cannot be read\n",
                         vk::scenario::Shown(options.configDir->string()).c_str());
            return vk::scenario::kRunScriptError;
        }
        options.configDir = absolute;
    }
    if (!vk::IsSimulatedKind(options.units)) {
        std::fprintf(stderr, "vk550-scenario: unknown kind of units: %s\n", vk::scenario::Shown(options.units).c_str());
        return vk::scenario::kRunScriptError;
    }
    if (realStack) {
#ifdef VK_SCENARIO_REAL_STACK
        vk::scenario::PrepareRealStack();  // before the script is read: it may restart the program
#else
        std::fprintf(stderr, "vk550-scenario: this build has no real stack\n");
        return vk::scenario::kRunScriptError;
#endif
    }

    const std::string name = fromFile ? scriptPath : "<stdin>";
    std::string text;
    if (fromFile) {
        std::ifstream in(scriptPath, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "%s:0: cannot be read\n", name.c_str());
            return vk::scenario::kRunScriptError;
        }
        text.assign(std::istreambuf_iterator<char>(in), {});
    } else {
        text.assign(std::istreambuf_iterator<char>(std::cin), {});
    }

#ifdef VK_SCENARIO_REAL_STACK
    if (realStack)
        return vk::scenario::RunRealStack(options, name, text);
#endif
    vk::scenario::CScenarioRunner runner(options, [](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    });
    const auto parsed = vk::scenario::ParseScript(text, runner.InitialUnits());
    if (parsed.error) {
        std::fprintf(stderr, "%s:%d: %s\n", name.c_str(), parsed.error->line, parsed.error->reason.c_str());
        return vk::scenario::kRunScriptError;
    }
    std::optional<vk::scenario::ScriptError> error;
    const int code = runner.Run(parsed.steps, error);
    if (error)
        std::fprintf(stderr, "%s:%d: %s\n", name.c_str(), error->line, error->reason.c_str());
    return code;
}
