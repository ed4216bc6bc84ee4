// vk550ctl config: a unit's whole configuration shown, saved to a file,
// compared with a file (ConfigDiff.cpp), or applied from one (ConfigApply.cpp);
// a file checked without a unit.
// With --all every unit in turn, each one's result printed as soon as it is read.
#include "Command.h"
#include "ConfigApply.h"
#include "ConfigDiff.h"
#include "ConfigFiles.h"
#include "ConfigOptions.h"
#include "ConfigUnits.h"
#include "UnitBus.h"
#include "commission/CommissioningRecord.h"
#include "commission/ConfigurationFile.h"
#include "commission/ConfigurationForms.h"
#include "platform/clock/Clock.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "audio/StrFormat.h"

namespace vk::ctl {
namespace {

using commission::UnitConfiguration;

void SayUnreadable(const ReadUnit& unit)
{
    std::fprintf(stderr, "vk550ctl: %s: the unit did not answer (%s)\n", unit.path.c_str(), unit.failedPart.c_str());
}

std::string Shown(const UnitConfiguration& config, const std::string& format)
{
    if (format == "toml")
        return commission::WriteConfigurationFile(config);
    if (format == "json")
        return commission::WriteConfigurationJson(config);
    return commission::ConfigurationText(config);
}

// With --all: a heading per unit (a comment in TOML), JSON as one array.
int Show(const ConfigOptions& options)
{
    CHIDProtocol protocol;
    int exitCode = 0;
    int failureExit = 1;
    bool first = true;
    const bool json = options.format == "json";
    const bool read = ReadChosenUnits(protocol, options, failureExit, [&](ReadUnit& unit) {
        if (!unit.current) {
            SayUnreadable(unit);
            exitCode = 1;
            return;
        }
        std::string text = Shown(*unit.current, options.format);
        if (options.all && json)
            text = (first ? "[\n" : ",\n") + text.substr(0, text.find_last_not_of('\n') + 1);
        else if (options.all)
            text = (first ? "# " : "\n# ") + unit.Name() + "\n" + text;
        first = false;
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    });
    if (options.all && json && !first)
        std::fputs("\n]\n", stdout);
    return read ? exitCode : failureExit;
}

// save --all writes into a folder that is there already: a typo makes no new folder.
std::optional<std::string> WhyNoFolder(const std::string& dir)
{
    if (dir == kStandardStream)
        return "save --all writes one file per unit into a folder, not to standard output";
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0)
        return "cannot write into " + dir + ": " + ErrorText(errno);
    if (!S_ISDIR(st.st_mode))
        return "cannot write into " + dir + ": not a folder";
    return std::nullopt;
}

std::string SaveName(const ConfigOptions& options, const UnitConfiguration& config)
{
    if (!options.all)
        return options.file;
    std::string name = commission::CommissioningRecordFileName(config.identity);
    name.replace(name.rfind(".html"), 5, ".toml");
    return (std::filesystem::path(options.file) / name).string();
}

// A name ending in .json is saved as JSON (the same keys), any other as TOML.
std::string SavedText(const std::string& path, const UnitConfiguration& config)
{
    std::string name = std::filesystem::path(path).filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name.ends_with(".json") ? commission::WriteConfigurationJson(config)
                                   : commission::WriteConfigurationFile(config);
}

// Each file is written beside its place and renamed over it (through a link to
// the file it names): a failed save leaves the old file whole.
int Save(const ConfigOptions& options)
{
    if (options.all) {
        if (const auto why = WhyNoFolder(options.file)) {
            std::fprintf(stderr, "vk550ctl: %s\n", why->c_str());
            return 2;
        }
    }
    CHIDProtocol protocol;
    int exitCode = 0;
    int failureExit = 1;
    const bool read = ReadChosenUnits(protocol, options, failureExit, [&](ReadUnit& unit) {
        if (!unit.current) {
            SayUnreadable(unit);
            exitCode = std::max(exitCode, 1);
            return;
        }
        const std::string path = SaveName(options, *unit.current);
        if (const auto done = WriteOutputFile(path, SavedText(path, *unit.current)); !done) {
            // /dev/stdout on a pipe or a terminal is no file: "-" is what writes there.
            const bool stream = done.why.starts_with("not a regular file");
            std::fprintf(stderr, "vk550ctl: cannot write %s: %s%s\n", OutputName(path).c_str(), done.why.c_str(),
                         stream ? " (- writes to standard output)" : "");
            exitCode = 2;
            return;
        }
        // Standard output carries the file itself.
        if (path != kStandardStream) {
            std::printf("saved %s (%s)\n", path.c_str(), unit.Name().c_str());
            std::fflush(stdout);
        }
    });
    return read ? exitCode : failureExit;
}

// A file checked without a unit: its errors, then notes on values that only a
// unit holding them already takes.
int Check(const ConfigOptions& options)
{
    const auto loaded = LoadConfigurationFile(options.file, false);
    if (!loaded)
        return 2;
    for (const std::string& note : commission::NotesWithoutUnit(*loaded))
        std::printf("%s\n", note.c_str());
    std::printf("%s: valid (format version %d)\n", loaded->sourceName.c_str(), loaded->formatVersion);
    return 0;
}

CConfigCommandLine& CommandLine()
{
    static CConfigCommandLine commandLine;
    return commandLine;
}

int RunConfig(const Invocation& invocation)
{
    const ConfigOptions options = CommandLine().Parsed();
    if (options.action == "check")
        return Check(options);
    // Simulated units reset and come back on a clock of their own: a type change
    // costs no real time. The units are made on it.
    std::unique_ptr<CVirtualClock> clock;
    if (invocation.simulate) {
        clock = std::make_unique<CVirtualClock>();
        SetClock(clock.get());
    }
    auto bus = CUnitBus::Install(invocation);
    if (!bus) {
        SetClock(nullptr);
        return 2;
    }
    int result = 2;
    if (options.action == "show")
        result = Show(options);
    else if (options.action == "save")
        result = Save(options);
    else if (options.action == "diff")
        result = Diff(options);
    else
        result = Apply(options);
    bus.reset();
    SetClock(nullptr);
    return result;
}

const CommandRegistration registration(
    {"config",
     "config ACTION",
     "a unit's whole configuration in a TOML or JSON file; ACTION: show [--format=text|toml|json],\n"
     "                       save FILE, diff FILE, apply FILE [--dry-run] [--yes] [--no-store] [--record-dir=DIR],\n"
     "                       check FILE (no unit needed);\n"
     "                       --serial=S picks one of several units, --all takes each in turn;\n"
     "                       FILE - is standard input (standard output for save)",
     RunConfig, [](CLI::App& config) { CommandLine().Declare(config); },
     [](const std::string& action) { return CommandLine().Help(action); }});

}  // namespace
}  // namespace vk::ctl
