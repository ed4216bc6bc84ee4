#pragma once
// Drawing into pixels. IDrawingSurface is both the off-screen surface that logic
// draws into (created by the host at a control's size, copied to the control in
// one step with CControl::Blit) and the context a control paints itself with
// (CControl::SetPaintHandler). Coordinates are the control's client pixels.
// The Qt host draws with QPainter (into a QImage off screen); the headless host
// and the default use CPixelSurface, a plain buffer tests can read.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/ui/UiTypes.h"

namespace vk {

// A pen. Width 0 or 1 is a one-pixel line; wider geometric pens with square caps
// reach half their width beyond both ends.
struct Pen {
    COLORREF color = 0;
    int width = 0;
    bool squareCaps = false;
    friend bool operator==(const Pen&, const Pen&) = default;
};

class IDrawingSurface {
public:
    virtual ~IDrawingSurface() = default;

    [[nodiscard]] virtual Size GetSize() const = 0;
    virtual void FillRect(const Rect& r, COLORREF color) = 0;
    // Lines through the points in order (nothing for fewer than two).
    virtual void Polyline(std::span<const Point> points, const Pen& pen) = 0;
    // One line of text whose cell starts at `at` (left, top). With a background
    // colour the cell is filled first (opaque mode), else only the letters are drawn.
    virtual void TextOut(Point at, std::string_view text, const DialogFont& font, COLORREF color,
                         std::optional<COLORREF> background = std::nullopt) = 0;
    [[nodiscard]] virtual Size GetTextExtent(const DialogFont& font, std::string_view text) = 0;
    // The whole picture of another surface of the same kind and size, in one copy.
    // False (and nothing drawn) when this surface cannot take it.
    virtual bool CopyPicture(const IDrawingSurface& source)
    {
        (void)source;
        return false;
    }

    void Line(Point from, Point to, const Pen& pen)
    {
        const Point points[] = {from, to};
        Polyline(points, pen);
    }
};

// The stock font of a fresh drawing context (the classic system font).
inline const DialogFont kSystemFont{"System", 0, 16, 700, false};

// "&x" marks an underlined letter and "&&" is one ampersand: the text as shown.
[[nodiscard]] std::string StripPrefixes(std::string_view text);

// The system's look for disabled text: embossed, the letters in the highlight
// colour one pixel down and right, then in the shadow colour on top; prefixes
// are interpreted.
void DrawDisabledText(IDrawingSurface& dc, Point at, std::string_view text, const DialogFont& font);

// The host's system colours (COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, ... from its
// palette) and the screen's vertical resolution in dots per inch.
[[nodiscard]] COLORREF HostSysColor(int index);
[[nodiscard]] int HostLogPixelsY();
// The height of a drawing context's stock font: 16 pixels at 96 dots per inch,
// shrunk with the dialogs where the host shrinks them (DialogScale), as every font is.
[[nodiscard]] int HostStockFontHeight();

}  // namespace vk
