#pragma once
// The device-event sweep's runs: a road with one device event (a unit plugged,
// unplugged, replugged or swapped for another) put in after one of its steps,
// at a user's pace or within the device watch's settle time.

#include "SweepRun.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vk::faultsweep {

struct EventRun {
    std::string what;     // "unplug 1 after line 12 (click 1003)"
    Road road;            // the road with the event in it, runnable as it is
    uint64_t addedMs = 0; // the waits the event adds to the road
};

// The event kinds, by name: plug-new, plug-stand-alone, plug-master, plug-slave,
// unplug, unplug-bystander, replug, swap, swap-plug-first.
[[nodiscard]] const std::vector<std::string>& EventKinds();

// Every event of `kinds` after every step of the road from its start on.
// configuredUnit: the unit the road configures (the first it pins).
[[nodiscard]] std::vector<EventRun> PlanEventRuns(const Road& road, int configuredUnit,
                                                  const std::vector<std::string>& kinds);

// A script that ends the run: after the road's own steps the device watch
// gets time to act, then the run ends.
inline constexpr uint64_t kSettleTailMs = 3000;

}  // namespace vk::faultsweep
