#pragma once
// The files the config actions read and write. "-" is standard input (diff,
// apply) or standard output (save); every other path goes through the one
// whole-file reader and writer the wizard uses too.

#include <optional>
#include <string>

#include "commission/ConfigurationFile.h"
#include "commission/WholeFile.h"

namespace vk::ctl {

// What messages call the file: its path, or "standard input" / "standard output".
[[nodiscard]] std::string InputName(const std::string& path);
[[nodiscard]] std::string OutputName(const std::string& path);

[[nodiscard]] commission::WholeFileText ReadInputFile(const std::string& path);
[[nodiscard]] commission::WholeFileWritten WriteOutputFile(const std::string& path, const std::string& text);

// The file's configuration, or nullopt after its errors (or why it cannot be
// read) on stderr.
// sending: the file was to be sent, and errors end with "nothing was sent".
[[nodiscard]] std::optional<commission::LoadedConfiguration> LoadConfigurationFile(const std::string& path,
                                                                                   bool sending = true);

}  // namespace vk::ctl
