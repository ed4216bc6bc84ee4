#pragma once
// Shell completion answered by the program itself, from the same CLI11
// definitions it parses its command line with, so the completion cannot name an
// option the program lacks or miss one it has. The bash script only asks:
//
//   PROGRAM __complete WORD... CURRENT
//
// and gets one candidate a line: option and subcommand names (and the values an
// option offers) that start with CURRENT, or "@files" / "@dirs" when a file or a
// folder name goes there.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace vk::cli {

inline constexpr const char* kCompleteCommand = "__complete";
inline constexpr const char* kFilesAnswer = "@files";
inline constexpr const char* kDirsAnswer = "@dirs";

enum class ValueKind { None, Files, Dirs };

struct CompletionRules {
    // What goes in the words an app takes beyond its declared ones (an app that
    // allows extras); none without this.
    std::function<ValueKind(const CLI::App&)> extras = {};
};

// The candidates for the last of `words`, the words after the program's name (the
// last one is the one being completed, "" for a new word), sorted.
[[nodiscard]] std::vector<std::string> CompletionCandidates(CLI::App& root, const std::vector<std::string>& words,
                                                            const CompletionRules& rules = {});

// For "PROGRAM __complete ...": prints the candidates and gives the exit code (0);
// nothing for any other command line.
[[nodiscard]] std::optional<int> AnswerCompletion(CLI::App& root, int argc, char** argv,
                                                  const CompletionRules& rules = {});

// A check that accepts every value and only offers `words` to the completion: for
// options whose values the program checks itself, later and with its own message.
[[nodiscard]] CLI::Validator OfferedValues(const std::vector<std::string>& words);

}  // namespace vk::cli
