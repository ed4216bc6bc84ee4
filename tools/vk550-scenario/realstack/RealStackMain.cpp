#include "RealStackMain.h"

#include "RealStackRunner.h"
#include "sim/unit/SimSystem.h"
#include "tests/platform/hid/umockdev/UmockdevBed.h"

#include <cstdio>

namespace vk::scenario {

void PrepareRealStack() { test::CUmockdevBed::RestartUnderPreload(); }

int RunRealStack(const RunnerOptions& options, const std::string& scriptName, const std::string& text)
{
    // A script that cannot run is refused before the bed is set up.
    const auto kinds = SimulatedUnitKinds(options.units);
    const auto parsed = ParseScript(text, kinds ? static_cast<int>(kinds->size()) : 0);
    if (parsed.error) {
        std::fprintf(stderr, "%s:%d: %s\n", scriptName.c_str(), parsed.error->line, parsed.error->reason.c_str());
        return kRunScriptError;
    }
    CRealStackRunner runner(options, [](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    });
    if (!runner.Valid()) {
        std::fprintf(stderr, "vk550-scenario: the real stack cannot run: %s\n", runner.Problem().c_str());
        return kRunScriptError;
    }
    runner.SetScriptName(scriptName);
    std::optional<ScriptError> error;
    const int code = runner.Run(parsed.steps, error);
    if (error)
        std::fprintf(stderr, "%s:%d: %s\n", scriptName.c_str(), error->line, error->reason.c_str());
    return code;
}

}  // namespace vk::scenario
