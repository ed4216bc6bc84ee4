#include "inputs/view/OSCView.h"

namespace vk {

COSCView::COSCView() = default;

COSCView::~COSCView() = default;

bool COSCView::Create(CDialog* pParent, int nID)
{
    if (!CBaseView::Create(pParent, nID))
        return false;
    Erase();
    DrawGrid();
    m_trace.Allocate(m_rcClient.right, m_rcClient.bottom);
    m_backdrop = UiHost().CreateSurface({m_rcClient.right, m_rcClient.bottom});
    m_backdropTitle.reset();
    return true;
}

void COSCView::SetSweep(int nSweep) { m_trace.SetSweep(nSweep); }

void COSCView::DrawGrid()
{
    const int W = m_rcClient.right;
    const int H = m_rcClient.bottom;
    const Pen previous = SelectPen(m_penGrid);
    for (const int y : {H / 2, H / 4, 3 * H / 4}) {
        MoveTo({0, y});
        LineTo({W, y});
    }
    SelectPen(previous);
}

void COSCView::SetTitle(const std::string& text)
{
    Erase();
    DrawGrid();
    m_bOpaque = true;  // black behind the letters
    if (!text.empty())
        TextOut({12, m_rcClient.bottom / 4 - 12}, text);
}

void COSCView::AddSamples(int16_t* p, int n) { m_trace.AddSamples(p, n); }

void COSCView::ShowSamples(int16_t* p, int n, const std::string& title)
{
    if (p && m_trace.HasPoints() && n >= 0) {
        AddSamples(p, n);
        DrawBackdrop(title);
        const Pen previous = SelectPen(m_penTrace);
        if (m_dcMem)
            m_dcMem->Polyline(m_trace.Points(), m_penSelected);
        SelectPen(previous);
        Blit();
        return;
    }
    SetTitle(title);
    m_trace.Flatten();
}

void COSCView::DrawBackdrop(const std::string& title)
{
    if (m_backdrop && m_dcMem && m_backdropTitle == title && m_dcMem->CopyPicture(*m_backdrop)) {
        // What SetTitle leaves selected, as if it had drawn.
        m_bOpaque = true;
        MoveTo({m_rcClient.right, 3 * m_rcClient.bottom / 4});
        return;
    }
    SetTitle(title);
    m_backdropTitle.reset();
    if (m_backdrop && m_dcMem && m_backdrop->CopyPicture(*m_dcMem))
        m_backdropTitle = title;
}

}  // namespace vk
