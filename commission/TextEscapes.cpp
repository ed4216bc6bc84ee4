#include "commission/TextEscapes.h"

#include <cstdio>

namespace vk::commission {
namespace {

// Both TOML and JSON take \" \\ and \uXXXX for control characters.
std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u >= 0x7F) {  // bytes above ASCII are taken as Latin-1
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04X", u);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string TomlString(const std::string& text) { return Quoted(text); }

std::string JsonString(const std::string& text) { return Quoted(text); }

std::string HtmlText(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace vk::commission
