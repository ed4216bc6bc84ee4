#pragma once
// The page a technician hands to the customer after commissioning a unit: one
// HTML file without scripts or outside resources, laid out for printing.

#include <optional>
#include <string>
#include <vector>

#include "commission/UnitConfiguration.h"
#include "platform/clock/Clock.h"

namespace vk::commission {

struct EchoFigures {
    double echoReductionDb = 0.0;
    double residualEchoDb = 0.0;
};

struct CommissioningRecord {
    UnitConfiguration holds;  // what the unit was read back to hold
    std::string result;       // "applied", "unchanged", "failed at ..."
    std::vector<std::string> changes;
    bool verified = false;
    LocalTime date;
    std::optional<EchoFigures> echo;  // only when an echo test ran
    // False when nobody kept what changed (a wizard run): the record leaves
    // the row out instead of claiming that nothing changed.
    bool changesKnown = true;
    // Initialised here, so that aggregate initialisations that end earlier stay complete.
    std::string appliedFile{};     // the configuration file applied (empty: none)
    std::string programVersion{};  // the program that wrote the record, with its version
    std::string failedStep{};      // the step that failed (empty: none failed)
    // Made against a simulated unit: the record must never pass for a real unit's.
    bool simulated = false;
};

[[nodiscard]] std::string CommissioningRecordHtml(const CommissioningRecord& record);
// "VK5500001234.html"; characters that do not belong in a file name become '_'.
[[nodiscard]] std::string CommissioningRecordFileName(const UnitIdentity& identity);

}  // namespace vk::commission
