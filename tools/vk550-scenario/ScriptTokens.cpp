#include "ScriptTokens.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace vk::scenario {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One escape after the backslash at line[i]; i ends on its last character.
bool Escape(std::string_view line, size_t& i, std::string& out, std::string& reason)
{
    if (i + 1 >= line.size()) {
        reason = "missing closing quote";
        return false;
    }
    const char c = line[++i];
    switch (c) {
    case 'n': out += '\n'; return true;
    case 'r': out += '\r'; return true;
    case 't': out += '\t'; return true;
    case 'a': out += '\a'; return true;
    case 'b': out += '\b'; return true;
    case 'f': out += '\f'; return true;
    case 'v': out += '\v'; return true;
    case '\\': out += '\\'; return true;
    case '"': out += '"'; return true;
    case '\'': out += '\''; return true;
    case '?': out += '?'; return true;
    case 'x': {
        int value = 0;
        int digits = 0;
        while (digits < 2 && i + 1 < line.size() && HexDigit(line[i + 1]) >= 0) {
            value = value * 16 + HexDigit(line[++i]);
            ++digits;
        }
        if (digits == 0) {
            reason = "\\x without hex digits";
            return false;
        }
        out += static_cast<char>(value);
        return true;
    }
    default:
        if (c >= '0' && c <= '7') {
            int value = c - '0';
            for (int digits = 1; digits < 3 && i + 1 < line.size() && line[i + 1] >= '0' && line[i + 1] <= '7'; ++digits)
                value = value * 8 + (line[++i] - '0');
            // One byte: \377 is the largest; a larger value is a mistake, not a wrap.
            if (value > 0xFF) {
                reason = "octal escape out of range";
                return false;
            }
            out += static_cast<char>(value);
            return true;
        }
        reason = "unknown escape \\" + Shown(std::string_view(&c, 1));
        return false;
    }
}

}  // namespace

std::string Shown(std::string_view text)
{
    constexpr size_t kLongest = 40;
    static const char* const kHex = "0123456789ABCDEF";
    std::string shown;
    for (const char c : text) {
        if (shown.size() >= kLongest)
            return shown + "...";
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        }
    }
    return shown;
}

bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& reason)
{
    tokens.clear();
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        Token token;
        if (c == '"') {
            token.quoted = true;
            bool closed = false;
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (line[i] == '\\') {
                    if (!Escape(line, i, token.text, reason))
                        return false;
                } else {
                    token.text += line[i];
                }
            }
            if (!closed) {
                reason = "missing closing quote";
                return false;
            }
            if (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) && line[i] != '#') {
                reason = "a text must stand alone";
                return false;
            }
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) && line[i] != '#') {
                if (line[i] == '"') {
                    reason = "a quote inside a word";
                    return false;
                }
                token.text += line[i++];
            }
        }
        tokens.push_back(std::move(token));
    }
    return true;
}

std::optional<int64_t> ParseNumber(const Token& token)
{
    if (token.quoted || token.text.empty())
        return std::nullopt;
    std::string_view s = token.text;
    const bool negative = s.front() == '-';
    if (negative)
        s.remove_prefix(1);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty())
        return std::nullopt;
    for (char c : s)
        if (base == 16 ? HexDigit(c) < 0 : !std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    const std::string digits(s);
    errno = 0;
    const unsigned long long value = std::strtoull(digits.c_str(), nullptr, base);
    if (errno == ERANGE || value > static_cast<unsigned long long>(INT64_MAX))
        return std::nullopt;
    const auto n = static_cast<int64_t>(value);
    return negative ? -n : n;
}

}  // namespace vk::scenario
