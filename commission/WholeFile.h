#pragma once
// Configuration files and records are read and written whole: a file is written
// beside its place and renamed over it, so a failed save leaves an old file as it was.

#include <optional>
#include <string>

namespace vk::commission {

[[nodiscard]] bool WriteWholeFile(const std::string& path, const std::string& text);
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace vk::commission
