// The Qt host's drawing: QImage surfaces, copies of pictures to canvases, the
// modal frame of controls and the palette's system colours.
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/ui/PixelSurface.h"
#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtSurface.h"
#include "platform/ui/qt/QtWindows.h"

namespace vk {
namespace {

COLORREF FromQColor(const QColor& c) { return RGB(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue())); }

QImage ToQImage(const CPixelSurface& pixels)
{
    const Size size = pixels.GetSize();
    QImage image(size.cx, size.cy, QImage::Format_RGB32);
    for (int y = 0; y < size.cy; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.cx; ++x) {
            const COLORREF c = pixels.Pixel(x, y);
            line[x] = qRgb(int(GetRValue(c)), int(GetGValue(c)), int(GetBValue(c)));
        }
    }
    return image;
}

// The raised, doubled border of a control with a modal frame, `border` pixels wide
// on every side (a QRect's right and bottom are its last pixels, so ring i lies
// i pixels inside them).
void DrawModalFrame(QPainter& p, const QRect& r, int border, const QPalette& pal)
{
    const QColor rings[3][2] = {{pal.color(QPalette::Midlight), pal.color(QPalette::Shadow)},
                                {pal.color(QPalette::Light), pal.color(QPalette::Dark)},
                                {pal.color(QPalette::Button), pal.color(QPalette::Button)}};
    for (int i = 0; i < border; ++i) {
        const QRect ring = r.adjusted(i, i, -i, -i);
        const auto& [topLeft, bottomRight] = rings[std::min(i, 2)];
        p.setPen(topLeft);
        p.drawLine(ring.topLeft(), ring.topRight());
        p.drawLine(ring.topLeft(), ring.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(ring.bottomLeft(), ring.bottomRight());
        p.drawLine(ring.topRight(), ring.bottomRight());
    }
}

}  // namespace

// --- canvases -----------------------------------------------------------------------------

void CQtCanvas::SetBlit(const QImage& image)
{
    // One copy into the canvas's own picture; the buffer is reused from copy to copy.
    if (m_blit.size() != image.size() || m_blit.format() != image.format())
        m_blit = image.copy();
    else
        std::memcpy(m_blit.bits(), image.constBits(), static_cast<size_t>(image.sizeInBytes()));
    update();
}

bool CQtCanvas::PaintByCode(QPainter& p)
{
    if (!m_ctrl)
        return false;
    const int border = m_ctrl->FrameBorder();
    if (border > 0)
        DrawModalFrame(p, rect(), border, palette());
    if (m_blit.isNull() && !m_ctrl->GetPaintHandler())
        return false;
    const QRect client = rect().adjusted(border, border, -border, -border);
    p.save();
    p.setClipRect(client);
    p.translate(client.topLeft());
    if (!m_blit.isNull()) {
        p.drawImage(0, 0, m_blit);
    } else {
        CQtPainterSurface dc(&p, {client.width(), client.height()});
        m_ctrl->GetPaintHandler()(dc);
    }
    p.restore();
    return true;
}
// --- the host --------------------------------------------------------------------------------

std::unique_ptr<IDrawingSurface> CQtHost::CreateSurface(Size size) { return std::make_unique<CQtSurface>(size); }

void CQtHost::BlitToControl(CDialog& dlg, const CControl& ctrl, const IDrawingSurface& surface)
{
    auto* canvas = dynamic_cast<CQtCanvas*>(ControlWidget(dlg, ctrl.Id()));
    if (!canvas)
        return;
    if (const auto* qt = dynamic_cast<const CQtSurface*>(&surface))
        canvas->SetBlit(qt->Image());
    else if (const auto* pixels = dynamic_cast<const CPixelSurface*>(&surface))
        canvas->SetBlit(ToQImage(*pixels));
}

Size CQtHost::ControlClientSize(CDialog& dlg, const CControl& ctrl)
{
    const QWidget* w = ControlWidget(dlg, ctrl.Id());
    if (!w)
        return IDialogHost::ControlClientSize(dlg, ctrl);
    const int border = 2 * ctrl.FrameBorder();
    return {std::max(0, w->width() - border), std::max(0, w->height() - border)};
}

COLORREF CQtHost::SysColor(int index)
{
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case COLOR_BTNSHADOW: return FromQColor(pal.color(QPalette::Dark));
    case COLOR_BTNHIGHLIGHT: return FromQColor(pal.color(QPalette::Light));
    case COLOR_BTNFACE: return FromQColor(pal.color(QPalette::Button));
    case COLOR_BTNTEXT: return FromQColor(pal.color(QPalette::ButtonText));
    case COLOR_WINDOWTEXT: return FromQColor(pal.color(QPalette::WindowText));
    case COLOR_GRAYTEXT: return FromQColor(pal.color(QPalette::Disabled, QPalette::WindowText));
    default: return GetSysColor(index);
    }
}

int CQtHost::LogPixelsY()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}
}  // namespace vk
