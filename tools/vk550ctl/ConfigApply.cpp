#include "ConfigApply.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "ConfigDryRun.h"
#include "ConfigFiles.h"
#include "ConfigUnitApply.h"
#include "ConfigUnits.h"
#include "commission/CommissioningRecord.h"
#include "commission/ConfigurationApplier.h"
#include "commission/ConfigurationDiff.h"
#include "commission/WholeFile.h"
#include "platform/clock/Clock.h"
#include "platform/hid/HidBus.h"
#include "tools/ProgramVersion.h"

namespace vk::ctl {
namespace {

using commission::LoadedConfiguration;
using commission::UnitConfiguration;

std::string Joined(const std::vector<std::string>& parts, const char* none)
{
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text.empty() ? none : text;
}

commission::StoreAfterApply StoreChoice(const ConfigOptions& options)
{
    return options.noStore ? commission::StoreAfterApply::Skip : commission::StoreAfterApply::Store;
}

// What each unit is to hold: what it holds, with the file's fields laid over it.
// Nothing may be sent unless every unit can take the file.
std::optional<std::vector<UnitConfiguration>> WantedOfEveryUnit(const std::vector<ReadUnit>& units,
                                                                const LoadedConfiguration& loaded)
{
    std::vector<UnitConfiguration> wanted;
    bool all = true;
    for (const ReadUnit& unit : units) {
        if (!unit.current) {
            wanted.emplace_back();
            continue;
        }
        const commission::WantedOutcome outcome = commission::WantedConfiguration(loaded, *unit.current);
        wanted.push_back(outcome.wanted);
        // A type the unit cannot take says it all; the fields' refusals would follow from it.
        if (const auto why = commission::WhyUnitCannotTake(*unit.current, outcome.wanted)) {
            std::fprintf(stderr, "vk550ctl: %s\n",
                         commission::FormatFileMessage(loaded.sourceName, loaded.Where("unit.type"),
                                                       unit.Name() + ": " + *why)
                             .c_str());
            all = false;
            continue;
        }
        const std::string prefix = units.size() > 1 ? unit.Name() + ": " : "";
        for (const auto& refusal : outcome.refusals)
            std::fprintf(stderr, "vk550ctl: %s%s\n", prefix.c_str(), refusal.message.c_str());
        all = all && outcome.refusals.empty();
    }
    if (!all)
        return std::nullopt;
    return wanted;
}

// Phantom power can harm what is plugged into an input, and more of it more so:
// every raise (off to 3V or 24V, 3V to 24V) is named.
static_assert(kPhantomOff < kPhantom3V && kPhantom3V < kPhantom24V, "the supplies are ordered by voltage");

std::string PhantomRaises(const std::vector<ReadUnit>& units, const std::vector<UnitConfiguration>& wantedOfUnit)
{
    std::string where;
    for (size_t u = 0; u < units.size(); ++u) {
        const ReadUnit& unit = units[u];
        const UnitConfiguration& wanted = wantedOfUnit[u];
        if (!unit.current)
            continue;
        std::vector<std::string> inputs;
        for (int c = 0; c < kInputChannels; ++c)
            if (wanted.Phantom(c) > unit.current->Phantom(c))
                inputs.push_back(std::to_string(c + 1) + " " + commission::PhantomName(unit.current->Phantom(c)) +
                                 " -> " + commission::PhantomName(wanted.Phantom(c)));
        if (!inputs.empty())
            where += (where.empty() ? "" : "; ") + unit.Name() + " input " + Joined(inputs, "");
    }
    return where;
}

// Raised only when the technician said so: --yes, or yes at the terminal. With
// the file on standard input there is nobody to ask.
bool PhantomConfirmed(const std::string& raises, const ConfigOptions& options)
{
    if (raises.empty() || options.yes)
        return true;
    if (options.file == kStandardStream || !isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "vk550ctl: this turns phantom power on or up (%s); confirm with --yes\n", raises.c_str());
        return false;
    }
    std::fprintf(stderr, "This turns phantom power on or up (%s). Go on? [y/N] ", raises.c_str());
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

// One line per unit as it finishes; the width is known from the units read.
class CResultTable {
public:
    explicit CResultTable(const std::vector<ReadUnit>& units)
    {
        for (const ReadUnit& unit : units)
            m_nameWidth = std::max(m_nameWidth, unit.Name().size());
        std::printf("%-*s  %-9s  %-8s  %s\n", Width(), "SERIAL", "RESULT", "VERIFIED", "CHANGED");
        std::fflush(stdout);
    }
    void Print(const UnitResult& row) const
    {
        std::printf("%-*s  %-9s  %-8s  %s\n", Width(), row.name.c_str(), row.result.c_str(),
                    row.verified ? "yes" : "no", Joined(row.changed, "-").c_str());
        if (!row.detail.empty())
            std::printf("%s: %s\n", row.name.c_str(), row.detail.c_str());
        std::fflush(stdout);
    }

private:
    [[nodiscard]] int Width() const { return static_cast<int>(m_nameWidth); }
    size_t m_nameWidth = 6;
};

// Exits as the apply would: 1 when a unit cannot be read or its apply would fail.
int DryRun(const std::vector<ReadUnit>& units, const std::vector<UnitConfiguration>& wantedOfUnit,
           const std::string& raises, const ConfigOptions& options)
{
    int exitCode = 0;
    for (size_t u = 0; u < units.size(); ++u) {
        const ReadUnit& unit = units[u];
        const UnitConfiguration& wanted = wantedOfUnit[u];
        if (!unit.current) {
            std::printf("# %s: cannot be read (%s); nothing would be sent\n", unit.Name().c_str(),
                        unit.failedPart.c_str());
            exitCode = 1;
            continue;
        }
        const auto changes = commission::DiffConfigurations(*unit.current, wanted);
        std::printf("# %s: %zu change%s\n", unit.Name().c_str(), changes.size(), changes.size() == 1 ? "" : "s");
        for (const auto& change : changes)
            std::printf("#   %s: %s -> %s\n", change.field.c_str(), change.from.c_str(), change.to.c_str());
        const DryRunResult run = DryRunApply(*unit.current, wanted, StoreChoice(options));
        for (const std::string& line : run.commands)
            std::printf("%s\n", line.c_str());
        if (!run.outcome.Succeeded()) {
            std::printf("# %s: the apply would fail: %s\n", unit.Name().c_str(),
                        run.outcome.failedStep.empty() ? "the unit would not hold the configuration"
                                                       : (run.outcome.failedStep + " failed").c_str());
            exitCode = 1;
        }
    }
    if (!raises.empty() && !options.yes)
        std::printf("# phantom power goes on or up (%s): the apply asks first, or takes --yes\n", raises.c_str());
    return exitCode;
}

bool WriteRecords(const std::vector<UnitResult>& rows, const std::string& dir, const std::string& file)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    bool written = true;
    for (const auto& row : rows) {
        if (!row.holds)
            continue;
        commission::CommissioningRecord record{*row.holds, row.result, row.changed, row.verified, Clock().Local(), {}};
        record.appliedFile = file == "-" ? "standard input" : file;
        record.programVersion = tools::ProgramVersionText("vk550ctl");
        record.simulated = HidBus().Simulated();
        const auto path = std::filesystem::path(dir) / commission::CommissioningRecordFileName(row.holds->identity);
        if (const auto done = commission::WriteWholeFile(path, commission::CommissioningRecordHtml(record)); !done) {
            std::fprintf(stderr, "vk550ctl: cannot write %s: %s\n", path.c_str(), done.why.c_str());
            written = false;
        }
    }
    return written;
}

}  // namespace

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
    const auto wanted = WantedOfEveryUnit(*units, *loaded);
    const std::string raises = wanted ? PhantomRaises(*units, *wanted) : std::string();
    if (!wanted || (!options.dryRun && !PhantomConfirmed(raises, options))) {
        std::fprintf(stderr, "vk550ctl: nothing was sent\n");
        return 2;
    }
    if (options.dryRun)
        return DryRun(*units, *wanted, raises, options);

    const CResultTable table(*units);
    std::vector<UnitResult> rows;
    for (size_t u = 0; u < units->size(); ++u) {
        const ReadUnit& unit = (*units)[u];
        rows.push_back(ApplyToUnit(protocol, unit, (*wanted)[u], StoreChoice(options)));
        protocol.CloseUnit();
        table.Print(rows.back());
    }
    const bool recorded = !options.recordDir || WriteRecords(rows, *options.recordDir, options.file);
    const bool allVerified = std::all_of(rows.begin(), rows.end(), [](const UnitResult& r) { return r.verified; });
    return allVerified && recorded ? 0 : 1;
}

}  // namespace vk::ctl
