#include "Transcript.h"

#include <cstdio>

namespace vk::scenario {

namespace {
constexpr char kFolderMarker[] = "<folder>";
}  // namespace

void CTranscript::Event(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    if (m_muted)
        return;
    if (m_folder.empty()) {
        m_sink(line);
        return;
    }
    std::string shown = line;
    for (size_t at = shown.find(m_folder); at != std::string::npos; at = shown.find(m_folder, at))
        shown.replace(at, m_folder.size(), kFolderMarker), at += sizeof(kFolderMarker) - 1;
    m_sink(shown);
}

void CTranscript::HideFolder(std::string folder)
{
    std::lock_guard lock(m_mutex);
    m_folder = std::move(folder);
}

void CTranscript::Mute()
{
    std::lock_guard lock(m_mutex);
    m_muted = true;
}

void CTranscript::Unmute()
{
    const std::lock_guard lock(m_mutex);
    m_muted = false;
}

bool CTranscript::Muted() const
{
    std::lock_guard lock(m_mutex);
    return m_muted;
}

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

std::string HexBytes(std::span<const uint8_t> bytes)
{
    std::string out;
    for (const uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", b);
        if (!out.empty())
            out += ' ';
        out += hex;
    }
    return out;
}

std::string Hex4(unsigned value)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", value);
    return hex;
}

}  // namespace vk::scenario
