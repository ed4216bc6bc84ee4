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

}  // namespace vk::faultsweep
