#pragma once
// The monkey: a seeded random walk of user actions as a scenario script.
// Clicks, sliders and panels on the controls of the wizard's pages and of the
// inputs page (the walk does not see the dialog: a hidden or disabled control
// answers "refused", as it would a user), waits of 0 to 12 s, the corner menu's
// entries, answers to message boxes and file dialogs, units plugged, unplugged
// and replugged, and transaction faults. The same seed gives the same script
// on every machine.

#include <cstdint>
#include <string>

namespace vk::faultsweep {

// The unit kinds a walk starts with: new, stand-alone, master, slave, master+slave.
[[nodiscard]] std::string MonkeyUnitsFor(uint64_t seed);

// A runnable script (its "# options: --units=" line names the units), `steps`
// actions long after `start`, ended by a wait for the device watch and `end`.
[[nodiscard]] std::string MonkeyScript(uint64_t seed, int steps, const std::string& units);

}  // namespace vk::faultsweep
