#include "ConfigOptions.h"

namespace vk::ctl {
namespace {

bool TakeValue(const std::string& arg, const char* name, std::string& value)
{
    const std::string prefix = std::string(name) + "=";
    if (arg.rfind(prefix, 0) != 0)
        return false;
    value = arg.substr(prefix.size());
    return true;
}

}  // namespace

std::optional<ConfigOptions> ParseConfigOptions(const std::vector<std::string>& args, std::string& error)
{
    if (args.empty()) {
        error = "config needs an action: show, save, diff or apply";
        return std::nullopt;
    }
    ConfigOptions options;
    options.action = args[0];
    const bool show = options.action == "show";
    const bool apply = options.action == "apply";
    if (!show && !apply && options.action != "save" && options.action != "diff") {
        error = "unknown config action '" + options.action + "' (show, save, diff, apply)";
        return std::nullopt;
    }
    std::vector<std::string> files;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (show && TakeValue(arg, "--format", value)) {
            if (value != "text" && value != "toml" && value != "json") {
                error = "unknown format '" + value + "' (text, toml, json)";
                return std::nullopt;
            }
            options.format = value;
        } else if (TakeValue(arg, "--serial", value)) {
            options.serial = value;
        } else if (apply && arg == "--dry-run") {
            options.dryRun = true;
        } else if (apply && arg == "--all") {
            options.all = true;
        } else if (apply && arg == "--yes") {
            options.yes = true;
        } else if (apply && TakeValue(arg, "--record-dir", value) && !value.empty()) {
            options.recordDir = value;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            error = "config " + options.action + ": unknown option '" + arg + "'";
            return std::nullopt;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != (show ? 0u : 1u)) {
        error = show ? "config show takes no file" : "config " + options.action + " needs one FILE";
        return std::nullopt;
    }
    if (!show)
        options.file = files.front();
    if (options.all && options.serial) {
        error = "config apply: --all and --serial exclude each other";
        return std::nullopt;
    }
    return options;
}

}  // namespace vk::ctl
