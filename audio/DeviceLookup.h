#pragma once
// The test-audio engine's device lookups: device indexes by name pattern, and
// the wait for the unit's playback device after it comes back on the bus.

#include <string>

namespace vk {

// The maker's prefix every unit's sound card carries.
inline constexpr const char* kMakerPrefix = "Qrvl";

// Index of the first recording device matching `pattern`, or -1.
[[nodiscard]] int FindInDeviceIndex(const std::string& pattern);
// Index of the first playback device matching `pattern`, else of the first one
// matching the maker's prefix, else -1.
[[nodiscard]] int FindOutDeviceIndex(const std::string& pattern);
// Up to 40 lookups 500 ms apart (on the process clock) for the playback device,
// then one open and close of it (-1: the default device). Returns the index found or -1.
[[nodiscard]] int ProbePlayDeviceIndex(const std::string& pattern);

}  // namespace vk
