#include "ConfigDiff.h"

#include <algorithm>
#include <cstdio>

#include "ConfigFiles.h"
#include "ConfigUnits.h"
#include "commission/ConfigurationApplier.h"
#include "commission/ConfigurationDiff.h"

namespace vk::ctl {
namespace {

enum DiffExit : int { kSame = 0, kDiffers = 1, kTrouble = 2 };

// The changes of one unit, each marked when apply would refuse it; a refusal
// of a field that does not change (phantom kept on an input whose type does)
// follows on its own line.
int PrintChanges(const commission::UnitConfiguration& current, const commission::LoadedConfiguration& loaded)
{
    const commission::WantedOutcome wanted = commission::WantedConfiguration(loaded, current);
    const auto changes = commission::DiffConfigurations(current, wanted.wanted);
    if (changes.empty() && wanted.refusals.empty()) {
        std::printf("no changes: the unit holds this configuration\n");
        return kSame;
    }
    const auto refused = commission::WhyUnitCannotTake(current, wanted.wanted);
    // A type the unit cannot take says it all; the fields' refusals would follow from it.
    const std::vector<commission::Refusal> none;
    const auto& refusals = refused ? none : wanted.refusals;
    std::vector<const commission::Refusal*> marked;
    for (const auto& change : changes) {
        std::printf("%-28s %s -> %s", change.field.c_str(), change.from.c_str(), change.to.c_str());
        if (refused && change.field == "type")
            std::printf("   [apply refuses: %s]", refused->c_str());
        if (const auto* refusal = commission::RefusalOf(change, refusals)) {
            std::printf("   [apply refuses: %s]", refusal->message.c_str());
            marked.push_back(refusal);
        }
        std::printf("\n");
    }
    for (const auto& refusal : refusals)
        if (std::find(marked.begin(), marked.end(), &refusal) == marked.end())
            std::printf("[apply refuses: %s]\n", refusal.message.c_str());
    return kDiffers;
}

}  // namespace

int Diff(const ConfigOptions& options)
{
    const auto loaded = LoadConfigurationFile(options.file);
    if (!loaded)
        return kTrouble;
    CHIDProtocol protocol;
    int failureExit = kTrouble;
    int exitCode = kSame;
    bool first = true;
    const bool read = ReadChosenUnits(protocol, options, failureExit, [&](ReadUnit& unit) {
        if (options.all)
            std::printf("%s# %s\n", first ? "" : "\n", unit.Name().c_str());
        first = false;
        if (!unit.current) {
            std::fprintf(stderr, "vk550ctl: %s: the unit did not answer (%s)\n", unit.path.c_str(),
                         unit.failedPart.c_str());
            exitCode = kTrouble;
        } else {
            exitCode = std::max(exitCode, PrintChanges(*unit.current, *loaded));
        }
        std::fflush(stdout);
    });
    // Any failure to get to a unit is trouble: 1 says only that a unit differs.
    return read ? exitCode : kTrouble;
}

}  // namespace vk::ctl
