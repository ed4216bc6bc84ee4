// The tree's builders and its two writers. Written by hand rather than by a
// library so that the comments, the order of the keys and the hexadecimal words
// stay as a person expects to read them.
#include "commission/ConfigurationTree.h"

#include <algorithm>
#include <cstdio>

#include "commission/ConfigurationForms.h"
#include "commission/TextEscapes.h"

namespace vk::commission {
namespace {

FileNode Scalar(FileNode::Kind kind, std::string key, std::string comment)
{
    FileNode node;
    node.kind = kind;
    node.key = std::move(key);
    node.comment = std::move(comment);
    return node;
}

bool BareKey(const std::string& key)
{
    return !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

std::string TomlKey(const std::string& key) { return BareKey(key) ? key : TomlString(key); }

std::string TomlValue(const FileNode& node)
{
    switch (node.kind) {
    case FileNode::Kind::Integer: {
        if (!node.hex)
            return std::to_string(node.integer);
        char text[24];
        std::snprintf(text, sizeof text, "0x%04llX", static_cast<unsigned long long>(node.integer));
        return text;
    }
    case FileNode::Kind::Real: return OneDecimal(node.real);
    case FileNode::Kind::Boolean: return node.boolean ? "true" : "false";
    case FileNode::Kind::Text: return TomlString(node.text);
    default: return "";
    }
}

std::string JsonValue(const FileNode& node)
{
    switch (node.kind) {
    case FileNode::Kind::Integer: return std::to_string(node.integer);
    case FileNode::Kind::Real: return OneDecimal(node.real);
    case FileNode::Kind::Boolean: return node.boolean ? "true" : "false";
    case FileNode::Kind::Text: return JsonString(node.text);
    default: return "null";
    }
}

void CommentLines(std::string& out, const std::string& comment)
{
    size_t start = 0;
    while (start < comment.size()) {
        size_t end = comment.find('\n', start);
        if (end == std::string::npos)
            end = comment.size();
        out += "# " + comment.substr(start, end - start) + "\n";
        start = end + 1;
    }
}

void TomlScalars(std::string& out, const FileNode& table)
{
    for (const FileNode& member : table.members) {
        if (member.IsTable())
            continue;
        out += TomlKey(member.key) + " = " + TomlValue(member);
        if (!member.comment.empty())
            out += "  # " + member.comment;
        out += "\n";
    }
}

// A table of tables only ([channel]) gets no header of its own: its comment
// stands before its first table.
void TomlTables(std::string& out, const FileNode& table, const std::string& path, std::string pendingComment)
{
    for (const FileNode& member : table.members) {
        if (!member.IsTable())
            continue;
        const std::string name = path.empty() ? TomlKey(member.key) : path + "." + TomlKey(member.key);
        std::string comment = pendingComment.empty() ? member.comment
                              : member.comment.empty() ? pendingComment
                                                       : pendingComment + "\n" + member.comment;
        pendingComment.clear();
        const bool scalars = std::any_of(member.members.begin(), member.members.end(),
                                         [](const FileNode& m) { return !m.IsTable(); });
        if (!scalars && !member.members.empty()) {
            TomlTables(out, member, name, comment);
            continue;
        }
        out += "\n";
        CommentLines(out, comment);
        out += "[" + name + "]\n";
        TomlScalars(out, member);
        TomlTables(out, member, name, {});
    }
}

void JsonMembers(std::string& out, const FileNode& table, int depth)
{
    const bool flat = std::none_of(table.members.begin(), table.members.end(),
                                   [](const FileNode& m) { return m.IsTable(); });
    if (flat && depth > 0) {
        out += "{";
        for (size_t i = 0; i < table.members.size(); ++i)
            out += (i ? ", " : "") + JsonString(table.members[i].key) + ": " + JsonValue(table.members[i]);
        out += "}";
        return;
    }
    const std::string indent(static_cast<size_t>(2 * (depth + 1)), ' ');
    out += "{\n";
    for (size_t i = 0; i < table.members.size(); ++i) {
        const FileNode& member = table.members[i];
        out += indent + JsonString(member.key) + ": ";
        if (member.IsTable())
            JsonMembers(out, member, depth + 1);
        else
            out += JsonValue(member);
        out += i + 1 < table.members.size() ? ",\n" : "\n";
    }
    out += std::string(static_cast<size_t>(2 * depth), ' ') + "}";
}

}  // namespace

const FileNode* FileNode::Member(std::string_view name) const
{
    for (const FileNode& member : members)
        if (member.key == name)
            return &member;
    return nullptr;
}

FileNode& FileNode::Add(FileNode node)
{
    members.push_back(std::move(node));
    return members.back();
}

FileNode TableNode(std::string key, std::string comment) { return Scalar(FileNode::Kind::Table, std::move(key), std::move(comment)); }

FileNode IntegerNode(std::string key, int64_t value, std::string comment)
{
    FileNode node = Scalar(FileNode::Kind::Integer, std::move(key), std::move(comment));
    node.integer = value;
    return node;
}

FileNode HexNode(std::string key, int64_t value, std::string comment)
{
    FileNode node = IntegerNode(std::move(key), value, std::move(comment));
    node.hex = true;
    return node;
}

FileNode GainNode(std::string key, double value, std::string comment)
{
    FileNode node = Scalar(FileNode::Kind::Real, std::move(key), std::move(comment));
    node.real = value;
    node.oneDecimal = true;
    return node;
}

FileNode BooleanNode(std::string key, bool value, std::string comment)
{
    FileNode node = Scalar(FileNode::Kind::Boolean, std::move(key), std::move(comment));
    node.boolean = value;
    return node;
}

FileNode TextNode(std::string key, std::string value, std::string comment)
{
    FileNode node = Scalar(FileNode::Kind::Text, std::move(key), std::move(comment));
    node.text = std::move(value);
    return node;
}

std::string FormatFileMessage(const std::string& sourceName, FilePosition at, const std::string& message)
{
    if (at.line <= 0)
        return sourceName + ": " + message;
    return sourceName + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + message;
}

bool LooksLikeJson(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))  // a byte order mark some editors write
        text.remove_prefix(3);
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '{';
}

std::string TomlText(const FileNode& root)
{
    std::string out;
    CommentLines(out, root.comment);
    TomlScalars(out, root);
    TomlTables(out, root, "", {});
    return out;
}

std::string JsonText(const FileNode& root)
{
    std::string out;
    JsonMembers(out, root, 0);
    return out + "\n";
}

}  // namespace vk::commission
