#include "platform/settings/RegistryDocument.h"

#include <cctype>
#include <cstdio>
#include <optional>

namespace vk {

std::vector<uint8_t> RegValue::Bytes() const
{
    if (type == Type::Dword)
        return {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number >> 16),
                static_cast<uint8_t>(number >> 24)};
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Fold(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = FoldAscii(c);
    return out;
}

}  // namespace

bool SameRegName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

namespace {

std::string Quote(std::string_view s)
{
    std::string out = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> Unquote(std::string_view line, size_t& pos)
{
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size())
            return std::nullopt;
        const char e = line[pos];
        if (e == '\\' || e == '"') {
            out += e;
        } else if (e == 'x' && pos + 2 < line.size() && HexDigit(line[pos + 1]) >= 0 && HexDigit(line[pos + 2]) >= 0) {
            out += static_cast<char>(HexDigit(line[pos + 1]) * 16 + HexDigit(line[pos + 2]));
            pos += 2;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> ParseDword(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    uint32_t n = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        n = n * 16 + static_cast<uint32_t>(d);
    }
    return n;
}

std::optional<std::pair<std::string, RegValue>> ParseValueLine(std::string_view line)
{
    size_t pos = 0;
    auto name = Unquote(line, pos);
    if (!name || pos >= line.size() || line[pos] != '=')
        return std::nullopt;
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
        auto text = Unquote(line, pos);
        if (!text || pos != line.size())
            return std::nullopt;
        return std::pair{*name, RegValue::Sz(*text)};
    }
    constexpr std::string_view kDword = "dword:";
    if (line.substr(pos, kDword.size()) != kDword)
        return std::nullopt;
    auto number = ParseDword(line.substr(pos + kDword.size()));
    if (!number)
        return std::nullopt;
    return std::pair{*name, RegValue::Dword(*number)};
}

}  // namespace

CRegistryDocument CRegistryDocument::Parse(std::string_view text, std::vector<std::string>* problems)
{
    CRegistryDocument doc;
    RegKey* current = nullptr;
    size_t lineNo = 0;
    auto complain = [&](std::string_view what) {
        if (problems)
            problems->push_back("line " + std::to_string(lineNo) + ": " + std::string(what));
    };
    while (!text.empty()) {
        ++lineNo;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const size_t close = line.rfind(']');
            if (close == std::string_view::npos || close != line.size() - 1 || close == 1) {
                complain("a key line that does not end in ']'");
                current = nullptr;
                continue;
            }
            current = &doc.CreateKey(line.substr(1, close - 1));
            continue;
        }
        auto value = ParseValueLine(line);
        if (!value) {
            complain("not a value line");
            continue;
        }
        if (!current) {
            complain("a value outside any key");
            continue;
        }
        doc.Set(current->path, value->first, value->second);
    }
    return doc;
}

std::string CRegistryDocument::Format() const
{
    std::string out = "; Per-user settings of the Quorvel programs, kept like registry keys.\n"
                      "; Texts are \"quoted\" (\\\\ \\\" \\xHH escapes); numbers are dword:hex.\n";
    char hex[16];
    for (const auto& key : m_keys) {
        out += "\n[" + key.path + "]\n";
        for (const auto& [name, value] : key.values) {
            out += Quote(name) + "=";
            if (value.type == RegValue::Type::Dword) {
                std::snprintf(hex, sizeof hex, "dword:%08x", value.number);
                out += hex;
            } else {
                out += Quote(value.text);
            }
            out += '\n';
        }
    }
    return out;
}

const RegKey* CRegistryDocument::FindKey(std::string_view path) const
{
    const auto it = m_keyIndex.find(Fold(path));
    return it == m_keyIndex.end() ? nullptr : &m_keys[it->second];
}

bool CRegistryDocument::HasKey(std::string_view path) const
{
    const std::string folded = Fold(path);
    return m_keyIndex.contains(folded) || m_parents.contains(folded);
}

RegKey& CRegistryDocument::CreateKey(std::string_view path)
{
    std::string folded = Fold(path);
    if (const auto it = m_keyIndex.find(folded); it != m_keyIndex.end())
        return m_keys[it->second];
    // Parents from the nearest up; one already known has its own parents known too.
    for (size_t at = folded.rfind('\\'); at != std::string::npos && at > 0; at = folded.rfind('\\', at - 1))
        if (!m_parents.insert(folded.substr(0, at)).second)
            break;
    m_keyIndex.emplace(std::move(folded), m_keys.size());
    m_valueIndex.emplace_back();
    m_keys.push_back({std::string(path), {}});
    return m_keys.back();
}

const RegValue* CRegistryDocument::Find(std::string_view path, std::string_view name) const
{
    const auto key = m_keyIndex.find(Fold(path));
    if (key == m_keyIndex.end())
        return nullptr;
    const auto& index = m_valueIndex[key->second];
    const auto value = index.find(Fold(name));
    return value == index.end() ? nullptr : &m_keys[key->second].values[value->second].second;
}

void CRegistryDocument::Set(std::string_view path, std::string_view name, const RegValue& value)
{
    RegKey& key = CreateKey(path);
    auto& index = m_valueIndex[m_keyIndex.at(Fold(path))];
    const auto [it, added] = index.try_emplace(Fold(name), key.values.size());
    if (added)
        key.values.emplace_back(std::string(name), value);
    else
        key.values[it->second].second = value;
}

}  // namespace vk
