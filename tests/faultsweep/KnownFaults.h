#pragma once
// Faults the sweep has found that are being fixed elsewhere: a run that breaks
// only these is reported as "known", not as a failure. Each entry names the
// fault in the sweep's issue; empty this list as the fixes arrive.

#include <string>

namespace vk::faultsweep {

struct KnownFault {
    const char* road;       // "*": every road
    const char* kind;       // silent, error, echo, delay, unplug; "*": every kind
    const char* command;    // the faulted command's first bytes ("B7 FF"); "*": any
    const char* invariant;  // as SweepInvariants names it
    const char* why;        // the fault's number in the issue, and what it is
};

// The entry a violation of this run falls under, or nullptr.
[[nodiscard]] const KnownFault* FindKnown(const std::string& road, const std::string& kind, const std::string& command,
                                          const std::string& invariant);

}  // namespace vk::faultsweep
