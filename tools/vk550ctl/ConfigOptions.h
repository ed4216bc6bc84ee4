#pragma once
// The words after "vk550ctl config": the action, its file and its options.

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

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

// Declares the four actions and their options on the "config" subcommand; once
// the command line is parsed, Parsed() gives what it said.
class CConfigCommandLine {
public:
    void Declare(CLI::App& config);
    [[nodiscard]] ConfigOptions Parsed() const;

private:
    ConfigOptions m_options;
    std::string m_serial;
    std::string m_recordDir;
    std::vector<std::pair<CLI::App*, std::string>> m_actions;
    std::vector<CLI::Option*> m_serialOptions;
    CLI::Option* m_recordDirOption = nullptr;
};

}  // namespace vk::ctl
