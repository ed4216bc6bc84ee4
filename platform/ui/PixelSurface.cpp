#include "platform/ui/PixelSurface.h"

#include <algorithm>

#include "platform/ui/LineRaster.h"

namespace vk {

CPixelSurface::CPixelSurface(Size size, COLORREF fill)
    : m_size{std::max(0, size.cx), std::max(0, size.cy)},
      m_pixels(static_cast<size_t>(m_size.cx) * static_cast<size_t>(m_size.cy), fill)
{
}

COLORREF CPixelSurface::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_size.cx || y >= m_size.cy)
        return 0xFFFFFFFFu;
    return m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_size.cx) + static_cast<size_t>(x)];
}

void CPixelSurface::SetPixel(int x, int y, COLORREF color)
{
    if (x < 0 || y < 0 || x >= m_size.cx || y >= m_size.cy)
        return;
    m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_size.cx) + static_cast<size_t>(x)] = color;
}

void CPixelSurface::FillRect(const Rect& r, COLORREF color)
{
    const int left = std::max(r.left, 0), right = std::min(r.right, m_size.cx);
    const int top = std::max(r.top, 0), bottom = std::min(r.bottom, m_size.cy);
    for (int y = top; y < bottom; ++y)
        std::fill_n(m_pixels.begin() + static_cast<ptrdiff_t>(y) * m_size.cx + left, std::max(0, right - left), color);
}

void CPixelSurface::Stamp(int x, int y, int w, COLORREF color)
{
    if (w <= 1) {
        SetPixel(x, y, color);
        return;
    }
    const int x0 = x - w / 2, y0 = y - w / 2;
    FillRect({x0, y0, x0 + w, y0 + w}, color);
}

void CPixelSurface::Polyline(std::span<const Point> points, const Pen& pen)
{
    for (size_t i = 1; i < points.size(); ++i)
        RasterLine(points[i - 1], points[i], [&](int x, int y) { Stamp(x, y, pen.width, pen.color); });
}

Size CPixelSurface::TextExtent(const DialogFont& font, std::string_view text)
{
    int height = 13;
    if (font.pointSize > 0)
        height = (font.pointSize * 96 + 36) / 72;
    else if (font.height != 0)
        height = std::abs(font.height);
    return {static_cast<int>(text.size()) * height / 2, height};
}

Size CPixelSurface::GetTextExtent(const DialogFont& font, std::string_view text) { return TextExtent(font, text); }

void CPixelSurface::TextOut(Point at, std::string_view text, const DialogFont& font, COLORREF color,
                            std::optional<COLORREF> background)
{
    const Size extent = TextExtent(font, text);
    if (background)
        FillRect({at.x, at.y, at.x + extent.cx, at.y + extent.cy}, *background);
    const int cell = extent.cy / 2;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ')
            continue;
        const int left = at.x + static_cast<int>(i) * cell;
        FillRect({left + 1, at.y + 1, left + cell - 1, at.y + extent.cy - 1}, color);
    }
}

void CPixelSurface::CopyFrom(const CPixelSurface& other)
{
    if (other.m_size == m_size) {
        std::copy(other.m_pixels.begin(), other.m_pixels.end(), m_pixels.begin());
        return;
    }
    for (int y = 0; y < std::min(m_size.cy, other.m_size.cy); ++y)
        for (int x = 0; x < std::min(m_size.cx, other.m_size.cx); ++x)
            SetPixel(x, y, other.Pixel(x, y));
}

bool CPixelSurface::CopyPicture(const IDrawingSurface& source)
{
    const auto* pixels = dynamic_cast<const CPixelSurface*>(&source);
    if (!pixels || pixels->GetSize() != m_size)
        return false;
    m_pixels = pixels->m_pixels;
    return true;
}

}  // namespace vk
