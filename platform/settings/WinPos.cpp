#include "platform/settings/WinPos.h"

#include "platform/settings/AppProfile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace vk {

namespace {

// Larger coordinates are not a screen position, and their sums would overflow.
constexpr int kLimit = 1'000'000;

bool ReadNumber(const std::string& text, size_t& pos, int& value)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    const char* first = text.data() + pos;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || value < -kLimit || value > kLimit)
        return false;
    pos += static_cast<size_t>(end - first);
    return true;
}

}  // namespace

CWinPos::CWinPos(CAppProfile* profile) : m_profile(profile) {}

CAppProfile& CWinPos::Profile() const { return m_profile ? *m_profile : AppProfile(); }

std::optional<Rect> CWinPos::ParsePosition(const std::string& text)
{
    int v[4];
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',')
                return std::nullopt;
            ++pos;
        }
        if (!ReadNumber(text, pos, v[i]))
            return std::nullopt;
    }
    return Rect{v[0], v[1], v[0] + v[2], v[1] + v[3]};
}

void CWinPos::SavePosition(IPlacedWindow& window)
{
    WindowPlacement wp;
    if (!window.CanBePlaced() || !window.GetWindowPlacement(wp))
        return;  // where the windowing system places windows, a position says nothing
    const Rect& r = wp.normalPosition;
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", r.left, r.top, r.right - r.left, r.bottom - r.top);
    (void)Profile().WriteProfileString(m_strSection, m_strEntry, text);
}

void CWinPos::RestorePosition(IPlacedWindow& window, int showCmd, bool useSavedSize)
{
    const std::string text = Profile().GetProfileString(m_strSection, m_strEntry, "");
    WindowPlacement wp;
    if (!window.GetWindowPlacement(wp))
        return;
    wp.showCmd = showCmd;

    const Rect current = wp.normalPosition;
    // Where the windowing system places windows the window stays where it is
    // put; only the show command applies.
    Rect r = window.CanBePlaced() ? ParsePosition(text).value_or(current) : current;
    // A saved size of nothing ("10,20,0,0") cannot be a window's: the window
    // keeps its own size then, as it does when the saved size is not wanted.
    if (!useSavedSize || r.Width() <= 0 || r.Height() <= 0) {
        r.right = r.left + current.Width();
        r.bottom = r.top + current.Height();
    }
    MonitorInfo monitor;
    if (window.CanBePlaced() && window.NearestMonitor(r, monitor)) {
        // Only the top-left corner is kept on screen; the far edges are not limited.
        const int dx = std::max(r.left, monitor.workArea.left) - r.left;
        const int dy = std::max(r.top, monitor.workArea.top) - r.top;
        r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    }
    wp.normalPosition = r;
    (void)window.SetWindowPlacement(wp);
}

}  // namespace vk
