#pragma once
// The configuration file's keys and values as a tree that TOML and JSON share:
// each reader makes one from its text, with every key's line and column, and
// each writer prints one. The checks and the keys exist once, over the tree.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk::commission {

struct FilePosition {
    int line = 0;  // 0: unknown
    int column = 0;
};

struct FileNode {
    enum class Kind { Table, Integer, Real, Boolean, Text, Other };  // Other: a list, a date, null
    Kind kind = Kind::Table;
    int64_t integer = 0;
    double real = 0.0;
    bool boolean = false;
    std::string text;
    std::vector<FileNode> members;  // a table's keys, in file order
    std::string key;                // the key this node stands under in its table
    FilePosition keyAt;             // where that key is written
    FilePosition at;                // where the value is written
    // For the writers only.
    bool hex = false;     // an integer written as 0x1F5E in TOML
    bool oneDecimal = false;  // a real written as 36.0
    std::string comment;  // after the value in TOML; before the table for a table

    [[nodiscard]] const FileNode* Member(std::string_view name) const;
    FileNode& Add(FileNode node);
    [[nodiscard]] bool IsTable() const { return kind == Kind::Table; }
};

// Builders for the writers.
[[nodiscard]] FileNode TableNode(std::string key, std::string comment = {});
[[nodiscard]] FileNode IntegerNode(std::string key, int64_t value, std::string comment = {});
[[nodiscard]] FileNode HexNode(std::string key, int64_t value, std::string comment = {});
[[nodiscard]] FileNode GainNode(std::string key, double value, std::string comment = {});
[[nodiscard]] FileNode BooleanNode(std::string key, bool value, std::string comment = {});
[[nodiscard]] FileNode TextNode(std::string key, std::string value, std::string comment = {});

struct TreeOutcome {
    std::optional<FileNode> root;
    std::string error;  // "NAME:LINE:COLUMN: message" when the text is no TOML or JSON
};

[[nodiscard]] std::string FormatFileMessage(const std::string& sourceName, FilePosition at, const std::string& message);

// A text whose first character other than white space is '{' is JSON; anything else TOML.
[[nodiscard]] bool LooksLikeJson(std::string_view text);
[[nodiscard]] TreeOutcome ParseTomlTree(std::string_view text, const std::string& sourceName);
[[nodiscard]] TreeOutcome ParseJsonTree(std::string_view text, const std::string& sourceName);

// Tables inside the root are written as [a] and [a.b] headers, in the order they were added.
[[nodiscard]] std::string TomlText(const FileNode& root);
[[nodiscard]] std::string JsonText(const FileNode& root);

}  // namespace vk::commission
