#pragma once
// A configuration printed for people. Files (TOML and JSON) are ConfigurationFile.h's.

#include <string>

#include "commission/UnitConfiguration.h"

namespace vk::commission {

[[nodiscard]] std::string HexWord(unsigned value);  // "0x1F5E"
[[nodiscard]] std::string OneDecimal(double value);  // "-48.0" in every locale
[[nodiscard]] std::string GainDb(int step);         // "36.0"
[[nodiscard]] std::string InputText(const ChannelRecordSettings& channel);  // "not used", "microphone", "mode 9"
[[nodiscard]] std::string ConfigurationText(const UnitConfiguration& config);

}  // namespace vk::commission
