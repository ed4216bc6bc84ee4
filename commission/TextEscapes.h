#pragma once
// Texts from a unit (names, serial numbers) quoted for the formats we write.

#include <string>

namespace vk::commission {

// A TOML basic string, quotes included.
[[nodiscard]] std::string TomlString(const std::string& text);
// A JSON string, quotes included.
[[nodiscard]] std::string JsonString(const std::string& text);
// Text for an HTML page: & < > " escaped.
[[nodiscard]] std::string HtmlText(const std::string& text);

}  // namespace vk::commission
