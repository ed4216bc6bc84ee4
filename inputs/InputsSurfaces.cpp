// The page's own drawing: panel frames in two colours and the signal view.
#include "inputs/InputsSurfaces.h"

#include "platform/ui/Dialog.h"

namespace vk {

void CInputsSurfaces::AttachPanels(CDialog& page, const std::array<int, 4>& frameIds)
{
    m_page = &page;
    for (size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i].id = frameIds[i];
        DrawPanel(m_panels[i]);
    }
}

void CInputsSurfaces::GetPanelColors(int c, COLORREF& shadow, COLORREF& hilite) const
{
    const Panel& panel = m_panels[static_cast<size_t>(c & 3)];
    shadow = panel.shadow;
    hilite = panel.hilite;
}

void CInputsSurfaces::SetPanelColors(int c, COLORREF shadow, COLORREF hilite, bool redraw)
{
    Panel& panel = m_panels[static_cast<size_t>(c & 3)];
    // 0 stands for the system colour: black cannot be set.
    panel.shadow = shadow ? shadow : GetSysColor(COLOR_BTNSHADOW);
    panel.hilite = hilite ? hilite : GetSysColor(COLOR_BTNHIGHLIGHT);
    if (redraw)
        RedrawPanel(c);
}

void CInputsSurfaces::RedrawPanel(int c) { DrawPanel(m_panels[static_cast<size_t>(c & 3)]); }

// An etched rectangle: the outer line in the first colour, the inner one in the second.
void CInputsSurfaces::DrawPanel(const Panel& panel)
{
    if (!m_page || panel.id == 0)
        return;
    CControl& ctrl = m_page->GetDlgItem(panel.id);
    const Rect r = ctrl.GetClientRectInDialog();
    const int w = r.Width();
    const int h = r.Height();
    const int top = 6;
    CDrawing d;
    d.Polyline({{0, top}, {w - 2, top}, {w - 2, h - 2}, {0, h - 2}, {0, top}}, panel.shadow);
    d.Polyline({{1, top + 1}, {w - 1, top + 1}, {w - 1, h - 1}, {1, h - 1}, {1, top + 1}}, panel.hilite);
    ctrl.SetDrawing(std::move(d));
}

bool CInputsSurfaces::CreateView(CDialog& page, int viewId)
{
    m_page = &page;
    m_nViewId = viewId;
    return true;
}

void CInputsSurfaces::SetSweep(int samples) { m_nSweep = samples; }

void CInputsSurfaces::ShowSamples(int16_t* samples, int count, const std::string& title)
{
    m_strLastTitle = title;
    m_nLastCount = samples ? count : -1;
    ++m_nBlocks;
}

}  // namespace vk
