#pragma once
// The configuration file: TOML that people can read and edit, or JSON with the
// very same keys. A format version comes first; comments are allowed in TOML;
// gains are written in dB, phantom supplies and input types by name, levels by
// the names a technician knows (speaker, output). Every key may be left out: a
// file changes only what it gives. Loading checks the whole file before anyone
// may send a byte: an unknown key, a value no unit can hold, a gain between
// steps, an input that does not exist or another format version are errors
// that name the file's line and column. What only the unit can decide (values
// the wizard does not set) is judged against the unit (ConfigurationEdit.h).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commission/ConfigurationEdit.h"
#include "commission/ConfigurationTree.h"
#include "commission/UnitConfiguration.h"

namespace vk::commission {

// Version 2 writes each input's gain and phantom once (in [channel.N], not in
// the controller's words) and names the levels; version 1 files are read too.
inline constexpr int kConfigurationFormatVersion = 2;
inline constexpr int kOldestConfigurationFormatVersion = 1;

struct LoadOutcome {
    std::optional<LoadedConfiguration> loaded;
    std::vector<std::string> errors;  // "NAME:LINE:COLUMN: message", in file order
};

// The keys and values of a unit's whole configuration, with comments; one tree
// for both formats.
[[nodiscard]] FileNode ConfigurationDocument(const UnitConfiguration& config);
// The file's text; the identity is written for the reader and never applied.
[[nodiscard]] std::string WriteConfigurationFile(const UnitConfiguration& config);
// The same keys in JSON.
[[nodiscard]] std::string WriteConfigurationJson(const UnitConfiguration& config);
// TOML or JSON, told apart by the text; sourceName is what the messages call the file.
[[nodiscard]] LoadOutcome ParseConfigurationFile(std::string_view text, const std::string& sourceName);

}  // namespace vk::commission
