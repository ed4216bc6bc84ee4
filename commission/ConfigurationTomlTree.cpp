// TOML to the shared tree: the TOML library parses, every key keeps its place.

// The library checks some of its own expectations about the text with assert():
// "[}" stops a build without NDEBUG, while a release build goes on to the parse
// error it reports. A file is input, never a reason to stop: every build reports.
#define TOML_ASSERT(expr) static_assert(true)
#include <toml++/toml.h>

#include "commission/ConfigurationTree.h"

namespace vk::commission {
namespace {

FilePosition At(const toml::source_position& where)
{
    return {static_cast<int>(where.line), static_cast<int>(where.column)};
}

FileNode Convert(const toml::node& node)
{
    FileNode out;
    out.at = At(node.source().begin);
    if (const toml::table* table = node.as_table()) {
        out.kind = FileNode::Kind::Table;
        for (const auto& [key, member] : *table) {
            FileNode child = Convert(member);
            child.key = std::string(key.str());
            // A key the library made up (a dotted header's parent) has no place of its own.
            child.keyAt = key.source().begin.line == 0 ? child.at : At(key.source().begin);
            out.members.push_back(std::move(child));
        }
    } else if (const auto integer = node.value_exact<int64_t>()) {
        out.kind = FileNode::Kind::Integer;
        out.integer = *integer;
    } else if (const auto real = node.value_exact<double>()) {
        out.kind = FileNode::Kind::Real;
        out.real = *real;
    } else if (const auto boolean = node.value_exact<bool>()) {
        out.kind = FileNode::Kind::Boolean;
        out.boolean = *boolean;
    } else if (const auto text = node.value_exact<std::string>()) {
        out.kind = FileNode::Kind::Text;
        out.text = *text;
    } else {
        out.kind = FileNode::Kind::Other;  // arrays, dates and times: no setting is one
    }
    return out;
}

}  // namespace

TreeOutcome ParseTomlTree(std::string_view text, const std::string& sourceName)
{
    try {
        const toml::table root = toml::parse(text, sourceName);
        TreeOutcome outcome;
        outcome.root = Convert(root);
        outcome.root->at = {1, 1};
        return outcome;
    } catch (const toml::parse_error& error) {
        return {std::nullopt, FormatFileMessage(sourceName, At(error.source().begin), std::string(error.description()))};
    }
}

}  // namespace vk::commission
