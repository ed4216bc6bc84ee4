#include "ConfigApply.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "ConfigDryRun.h"
#include "ConfigUnits.h"
#include "commission/CommissioningRecord.h"
#include "commission/ConfigurationApplier.h"
#include "commission/ConfigurationDiff.h"
#include "commission/WholeFile.h"

namespace vk::ctl {
namespace {

using commission::ApplyOutcome;
using commission::LoadedConfiguration;
using commission::UnitConfiguration;

struct UnitResult {
    std::string name;
    std::string result;
    std::vector<std::string> changed;
    bool verified = false;
    std::string detail;  // for a failed unit: the step and what the unit now holds
    std::optional<UnitConfiguration> holds;
};

std::string Joined(const std::vector<std::string>& parts, const char* none)
{
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text.empty() ? none : text;
}

// Nothing may be sent unless every unit can take the file.
bool EveryUnitCanTake(const std::vector<ReadUnit>& units, const LoadedConfiguration& loaded, const std::string& file)
{
    bool all = true;
    for (const ReadUnit& unit : units) {
        if (!unit.current)
            continue;
        if (const auto why = commission::WhyUnitCannotTake(*unit.current, loaded.configuration)) {
            std::fprintf(stderr, "vk550ctl: %s\n",
                         commission::FormatFileMessage(file, loaded.Where("unit.type"), unit.Name() + ": " + *why).c_str());
            all = false;
        }
    }
    return all;
}

// Phantom power can harm what is plugged into an input: it is turned on only
// when the technician said so.
bool PhantomConfirmed(const std::vector<ReadUnit>& units, const UnitConfiguration& wanted, const ConfigOptions& options)
{
    std::string where;
    for (const ReadUnit& unit : units) {
        if (!unit.current)
            continue;
        std::vector<std::string> inputs;
        for (const int input : commission::InputsGettingPhantom(*unit.current, wanted))
            inputs.push_back(std::to_string(input));
        if (!inputs.empty())
            where += (where.empty() ? "" : "; ") + unit.Name() + " input " + Joined(inputs, "");
    }
    if (where.empty() || options.yes || options.dryRun)
        return true;
    if (!isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "vk550ctl: this turns phantom power on (%s); confirm with --yes\n", where.c_str());
        return false;
    }
    std::fprintf(stderr, "This turns phantom power on (%s). Go on? [y/N] ", where.c_str());
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

std::string HoldsText(const std::optional<UnitConfiguration>& holds, const UnitConfiguration& wanted)
{
    if (!holds)
        return "the unit cannot be read back";
    const auto left = commission::DiffConfigurations(*holds, wanted);
    if (left.empty())
        return "the unit holds the whole configuration";
    std::string text = "the unit now holds:";
    for (const auto& change : left)
        text += "\n    " + change.field + " " + change.from + " (wanted " + change.to + ")";
    return text;
}

UnitResult ApplyToUnit(CHIDProtocol& protocol, const ReadUnit& unit, const UnitConfiguration& wanted)
{
    UnitResult row{unit.Name(), {}, {}, false, {}, std::nullopt};
    if (!unit.current) {
        row.result = "failed";
        row.detail = "reading the unit failed at its " + unit.failedPart + "; nothing was sent";
        return row;
    }
    if (!protocol.OpenUnitAt(unit.path, true)) {
        row.result = "failed";
        row.detail = "the unit could not be opened again; nothing was sent";
        return row;
    }
    const ApplyOutcome outcome = commission::ApplyConfiguration(protocol, *unit.current, wanted);
    row.changed = outcome.written;
    row.verified = outcome.verified;
    row.holds = outcome.holds;
    if (!outcome.failedStep.empty()) {
        row.result = "failed";
        row.detail = outcome.failedStep + " failed; " + HoldsText(outcome.holds, wanted);
    } else if (!outcome.verified) {
        row.result = "failed";
        row.detail = "every write was accepted but " + HoldsText(outcome.holds, wanted);
    } else {
        row.result = outcome.written.empty() ? "unchanged" : "applied";
    }
    return row;
}

void PrintTable(const std::vector<UnitResult>& rows)
{
    size_t nameWidth = 6;
    for (const auto& row : rows)
        nameWidth = std::max(nameWidth, row.name.size());
    std::printf("%-*s  %-9s  %-8s  %s\n", static_cast<int>(nameWidth), "SERIAL", "RESULT", "VERIFIED", "CHANGED");
    for (const auto& row : rows)
        std::printf("%-*s  %-9s  %-8s  %s\n", static_cast<int>(nameWidth), row.name.c_str(), row.result.c_str(),
                    row.verified ? "yes" : "no", Joined(row.changed, "-").c_str());
    for (const auto& row : rows)
        if (!row.detail.empty())
            std::printf("%s: %s\n", row.name.c_str(), row.detail.c_str());
}

int DryRun(const std::vector<ReadUnit>& units, const UnitConfiguration& wanted)
{
    for (const ReadUnit& unit : units) {
        if (!unit.current) {
            std::printf("# %s: cannot be read (%s); nothing would be sent\n", unit.Name().c_str(), unit.failedPart.c_str());
            continue;
        }
        const auto changes = commission::DiffConfigurations(*unit.current, wanted);
        std::printf("# %s: %zu change%s\n", unit.Name().c_str(), changes.size(), changes.size() == 1 ? "" : "s");
        for (const auto& change : changes)
            std::printf("#   %s: %s -> %s\n", change.field.c_str(), change.from.c_str(), change.to.c_str());
        for (const std::string& line : DryRunCommands(*unit.current, wanted))
            std::printf("%s\n", line.c_str());
    }
    return 0;
}

bool WriteRecords(const std::vector<UnitResult>& rows, const std::string& dir)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    bool written = true;
    for (const auto& row : rows) {
        if (!row.holds)
            continue;
        commission::CommissioningRecord record{*row.holds, row.result, row.changed, row.verified, Clock().Local(), {}};
        const auto path = std::filesystem::path(dir) / commission::CommissioningRecordFileName(row.holds->identity);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << commission::CommissioningRecordHtml(record);
        if (!out.flush()) {
            std::fprintf(stderr, "vk550ctl: cannot write %s\n", path.c_str());
            written = false;
        }
    }
    return written;
}

}  // namespace

