#include "inputs/view/SxGroupBox.h"

namespace vk {
namespace {

int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

void Deflate(Rect& r, int dx, int dy)
{
    r.left += dx;
    r.right -= dx;
    r.top += dy;
    r.bottom -= dy;
}

}  // namespace

CSxGroupBox::CSxGroupBox()
    : m_clrShadow(HostSysColor(COLOR_BTNSHADOW)),
      m_clrHilite(HostSysColor(COLOR_BTNHIGHLIGHT)),
      m_clrDefShadow(m_clrShadow),
      m_clrDefHilite(m_clrHilite),
      // 8 points at the screen's resolution, as a character height.
      m_pFont{"MS Sans Serif", 0, -MulDiv(80, HostLogPixelsY(), 720), 400, false}
{
}

CSxGroupBox::~CSxGroupBox()
{
    // The control may outlive this object (the dialog's controls go last).
    if (m_pCtrl)
        m_pCtrl->SetPaintHandler({});
}

bool CSxGroupBox::SubclassDlgItem(int nID, CDialog* pParent)
{
    if (!pParent)
        return false;
    if (m_pCtrl)
        m_pCtrl->SetPaintHandler({});
    m_pCtrl = &pParent->GetDlgItem(nID);
    PreSubclassWindow();
    m_pCtrl->SetPaintHandler([this](IDrawingSurface& dc) { OnPaint(dc); });
    return true;
}

void CSxGroupBox::PreSubclassWindow()
{
    m_strCaption = m_pCtrl->GetWindowText();
    const unsigned style = m_pCtrl->Style();
    m_nAlign = (style & CS_CENTER) ? kAlignCenter : (style & CS_RIGHT) ? kAlignRight : kAlignLeft;
    // The window rectangle in client coordinates: the client area grown by the border.
    const Size client = m_pCtrl->GetClientSize();
    const int b = m_pCtrl->FrameBorder();
    m_rcFrame = FrameFromWindowRect({-b, -b, client.cx + b, client.cy + b}, (style & CS_MODALFRAME) != 0, false, false);
}

Rect CSxGroupBox::FrameFromWindowRect(Rect r, bool modalFrame, bool clientEdge, bool staticEdge)
{
    const int cxEdge = GetSystemMetrics(SM_CXEDGE), cyEdge = GetSystemMetrics(SM_CYEDGE);
    if (modalFrame) {
        Deflate(r, 2 * cxEdge, 2 * cyEdge);
        r.left -= 1;
    }
    if (clientEdge) {
        Deflate(r, cxEdge + 1, cyEdge + 1);
        r.left -= 1;
        if (modalFrame)
            r.right += 1;
    }
    if (staticEdge) {
        Deflate(r, 2 * GetSystemMetrics(SM_CXBORDER), 2 * GetSystemMetrics(SM_CYBORDER));
        r.left -= 1;
    }
    return r;
}

void CSxGroupBox::SetColors(COLORREF clrShadow, COLORREF clrHilite, bool bRedraw)
{
    m_clrShadow = clrShadow == 0 ? m_clrDefShadow : clrShadow;
    m_clrHilite = clrHilite == 0 ? m_clrDefHilite : clrHilite;
    if (bRedraw && m_pCtrl)
        m_pCtrl->Invalidate();
}

void CSxGroupBox::GetColors(COLORREF& clrShadow, COLORREF& clrHilite) const
{
    clrShadow = m_clrShadow;
    clrHilite = m_clrHilite;
}

void CSxGroupBox::OnPaint(IDrawingSurface& dc)
{
    const int L = m_rcFrame.left, T = m_rcFrame.top, R = m_rcFrame.right, B = m_rcFrame.bottom;
    const int w = m_nLineWidth;
    // A blank on each side, so an empty caption still leaves a gap of two blanks.
    const std::string text = " " + m_strCaption + " ";
    // The height of the context's stock font, 16 pixels at 96 dots per inch. Taken
    // as that rather than measured: hosts without that font would substitute one
    // of another height and move the top line with the installed fonts.
    const int h0 = HostStockFontHeight();
    const Size extent = dc.GetTextExtent(m_pFont, text);
    const int cx = extent.cx, cy = extent.cy;
    const int y = T + h0 / 2 - 1;

    int x1 = L + m_nIndent;
    int x2 = x1 + cx;
    if (m_nAlign == kAlignRight) {
        x2 = R - m_nIndent;
        x1 = x2 - cx;
    } else if (m_nAlign == kAlignCenter) {
        x1 = (R - cx - L) / 2;
        x2 = x1 + cx;
    }

    const bool enabled = !m_pCtrl || m_pCtrl->IsWindowEnabled();
    const Pen dark{enabled ? m_clrShadow : m_clrDefShadow, w, true};
    const Pen light{enabled ? m_clrHilite : m_clrDefHilite, w, true};

    const Point darkLine[] = {{x1, y}, {L, y}, {L, B - w}, {R - w, B - w}, {R - w, y}, {x2, y}};
    dc.Polyline(darkLine, dark);
    const Point lightLeft[] = {{x1, y + w}, {L + w, y + w}, {L + w, B - 2 * w}};
    dc.Polyline(lightLeft, light);
    const Point lightRight[] = {{L + w, B}, {R, B}, {R, y + w}};
    dc.Polyline(lightRight, light);
    dc.Line({R - 2 * w, y + w}, {x2, y + w}, light);

    // The caption sits in the gap, centred on the top line.
    const Point at{x1, y - cy / 2};
    if (enabled)
        dc.TextOut(at, StripPrefixes(text), m_pFont, m_clrText);
    else
        DrawDisabledText(dc, at, text, m_pFont);
}

}  // namespace vk
