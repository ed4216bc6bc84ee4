#include "inputs/view/BaseView.h"

namespace vk {

CBaseView::CBaseView() = default;

CBaseView::~CBaseView() = default;

bool CBaseView::Create(CDialog* pParent, int nID)
{
    if (!pParent)
        return false;
    m_pParent = pParent;
    m_pCtrl = &pParent->GetDlgItem(nID);
    const Size size = m_pCtrl->GetClientSize();
    m_rcClient = {0, 0, size.cx, size.cy};

    // Bold italic 12-pixel letters for the title; faces Linux lacks fall back to its sans font.
    m_fontText = {"Tahoma", 0, 12, 900, true};
    m_dcMem = UiHost().CreateSurface(size);
    m_penSelected = {RGB(255, 255, 255), 0, false};
    m_bOpaque = false;
    m_clrBk = RGB(0, 0, 0);
    m_clrText = RGB(255, 255, 0);
    m_dcMem->FillRect(m_rcClient, m_brBack);
    return true;
}

void CBaseView::Erase()
{
    if (!m_dcMem)
        return;
    m_dcMem->FillRect(m_rcClient, m_brBack);
    MoveTo({0, m_rcClient.bottom / 2});
}

void CBaseView::Blit()
{
    if (m_pCtrl && m_dcMem)
        m_pCtrl->Blit(*m_dcMem);
}

Pen CBaseView::SelectPen(const Pen& pen)
{
    const Pen previous = m_penSelected;
    m_penSelected = pen;
    return previous;
}

void CBaseView::LineTo(Point p)
{
    if (m_dcMem)
        m_dcMem->Line(m_ptCurrent, p, m_penSelected);
    m_ptCurrent = p;
}

void CBaseView::TextOut(Point at, const std::string& text)
{
    if (m_dcMem)
        m_dcMem->TextOut(at, text, m_fontText, m_clrText, m_bOpaque ? std::optional<COLORREF>(m_clrBk) : std::nullopt);
}

}  // namespace vk
