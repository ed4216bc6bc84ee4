#pragma once
// --simulate[=KIND], spelt alike by every program of the family.

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace vk::cli {

// The kinds the completion offers; the programs take more ("new+new", "KIND!N").
[[nodiscard]] const std::vector<std::string>& SimulatedKindWords();

// A bare --simulate stands for "new". The kind is not checked here: each program
// refuses an unknown one itself, with its own message.
CLI::Option* AddSimulateOption(CLI::App& app, std::string& kind, const std::string& help);

}  // namespace vk::cli