std::optional<LoadedConfiguration> LoadConfigurationFile(const std::string& path)
{
    const auto text = commission::ReadWholeFile(path);
    if (!text) {
        std::fprintf(stderr, "vk550ctl: cannot read %s\n", path.c_str());
        return std::nullopt;
    }
    auto outcome = commission::ParseConfigurationFile(*text, path);
    for (const auto& error : outcome.errors)
        std::fprintf(stderr, "vk550ctl: %s\n", error.c_str());
    if (!outcome.errors.empty())
        std::fprintf(stderr, "vk550ctl: nothing was sent\n");
    return std::move(outcome.loaded);
}

int Apply(const ConfigOptions& options)
{
    const auto loaded = LoadConfigurationFile(options.file);
    if (!loaded)
        return 2;
    CHIDProtocol protocol;
    int failureExit = 1;
    const auto units = ReadChosenUnits(protocol, options, failureExit);
    if (!units)
        return failureExit;
    if (!EveryUnitCanTake(*units, *loaded, options.file) || !PhantomConfirmed(*units, loaded->configuration, options)) {
        std::fprintf(stderr, "vk550ctl: nothing was sent\n");
        return 2;
    }
    if (options.dryRun)
        return DryRun(*units, loaded->configuration);

    std::vector<UnitResult> rows;
    for (const ReadUnit& unit : *units)
        rows.push_back(ApplyToUnit(protocol, unit, loaded->configuration));
    protocol.CloseUnit();
    PrintTable(rows);
    const bool recorded = !options.recordDir || WriteRecords(rows, *options.recordDir);
    const bool allVerified = std::all_of(rows.begin(), rows.end(), [](const UnitResult& r) { return r.verified; });
    return allVerified && recorded ? 0 : 1;
}

}  // namespace vk::ctl
