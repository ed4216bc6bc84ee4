#pragma once
// Drawing with QPainter: CQtPainterSurface draws through a painter that someone
// else began (a control's paint event); CQtSurface owns a QImage and its painter
// (the off-screen surface). Shapes are drawn without smoothing, like the classic
// drawing; text keeps the font's own smoothing.

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <optional>

#include "platform/ui/Surface.h"

namespace vk {

class CQtPainterSurface : public IDrawingSurface {
public:
    CQtPainterSurface(QPainter* painter, Size size) : m_painter(painter), m_size(size) {}

    [[nodiscard]] Size GetSize() const override { return m_size; }
    void FillRect(const Rect& r, COLORREF color) override;
    void Polyline(std::span<const Point> points, const Pen& pen) override;
    void TextOut(Point at, std::string_view text, const DialogFont& font, COLORREF color,
                 std::optional<COLORREF> background = std::nullopt) override;
    [[nodiscard]] Size GetTextExtent(const DialogFont& font, std::string_view text) override;

protected:
    CQtPainterSurface() = default;
    void Attach(QPainter* painter, Size size)
    {
        m_painter = painter;
        m_size = size;
    }

private:
    // The design font as a Qt font, kept for the next call (converting costs a measurement).
    const QFont& Font(const DialogFont& font);
    const QFontMetrics& Metrics(const DialogFont& font);

    QPainter* m_painter = nullptr;
    Size m_size;
    std::optional<DialogFont> m_lastFont;
    QFont m_qfont;
    std::optional<QFontMetrics> m_metrics;
    QPolygon m_polygon;  // reused, so a trace of many points allocates once
};

class CQtSurface final : public CQtPainterSurface {
public:
    explicit CQtSurface(Size size);
    ~CQtSurface() override;
    CQtSurface(const CQtSurface&) = delete;
    CQtSurface& operator=(const CQtSurface&) = delete;

    [[nodiscard]] const QImage& Image() const { return m_image; }
    // One-pixel pens are drawn straight into the image's memory, a column's run
    // at a time, the same pixels as CPixelSurface draws: QPainter's general path
    // costs several times as much per pixel, and a full-scale trace of a wide
    // view is tens of thousands of pixels per block.
    void Polyline(std::span<const Point> points, const Pen& pen) override;
    bool CopyPicture(const IDrawingSurface& source) override;

private:
    QImage m_image;
    QPainter m_painter;
    uint32_t* m_bits = nullptr;
    qsizetype m_stride = 0;  // in pixels
};

}  // namespace vk
