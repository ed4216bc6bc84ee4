#include "ConfigUnitApply.h"

#include "commission/ConfigurationApplier.h"
#include "commission/ReadBack.h"

namespace vk::ctl {
namespace {

using commission::UnitConfiguration;

std::string HoldsText(const commission::ApplyOutcome& outcome, const UnitConfiguration& wanted)
{
    return commission::WhatTheUnitHolds(outcome.holds, wanted, outcome.typeAssigned);
}

}  // namespace

std::optional<std::string> WhyAnotherUnit(CHIDProtocol& protocol, const ReadUnit& unit)
{
    const std::string& read = unit.current->identity.serialNumber;
    const std::string now = protocol.GetSerialNumber();
    if (now == read)
        return std::nullopt;
    return "the unit at " + unit.path + " now answers with serial number " + (now.empty() ? "(none)" : now) +
           ", not " + (read.empty() ? "(none)" : read) + "; nothing was sent";
}

UnitResult ApplyToUnit(CHIDProtocol& protocol, const ReadUnit& unit, const UnitConfiguration& wanted,
                       commission::StoreAfterApply store)
{
    UnitResult row{unit.Name(), "failed", {}, false, {}, std::nullopt};
    if (!unit.current) {
        row.detail = "reading the unit failed at its " + unit.failedPart + "; nothing was sent";
        return row;
    }
    if (!protocol.OpenUnitAt(unit.path, true)) {
        row.detail = "the unit could not be opened again; nothing was sent";
        return row;
    }
    // The writes are worked out from what was read: they are only for that unit.
    if (auto why = WhyAnotherUnit(protocol, unit)) {
        row.detail = std::move(*why);
        return row;
    }
    const commission::ApplyOutcome outcome = commission::ApplyConfiguration(protocol, *unit.current, wanted, store);
    row.changed = outcome.written;
    row.verified = outcome.Succeeded();
    row.holds = outcome.holds;
    if (!outcome.failedStep.empty())
        row.detail = outcome.failedStep + " failed; " + HoldsText(outcome, wanted);
    else if (!outcome.verified)
        row.detail = "every write was accepted but " + HoldsText(outcome, wanted);
    else if (outcome.written.empty())
        row.result = "unchanged";
    else
        row.result = outcome.stored ? "applied" : "unstored";
    if (row.result == "unstored")
        row.detail = "not stored: the unit forgets these settings at its next power cycle";
    return row;
}

}  // namespace vk::ctl
