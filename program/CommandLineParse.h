#pragma once
// Parsing a command line with CLI11, alike in every program of the family.

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace vk::cli {

// Parses `words` (in order, without the program's name). Throws what CLI11
// throws; also CLI::ArgumentMismatch for "--name=" with nothing after the '=',
// which CLI11 would otherwise fill with the next word.
void ParseWords(CLI::App& app, std::vector<std::string> words);
void ParseArguments(CLI::App& app, int argc, const char* const* argv);

}  // namespace vk::cli
