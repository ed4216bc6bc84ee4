#include "tools/quorvel-hid-viewer/ViewerLine.h"

#include <algorithm>
#include <cstdio>

namespace vk {
namespace {

std::string KindName(int32_t kind)
{
    switch (static_cast<ViewerKind>(kind)) {
    case ViewerKind::CommandSent: return "sent";
    case ViewerKind::AnswerReceived: return "answer";
    case ViewerKind::Text: return "text";
    case ViewerKind::CommandResent: return "resent";
    case ViewerKind::AnswerRejected: return "rejected";
    }
    return "kind " + std::to_string(kind);
}

std::string Printable(const std::string& s)
{
    std::string out;
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && u != '\\') {
            out += c;
        } else {
            char esc[5];
            std::snprintf(esc, sizeof esc, "\\x%02X", u);
            out += esc;
        }
    }
    return out;
}

}  // namespace

std::string FormatViewerLine(const ViewerRecord& record)
{
    const LocalTime& t = record.time;
    char head[64];
    std::snprintf(head, sizeof head, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, t.wMilliseconds);
    // The kind column is 8 wide; a longer unknown kind is printed whole.
    std::string kind = KindName(record.kind);
    kind.resize(std::max<size_t>(kind.size(), 8), ' ');
    std::string line = std::string(head) + "  " + kind + "  " + Printable(record.program) + " ";
    for (const uint8_t b : record.bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    if (!record.text.empty())
        line += "  " + Printable(record.text);
    return line;
}

}  // namespace vk
