#pragma once
// The words after "vk550ctl config": the action, its file and its options, and
// each action's own help.

#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace vk::ctl {

// "-" for a file: standard input for diff and apply, standard output for save.
inline constexpr const char* kStandardStream = "-";

struct ConfigOptions {
    std::string action;  // show, save, diff, apply, check
    std::string file;    // save --all: the folder that takes one file per unit
    std::string format = "text";  // show: text, toml or json
    bool dryRun = false;
    bool all = false;
    bool yes = false;
    bool noStore = false;  // apply: the unit is not told to store (a power cycle undoes the apply)
    std::optional<std::string> serial;     // the unit to use among several
    std::optional<std::string> recordDir;  // apply: a commissioning record per unit
};

// Declares the four actions and their options on the "config" subcommand; once
// the command line is parsed, Parsed() gives what it said.
class CConfigCommandLine {
public:
    void Declare(CLI::App& config);
    [[nodiscard]] ConfigOptions Parsed() const;
    // The help of one action, or of config itself for "".
    [[nodiscard]] std::string Help(const std::string& action) const;

private:
    struct Action {
        CLI::App* app;
        std::string name;
        std::string usage;  // the words after "config"
        std::string exitCodes;
    };
    CLI::App* Add(CLI::App& config, Action action, const char* help);

    ConfigOptions m_options;
    std::string m_serial;
    std::string m_recordDir;
    std::vector<Action> m_actions;
    std::vector<CLI::Option*> m_serialOptions;
    CLI::Option* m_recordDirOption = nullptr;
};

}  // namespace vk::ctl
