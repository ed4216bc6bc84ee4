#include "platform/ui/Surface.h"

#include "platform/ui/DialogHost.h"

#include <algorithm>

namespace vk {

std::string StripPrefixes(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;  // the next character is shown as it is ("&&" gives one '&')
        else if (text[i] == '&')
            continue;
        shown.push_back(text[i]);
    }
    return shown;
}

void DrawDisabledText(IDrawingSurface& dc, Point at, std::string_view text, const DialogFont& font)
{
    const std::string shown = StripPrefixes(text);
    dc.TextOut({at.x + 1, at.y + 1}, shown, font, HostSysColor(COLOR_BTNHIGHLIGHT));
    dc.TextOut(at, shown, font, HostSysColor(COLOR_BTNSHADOW));
}

COLORREF HostSysColor(int index) { return UiHost().SysColor(index); }

int HostLogPixelsY() { return UiHost().LogPixelsY(); }

int HostStockFontHeight()
{
    const int designed = 16 * HostLogPixelsY() / 96;
    const double scale = UiHost().DialogScale();
    return scale < 1.0 ? std::max(1, static_cast<int>(designed * scale)) : designed;
}

}  // namespace vk
