#pragma once
// vk550ctl's subcommands register themselves here, one file each (cmd_*.cpp).

#include <functional>

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

namespace vk::ctl {

struct Invocation {
    std::optional<std::string> simulate;  // --simulate[=KIND]: the kind, "new" when none is given
    std::vector<std::string> args;        // what follows the subcommand
};

using CommandFn = std::function<int(const Invocation&)>;

struct Command {
    std::string name;
    std::string usage;  // e.g. "echo FILE.wav"
    std::string help;
    CommandFn run;
    // Declares the command's own arguments on its CLI11 subcommand; without it
    // the words after the command reach run() in Invocation::args.
    std::function<void(CLI::App&)> declare = {};
    // The help of "COMMAND ACTION --help" ("" for "COMMAND --help"); without it
    // the usage and help above serve.
    std::function<std::string(const std::string& action)> actionHelp = {};
};

std::vector<Command>& Commands();

struct CommandRegistration {
    explicit CommandRegistration(Command command) { Commands().push_back(std::move(command)); }
};

}  // namespace vk::ctl
