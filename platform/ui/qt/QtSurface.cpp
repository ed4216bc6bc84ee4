// QPainter surfaces: through a painter someone began, or into an owned QImage.
#include "platform/ui/qt/QtSurface.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ui/LineRaster.h"
#include "platform/ui/qt/QtHost.h"

namespace vk {
namespace {

QColor ToQColor(COLORREF c) { return QColor(int(GetRValue(c)), int(GetGValue(c)), int(GetBValue(c))); }
QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

// --- painter surfaces -------------------------------------------------------------------

const QFont& CQtPainterSurface::Font(const DialogFont& font)
{
    if (!m_lastFont || !(*m_lastFont == font)) {
        m_qfont = ToQFont(font);
        m_metrics.emplace(m_qfont);
        m_lastFont = font;
    }
    return m_qfont;
}

const QFontMetrics& CQtPainterSurface::Metrics(const DialogFont& font)
{
    (void)Font(font);
    return *m_metrics;
}

void CQtPainterSurface::FillRect(const Rect& r, COLORREF color)
{
    m_painter->fillRect(QRect(r.left, r.top, r.Width(), r.Height()), ToQColor(color));
}

void CQtPainterSurface::Polyline(std::span<const Point> points, const Pen& pen)
{
    if (points.size() < 2)
        return;
    QPen qpen(ToQColor(pen.color));
    qpen.setWidth(pen.width <= 1 && !pen.squareCaps ? 0 : std::max(1, pen.width));  // 0: cosmetic
    qpen.setCapStyle(pen.squareCaps ? Qt::SquareCap : Qt::FlatCap);
    qpen.setJoinStyle(Qt::MiterJoin);
    m_painter->setPen(qpen);
    m_polygon.resize(static_cast<qsizetype>(points.size()));
    for (size_t i = 0; i < points.size(); ++i)
        m_polygon[static_cast<qsizetype>(i)] = QPoint(points[i].x, points[i].y);
    m_painter->drawPolyline(m_polygon);
}

void CQtPainterSurface::TextOut(Point at, std::string_view text, const DialogFont& font, COLORREF color,
                                std::optional<COLORREF> background)
{
    const QString qtext = ToQString(text);
    const QFontMetrics& fm = Metrics(font);
    if (background)
        m_painter->fillRect(QRect(QPoint(at.x, at.y), fm.size(Qt::TextSingleLine, qtext)), ToQColor(*background));
    m_painter->setFont(m_qfont);
    m_painter->setPen(ToQColor(color));
    m_painter->drawText(QPoint(at.x, at.y + fm.ascent()), qtext);
}

Size CQtPainterSurface::GetTextExtent(const DialogFont& font, std::string_view text)
{
    const QSize s = Metrics(font).size(Qt::TextSingleLine, ToQString(text));
    return {s.width(), s.height()};
}

CQtSurface::CQtSurface(Size size) : m_image(std::max(1, size.cx), std::max(1, size.cy), QImage::Format_RGB32)
{
    m_image.fill(Qt::black);  // a new bitmap is black
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    // The image is never shared (copies to controls are deep), so its memory stays put.
    m_bits = reinterpret_cast<uint32_t*>(m_image.bits());
    m_stride = m_image.bytesPerLine() / 4;
    Attach(&m_painter, size);
}

CQtSurface::~CQtSurface() { m_painter.end(); }

void CQtSurface::Polyline(std::span<const Point> points, const Pen& pen)
{
    if (pen.width > 1 || pen.squareCaps) {
        CQtPainterSurface::Polyline(points, pen);
        return;
    }
    const uint32_t rgb = qRgb(int(GetRValue(pen.color)), int(GetGValue(pen.color)), int(GetBValue(pen.color)));
    const int w = m_image.width(), h = m_image.height();
    const auto total = static_cast<size_t>(h) * static_cast<size_t>(m_stride);
    const auto inX = [w](int x) { return static_cast<unsigned>(x) < static_cast<unsigned>(w); };
    for (size_t i = 1; i < points.size(); ++i) {
        const Point a = points[i - 1], b = points[i];
        if (!inX(a.x) || !inX(b.x)) {
            RasterLine(a, b, [&](int x, int y) {
                if (inX(x) && static_cast<unsigned>(y) < static_cast<unsigned>(h))
                    m_bits[y * m_stride + x] = rgb;
            });
            continue;
        }
        // Both ends inside the width: a pixel lies inside the image exactly when its
        // index does, so one comparison per pixel clips rows above and below.
        const int dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y);
        const qsizetype sx = a.x < b.x ? 1 : -1;
        const qsizetype sy = a.y < b.y ? m_stride : -m_stride;
        qsizetype idx = static_cast<qsizetype>(a.y) * m_stride + a.x;
        const bool steep = dy >= dx;
        const int major = steep ? dy : dx, minor = steep ? dx : dy;
        const qsizetype majorStep = steep ? sy : sx, minorStep = steep ? sx : sy;
        int err = major / 2;
        for (int k = 0; k <= major; ++k) {
            if (static_cast<size_t>(idx) < total)
                m_bits[idx] = rgb;
            idx += majorStep;
            err -= minor;
            if (err < 0) {
                err += major;
                idx += minorStep;
            }
        }
    }
}
}  // namespace vk
