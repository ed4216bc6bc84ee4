#pragma once
// The configuration file: TOML that people can read and edit. A format version
// comes first; comments are allowed; gains are written in dB, phantom supplies
// by name. Loading checks the whole file before anyone may send a byte: an
// unknown key, a value out of range, a gain between steps, a channel that does
// not exist or another format version are errors that name the file's line and
// column.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commission/UnitConfiguration.h"

namespace vk::commission {

inline constexpr int kConfigurationFormatVersion = 1;

struct FilePosition {
    int line = 0;  // 0: unknown
    int column = 0;
};

struct LoadedConfiguration {
    UnitConfiguration configuration;
    // Where each value stands ("unit.type", "channel.2.phantom", ...), for
    // messages about the file that only the unit can decide.
    std::map<std::string, FilePosition> positions;
    [[nodiscard]] FilePosition Where(const std::string& key) const;
};

struct LoadOutcome {
    std::optional<LoadedConfiguration> loaded;
    std::vector<std::string> errors;  // "NAME:LINE:COLUMN: message", in file order
};

// The file's text; the identity is written for the reader and never applied.
[[nodiscard]] std::string WriteConfigurationFile(const UnitConfiguration& config);
// sourceName is what the messages call the file.
[[nodiscard]] LoadOutcome ParseConfigurationFile(std::string_view text, const std::string& sourceName);
[[nodiscard]] std::string FormatFileMessage(const std::string& sourceName, FilePosition at, const std::string& message);

}  // namespace vk::commission
