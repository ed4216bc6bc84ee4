#pragma once
// The words of one script line: bare words, and texts in double quotes with C
// escapes; '#' outside a text starts a comment. Numbers are decimal or 0x hex.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk::scenario {

struct Token {
    std::string text;
    bool quoted = false;
};

// False with a reason for a text without its closing quote or a bad escape.
[[nodiscard]] bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& reason);

// A script's own text as a reason may echo it: printable ASCII as it is, any
// other byte as \xHH, cut to a short prefix with "..." (a line may be megabytes).
[[nodiscard]] std::string Shown(std::string_view text);

// A whole bare word as a number: optional '-', decimal digits or 0x and hex digits.
[[nodiscard]] std::optional<int64_t> ParseNumber(const Token& token);

}  // namespace vk::scenario
