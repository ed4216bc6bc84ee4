#pragma once
// A picture that the code draws itself (the signal view, the panel frames): a
// list of drawing steps in control pixels, replayed by the host when the control
// is painted. Platform-free, so tests can look at what was drawn.

#include <string>
#include <vector>

#include "platform/ui/UiTypes.h"

namespace vk {

struct DrawStep {
    enum class Kind { FillRect, Polyline, Text };
    Kind kind = Kind::FillRect;
    COLORREF color = 0;  // fill, pen or text colour
    int width = 1;       // pen width in pixels
    Rect rect;           // FillRect; Text: where the text starts (left, top)
    std::vector<Point> points;  // Polyline
    std::string text;
    DialogFont font;
    bool opaque = false;        // Text: fill the text's box with background first
    COLORREF background = 0;
};

class CDrawing {
public:
    void FillRect(const Rect& r, COLORREF color)
    {
        DrawStep s;
        s.kind = DrawStep::Kind::FillRect;
        s.rect = r;
        s.color = color;
        m_steps.push_back(std::move(s));
    }
    void Polyline(std::vector<Point> points, COLORREF color, int width = 1)
    {
        DrawStep s;
        s.kind = DrawStep::Kind::Polyline;
        s.points = std::move(points);
        s.color = color;
        s.width = width;
        m_steps.push_back(std::move(s));
    }
    void Line(Point from, Point to, COLORREF color, int width = 1) { Polyline({from, to}, color, width); }
    void Text(Point at, const std::string& text, const DialogFont& font, COLORREF color, bool opaque = false,
              COLORREF background = 0)
    {
        DrawStep s;
        s.kind = DrawStep::Kind::Text;
        s.rect = {at.x, at.y, at.x, at.y};
        s.text = text;
        s.font = font;
        s.color = color;
        s.opaque = opaque;
        s.background = background;
        m_steps.push_back(std::move(s));
    }
    void Clear() { m_steps.clear(); }
    [[nodiscard]] const std::vector<DrawStep>& Steps() const { return m_steps; }
    [[nodiscard]] bool Empty() const { return m_steps.empty(); }

private:
    std::vector<DrawStep> m_steps;
};

}  // namespace vk
