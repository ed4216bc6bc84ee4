// vk550-scenario: replays a script of user actions on the real wizard against
// simulated units and prints what happened (see tools/vk550-scenario/README.md).
#include "ScenarioRunner.h"
#include "Script.h"
#include "ScriptTokens.h"
#include "sim/unit/SimSystem.h"
#include "tools/ProgramVersion.h"
#ifdef VK_SCENARIO_REAL_STACK
#include "realstack/RealStackMain.h"
#endif

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

int Usage(FILE* out, int code)
{
    std::fprintf(out, "usage: vk550-scenario [--stack=sim|real] [--units=KIND] [--config-dir=DIR] [SCRIPT]\n"
                      "       vk550-scenario --help | --version\n"
                      "  --stack=sim (default): headless host, virtual clock, simulated bus and sound cards\n"
                      "  --stack=real: Qt host offscreen, hidapi, PulseAudio, udev and the real clock in a\n"
                      "    bed of its own (umockdev, a private sound server); --config-dir does not apply\n"
                      "  KIND: new (default), stand-alone, master, slave, master+slave\n"
                      "  without SCRIPT the script is read from standard input\n"
                      "exit: 0 the script ran or the wizard ended, 1 an expectation failed or the wizard stalled,\n"
                      "      2 the script cannot be run (SCRIPT:LINE: reason on standard error)\n");
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    vk::scenario::RunnerOptions options;
    const char* scriptPath = nullptr;
    bool realStack = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--stack=real") == 0 || std::strcmp(arg, "--stack=sim") == 0)
            realStack = arg[8] == 'r';
        else if (std::strncmp(arg, "--units=", 8) == 0)
            options.units = arg + 8;
        else if (std::strncmp(arg, "--config-dir=", 13) == 0 && arg[13] != '\0')
            options.configDir = arg + 13;
        else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
            return Usage(stdout, 0);
        else if (std::strcmp(arg, "--version") == 0)
            return vk::tools::PrintProgramVersion("vk550-scenario");
        else if (arg[0] != '-' && !scriptPath)
            scriptPath = arg;
        else
            return Usage(stderr, vk::scenario::kRunScriptError);
    }
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

    const std::string name = scriptPath ? scriptPath : "<stdin>";
    std::string text;
    if (scriptPath) {
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
