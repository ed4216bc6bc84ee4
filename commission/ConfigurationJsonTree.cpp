// JSON to the shared tree. Small and strict: what RFC 8259 allows, nothing
// more (no comments, no trailing commas), every key with its line and column.
// Lists and null parse, but no setting is one; nesting is limited so that a
// hostile file cannot exhaust the stack.
#include <charconv>
#include <cmath>

#include "commission/ConfigurationTree.h"

namespace vk::commission {
namespace {

constexpr int kMaxDepth = 32;

class CJsonReader {
public:
    CJsonReader(std::string_view text, const std::string& sourceName) : m_text(text), m_sourceName(sourceName) {}

    TreeOutcome Read()
    {
        TreeOutcome outcome;
        if (m_text.starts_with("\xEF\xBB\xBF"))  // a byte order mark some editors write
            m_pos = m_lineStart = 3;
        SkipSpace();
        FileNode root;
        if (Peek() != '{')
            Fail("a JSON object is expected");
        else if (Value(root, 0)) {
            SkipSpace();
            if (m_pos < m_text.size())
                Fail("nothing may follow the object");
            else
                outcome.root = std::move(root);
        }
        outcome.error = m_error;
        if (!m_error.empty())
            outcome.root.reset();
        return outcome;
    }

private:
    [[nodiscard]] char Peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    [[nodiscard]] FilePosition Here() const { return {m_line, static_cast<int>(m_pos - m_lineStart) + 1}; }

    bool Fail(const std::string& message)
    {
        if (m_error.empty())
            m_error = FormatFileMessage(m_sourceName, Here(), message);
        return false;
    }

    void Advance()
    {
        if (m_text[m_pos] == '\n') {
            ++m_line;
            m_lineStart = m_pos + 1;
        }
        ++m_pos;
    }

    void SkipSpace()
    {
        while (m_pos < m_text.size() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n'))
            Advance();
    }

    bool Literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return Fail("a JSON value is expected");
        m_pos += word.size();
        return true;
    }

    bool Value(FileNode& node, int depth)
    {
        if (depth > kMaxDepth)
            return Fail("nested deeper than " + std::to_string(kMaxDepth) + " levels");
        node.at = Here();
        switch (Peek()) {
        case '{': return Object(node, depth);
        case '[': return List(node, depth);
        case '"': node.kind = FileNode::Kind::Text; return String(node.text);
        case 't': node.kind = FileNode::Kind::Boolean; node.boolean = true; return Literal("true");
        case 'f': node.kind = FileNode::Kind::Boolean; node.boolean = false; return Literal("false");
        case 'n': node.kind = FileNode::Kind::Other; return Literal("null");
        default: return Number(node);
        }
    }

    bool Object(FileNode& node, int depth)
    {
        node.kind = FileNode::Kind::Table;
        Advance();
        SkipSpace();
        if (Peek() == '}') {
            Advance();
            return true;
        }
        while (true) {
            SkipSpace();
            FileNode member;
            member.keyAt = Here();
            if (Peek() != '"')
                return Fail("a key in quotes is expected");
            if (!String(member.key))
                return false;
            if (node.Member(member.key)) {
                m_error = FormatFileMessage(m_sourceName, member.keyAt, "the key '" + member.key + "' is given twice");
                return false;
            }
            SkipSpace();
            if (Peek() != ':')
                return Fail("':' is expected after a key");
            Advance();
            SkipSpace();
            if (!Value(member, depth + 1))
                return false;
            node.members.push_back(std::move(member));
            SkipSpace();
            if (Peek() == ',') {
                Advance();
                continue;
            }
            if (Peek() == '}') {
                Advance();
                return true;
            }
            return Fail("',' or '}' is expected");
        }
    }

    bool List(FileNode& node, int depth)
    {
        node.kind = FileNode::Kind::Other;
        Advance();
        SkipSpace();
        if (Peek() == ']') {
            Advance();
            return true;
        }
        while (true) {
            SkipSpace();
            FileNode item;
            if (!Value(item, depth + 1))
                return false;
            SkipSpace();
            if (Peek() == ',') {
                Advance();
                continue;
            }
            if (Peek() == ']') {
                Advance();
                return true;
            }
            return Fail("',' or ']' is expected");
        }
    }

