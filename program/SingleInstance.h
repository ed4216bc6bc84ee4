#pragma once
// One wizard at a time: a second start finds the running wizard by its window
// title, asks it to come to the front and ends.

namespace vk {

// True when a wizard runs and took the request to come to the front.
[[nodiscard]] bool RaiseRunningWizard();

}  // namespace vk
