#pragma once
// The words after "vk550ctl config": the action, its file and its options.

#include <optional>
#include <string>
#include <vector>

namespace vk::ctl {

struct ConfigOptions {
    std::string action;  // show, save, diff, apply
    std::string file;
    std::string format = "text";  // show: text, toml or json
    bool dryRun = false;
    bool all = false;
    bool yes = false;
    std::optional<std::string> serial;     // the unit to use among several
    std::optional<std::string> recordDir;  // apply: a commissioning record per unit
};

// nullopt after a message in error.
[[nodiscard]] std::optional<ConfigOptions> ParseConfigOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace vk::ctl
