#pragma once
// The names proposed for saved recordings: PREFIX + "Mar 05 2013 14-07-31.wav",
// with English month abbreviations in every locale.

#include <string>

#include "platform/clock/Clock.h"

namespace vk {

// "Output_" / "Input_" + "%b %d %Y %H-%M-%S" of `now` as the C locale writes it + ".wav".
[[nodiscard]] std::string RecordingFileName(const char* prefix, const LocalTime& now);

}  // namespace vk
