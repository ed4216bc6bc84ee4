#pragma once
// vk550-scenario --stack=real, as main calls it.

#include "ScenarioRunner.h"

#include <string>

namespace vk::scenario {

// Restarts the program under umockdev's preload unless it runs under it; call
// before anything is read from standard input.
void PrepareRealStack();
// Parses and runs the script on the real stack; the program's exit code.
int RunRealStack(const RunnerOptions& options, const std::string& scriptName, const std::string& text);

}  // namespace vk::scenario
