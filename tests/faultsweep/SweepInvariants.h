#pragma once
// What must hold after every run of a road with one transaction fault, judged
// against the same road run without one.

#include "SweepRun.h"

#include <string>
#include <vector>

namespace vk::faultsweep {

struct Violation {
    std::string invariant;  // a short name, the same for every run that breaks it
    std::string detail;
};

// The longest wait the wizard is designed to make (a unit that does not come
// back after a reset), plus a margin for the waits around it.
inline constexpr uint64_t kLongestDesignedWaitMs = 2 * (12000 + 120000 + 1000) + 60 * 1000 + 60 * 500;
inline constexpr uint64_t kVirtualMarginMs = 30000;
inline constexpr double kRealBoundMs = 20000;

[[nodiscard]] std::vector<Violation> CheckRun(const RunResult& baseline, const RunResult& run, const SweepFault& fault);

// The single checks; each adds what it finds to out.
// No abnormal end, no stall, no unknown command; the run's virtual time within
// boundMs (what the run was meant to take) plus the longest designed wait.
void CheckLiveness(const RunResult& run, uint64_t boundMs, std::vector<Violation>& out);
// The finished page's success text only after a store every answer of which
// was a success (0xB7FF, then 0xB100 and 0xB102).
void CheckStore(const RunResult& run, std::vector<Violation>& out);
// A configuration load called applied, read back and stored left every unit
// with the settings, live and stored, that the load leaves without a fault.
void CheckLoad(const RunResult& baseline, const RunResult& run, std::vector<Violation>& out);
// Writes go only to the pinned unit: the unit opened last (identity reads)
// before the wizard showed page 1 or 2, until it shows page 0; from there to
// the next pin only that unit may still take the closing writes.
void CheckPinnedWrites(const RunResult& run, std::vector<Violation>& out);
// A wizard that has not ended rests on page 0, 1 or 2, or its pinned unit is
// still there.
void CheckEndState(const RunResult& run, std::vector<Violation>& out);
// The unit the run pins first (0: none).
[[nodiscard]] int FirstPinnedUnit(const RunResult& run);

// A generated run (a road with a device event, a monkey's walk), judged by
// what must hold for every run: liveness within boundMs of virtual time plus
// the longest designed wait, the store, the pin and where the wizard rests. A
// step the script makes after the wizard ended ends the walk; it is no fault.
[[nodiscard]] std::vector<Violation> CheckWalk(const RunResult& run, uint64_t boundMs);
// The run stopped at a step after the wizard had ended.
[[nodiscard]] bool EndedByWizard(const RunResult& run);

}  // namespace vk::faultsweep