    static void AppendUtf8(std::string& out, uint32_t code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool Hex4(uint32_t& code)
    {
        if (m_pos + 4 > m_text.size())
            return Fail("four hexadecimal digits are expected after \\u");
        const auto* first = m_text.data() + m_pos;
        const auto [end, error] = std::from_chars(first, first + 4, code, 16);
        if (error != std::errc() || end != first + 4)
            return Fail("four hexadecimal digits are expected after \\u");
        m_pos += 4;
        return true;
    }

    bool Escape(std::string& out)
    {
        Advance();  // the backslash
        const char c = Peek();
        if (m_pos >= m_text.size())
            return Fail("the text ends inside a string");
        Advance();
        switch (c) {
        case '"': out += '"'; return true;
        case '\\': out += '\\'; return true;
        case '/': out += '/'; return true;
        case 'b': out += '\b'; return true;
        case 'f': out += '\f'; return true;
        case 'n': out += '\n'; return true;
        case 'r': out += '\r'; return true;
        case 't': out += '\t'; return true;
        case 'u': break;
        default: return Fail(std::string("no escape \\") + c + " in JSON");
        }
        uint32_t code = 0;
        if (!Hex4(code))
            return false;
        if (code >= 0xD800 && code < 0xDC00) {
            uint32_t low = 0;
            if (m_text.substr(m_pos, 2) != "\\u" || (m_pos += 2, !Hex4(low)) || low < 0xDC00 || low > 0xDFFF)
                return Fail("a lone surrogate in \\u escapes");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code < 0xE000) {
            return Fail("a lone surrogate in \\u escapes");
        }
        AppendUtf8(out, code);
        return true;
    }

    bool String(std::string& out)
    {
        Advance();  // the opening quote
        while (true) {
            if (m_pos >= m_text.size())
                return Fail("the text ends inside a string");
            const char c = Peek();
            if (c == '"') {
                Advance();
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("a control character inside a string");
            if (c == '\\') {
                if (!Escape(out))
                    return false;
                continue;
            }
            out += c;
            Advance();
        }
    }

    bool Number(FileNode& node)
    {
        const size_t start = m_pos;
        bool real = false;
        if (Peek() == '-')
            ++m_pos;
        const size_t digits = m_pos;
        while (Peek() >= '0' && Peek() <= '9')
            ++m_pos;
        if (m_pos == digits)
            return Fail("a JSON value is expected");
        if (m_text[digits] == '0' && m_pos - digits > 1)
            return Fail("a number may not start with 0");
        if (Peek() == '.') {
            real = true;
            ++m_pos;
            const size_t fraction = m_pos;
            while (Peek() >= '0' && Peek() <= '9')
                ++m_pos;
            if (m_pos == fraction)
                return Fail("digits are expected after the decimal point");
        }
        if (Peek() == 'e' || Peek() == 'E') {
            real = true;
            ++m_pos;
            if (Peek() == '+' || Peek() == '-')
                ++m_pos;
            const size_t exponent = m_pos;
            while (Peek() >= '0' && Peek() <= '9')
                ++m_pos;
            if (m_pos == exponent)
                return Fail("digits are expected in the exponent");
        }
        const char* first = m_text.data() + start;
        const char* last = m_text.data() + m_pos;
        if (!real) {
            const auto [end, error] = std::from_chars(first, last, node.integer);
            if (error == std::errc() && end == last) {
                node.kind = FileNode::Kind::Integer;
                return true;
            }
        }
        // Integers too large for 64 bits become reals, which no whole-number key takes.
        const auto [end, error] = std::from_chars(first, last, node.real);
        node.kind = FileNode::Kind::Real;
        if (error == std::errc::result_out_of_range || !std::isfinite(node.real)) {
            m_pos = start;
            return Fail("the number is too large");
        }
        return error == std::errc() && end == last ? true : Fail("a JSON value is expected");
    }

    std::string_view m_text;
    const std::string& m_sourceName;
    size_t m_pos = 0;
    int m_line = 1;
    size_t m_lineStart = 0;
    std::string m_error;
};

}  // namespace

TreeOutcome ParseJsonTree(std::string_view text, const std::string& sourceName)
{
    return CJsonReader(text, sourceName).Read();
}

}  // namespace vk::commission
