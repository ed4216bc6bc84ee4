// QPainter surfaces: through a painter someone began, or into an owned QImage.
#include "platform/ui/qt/QtSurface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

namespace {

// Writes one-pixel lines as vertical runs, one column at a time. A trace of column
// extremes draws every column twice (its own maximum to minimum, then half of
// each line to its neighbours), so runs that touch in the same column are merged
// first and each pixel is written once. Runs are clipped to the image.
class CColumnRuns {
public:
    CColumnRuns(uint32_t* bits, qsizetype stride, int width, int height, uint32_t rgb)
        : m_bits(bits), m_stride(stride), m_width(width), m_height(height), m_rgb(rgb)
    {
    }
    ~CColumnRuns() { Flush(); }
    CColumnRuns(const CColumnRuns&) = delete;
    CColumnRuns& operator=(const CColumnRuns&) = delete;

    void Add(int x, int y0, int y1)
    {
        const int top = std::min(y0, y1), bottom = std::max(y0, y1);
        if (m_pending && x == m_x && top <= m_bottom + 1 && bottom >= m_top - 1) {
            m_top = std::min(m_top, top);
            m_bottom = std::max(m_bottom, bottom);
            return;
        }
        Flush();
        m_pending = true;
        m_x = x;
        m_top = top;
        m_bottom = bottom;
    }

    // The pixels of the line from a to b, both ends included: the same pixels as
    // RasterLine, found run by run where the line is vertical or one column wide.
    void Line(Point a, Point b)
    {
        const int dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y);
        if (dx == 0) {
            Add(a.x, a.y, b.y);
        } else if (dx == 1 && dy >= 1) {
            // The line steps sideways after (dy - 1) / 2 rows below its start.
            const int sy = a.y < b.y ? 1 : -1;
            const int rows = (dy - 1) / 2;
            Add(a.x, a.y, a.y + sy * rows);
            Add(b.x, a.y + sy * (rows + 1), b.y);
        } else {
            RasterLine(a, b, [this](int x, int y) { Add(x, y, y); });
        }
    }

private:
    void Flush()
    {
        if (!m_pending)
            return;
        m_pending = false;
        if (static_cast<unsigned>(m_x) >= static_cast<unsigned>(m_width))
            return;
        const int top = std::max(m_top, 0), bottom = std::min(m_bottom, m_height - 1);
        uint32_t* pixel = m_bits + static_cast<qsizetype>(top) * m_stride + m_x;
        for (int y = top; y <= bottom; ++y, pixel += m_stride)
            *pixel = m_rgb;
    }

    uint32_t* m_bits;
    qsizetype m_stride;
    int m_width, m_height;
    uint32_t m_rgb;
    bool m_pending = false;
    int m_x = 0, m_top = 0, m_bottom = 0;
};

}  // namespace

void CQtSurface::Polyline(std::span<const Point> points, const Pen& pen)
{
    if (pen.width > 1 || pen.squareCaps) {
        CQtPainterSurface::Polyline(points, pen);
        return;
    }
    const uint32_t rgb = qRgb(int(GetRValue(pen.color)), int(GetGValue(pen.color)), int(GetBValue(pen.color)));
    CColumnRuns runs(m_bits, m_stride, m_image.width(), m_image.height(), rgb);
    for (size_t i = 1; i < points.size(); ++i)
        runs.Line(points[i - 1], points[i]);
}

bool CQtSurface::CopyPicture(const IDrawingSurface& source)
{
    const auto* qt = dynamic_cast<const CQtSurface*>(&source);
    if (!qt || qt->m_image.size() != m_image.size() || qt->m_image.format() != m_image.format())
        return false;
    std::memcpy(m_bits, qt->m_image.constBits(), static_cast<size_t>(m_image.sizeInBytes()));
    return true;
}

}  // namespace vk
