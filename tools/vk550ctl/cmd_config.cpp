// vk550ctl config: a unit's whole configuration shown, saved to a file,
// compared with a file, or applied from one (ConfigApply.cpp).
#include "Command.h"
#include "ConfigApply.h"
#include "ConfigOptions.h"
#include "ConfigUnits.h"
#include "UnitBus.h"
#include "commission/ConfigurationDiff.h"
#include "commission/ConfigurationFile.h"
#include "commission/ConfigurationForms.h"
#include "commission/WholeFile.h"
#include "platform/clock/Clock.h"

#include <cstdio>
#include <memory>

namespace vk::ctl {
namespace {

using commission::UnitConfiguration;

// One unit, read: its configuration, or exit 1 with what did not answer.
std::optional<UnitConfiguration> ReadOneUnit(const ConfigOptions& options, int& exitCode)
{
    CHIDProtocol protocol;
    auto units = ReadChosenUnits(protocol, options, exitCode);
    if (!units)
        return std::nullopt;
    ReadUnit& unit = units->front();
    if (!unit.current) {
        std::fprintf(stderr, "vk550ctl: %s: the unit did not answer (%s)\n", unit.path.c_str(), unit.failedPart.c_str());
        exitCode = 1;
        return std::nullopt;
    }
    return std::move(unit.current);
}

int Show(const ConfigOptions& options)
{
    int exitCode = 0;
    const auto config = ReadOneUnit(options, exitCode);
    if (!config)
        return exitCode;
    if (options.format == "toml")
        std::fputs(commission::WriteConfigurationFile(*config).c_str(), stdout);
    else if (options.format == "json")
        std::fputs(commission::ConfigurationJson(*config).c_str(), stdout);
    else
        std::fputs(commission::ConfigurationText(*config).c_str(), stdout);
    return 0;
}

// Written beside the file and renamed over it: a failed save leaves the old file whole.
int Save(const ConfigOptions& options)
{
    int exitCode = 0;
    const auto config = ReadOneUnit(options, exitCode);
    if (!config)
        return exitCode;
    if (!commission::WriteWholeFile(options.file, commission::WriteConfigurationFile(*config))) {
        std::fprintf(stderr, "vk550ctl: cannot write %s\n", options.file.c_str());
        return 2;
    }
    std::printf("saved %s (%s)\n", options.file.c_str(), config->identity.serialNumber.c_str());
    return 0;
}

int Diff(const ConfigOptions& options)
{
    const auto loaded = LoadConfigurationFile(options.file);
    if (!loaded)
        return 2;
    int exitCode = 0;
    const auto config = ReadOneUnit(options, exitCode);
    if (!config)
        return exitCode;
    const auto changes = commission::DiffConfigurations(*config, loaded->configuration);
    if (changes.empty())
        std::printf("no changes: the unit holds this configuration\n");
    for (const auto& change : changes)
        std::printf("%-28s %s -> %s\n", change.field.c_str(), change.from.c_str(), change.to.c_str());
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
     "a unit's whole configuration in a TOML file; ACTION: show [--format=text|toml|json],\n"
     "                       save FILE, diff FILE, apply FILE [--dry-run] [--all] [--yes]\n"
     "                       [--record-dir=DIR]; --serial=S picks one of several units",
     RunConfig, [](CLI::App& config) { CommandLine().Declare(config); }});

}  // namespace
}  // namespace vk::ctl
