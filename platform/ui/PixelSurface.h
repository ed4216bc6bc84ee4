#pragma once
// A drawing surface in memory: W x H colours that tests read back. Lines are
// drawn pixel by pixel (a pen of width w stamps a w x w square on every point,
// so wide pens have square ends); text is drawn as block letters, each
// character a filled box in a cell of (height / 2) x height pixels, blanks
// empty, so tests can see where text lies without a font engine.

#include <cstdint>
#include <vector>

#include "platform/ui/Surface.h"

namespace vk {

class CPixelSurface final : public IDrawingSurface {
public:
    explicit CPixelSurface(Size size = {}, COLORREF fill = 0);

    [[nodiscard]] Size GetSize() const override { return m_size; }
    void FillRect(const Rect& r, COLORREF color) override;
    void Polyline(std::span<const Point> points, const Pen& pen) override;
    void TextOut(Point at, std::string_view text, const DialogFont& font, COLORREF color,
                 std::optional<COLORREF> background = std::nullopt) override;
    [[nodiscard]] Size GetTextExtent(const DialogFont& font, std::string_view text) override;

    // The colour at (x, y); 0xFFFFFFFF outside the surface.
    [[nodiscard]] COLORREF Pixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF color);
    // The same extent the headless host measures: characters x (height / 2), height.
    [[nodiscard]] static Size TextExtent(const DialogFont& font, std::string_view text);
    // Copies another surface's pixels (sizes may differ; the overlap is copied).
    void CopyFrom(const CPixelSurface& other);
    bool CopyPicture(const IDrawingSurface& source) override;

private:
    void Stamp(int x, int y, int w, COLORREF color);

    Size m_size;
    std::vector<COLORREF> m_pixels;
};

}  // namespace vk
