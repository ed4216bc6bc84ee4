#pragma once
// What the wizard can set, by the inputs' channel coding: input types per unit
// type, phantom per input type, levels as its sliders go. Any gain step is one
// the wizard may leave: where the gain does not apply (an input not in use, a
// slave link) it keeps what the input had. A unit may
// hold more (from the bench, from an older program); such a value is saved as
// it is, with a comment, and only a unit that holds it already takes it back.

#include <optional>
#include <string>

#include "commission/UnitConfiguration.h"

namespace vk::commission {

// The top of the wizard's level sliders, for the level registers and the channels' levels.
inline constexpr int kWizardMaxLevel = 24;
// A channel level the unit's answer cannot tell from a refusal.
inline constexpr int kFirstAmbiguousLevel = 251;

// Each answers why the wizard cannot set what config holds there, or nothing.
[[nodiscard]] std::optional<std::string> InputOutsideWizard(const UnitConfiguration& config, int c);
[[nodiscard]] std::optional<std::string> PhantomOutsideWizard(const UnitConfiguration& config, int c);
[[nodiscard]] std::optional<std::string> LevelOutsideWizard(int level);

// Both supply lines low: read as 3V, which the wizard never leaves so.
[[nodiscard]] bool BothSupplyLinesLow(const UnitConfiguration& config, int c);

}  // namespace vk::commission
