// The page's own drawing: panel frames in two colours and the signal view.
#include "inputs/InputsSurfaces.h"

#include "platform/ui/Dialog.h"

namespace vk {

void CInputsSurfaces::AttachPanels(CDialog& page, const std::array<int, 4>& frameIds)
{
    m_page = &page;
    m_panelIds = frameIds;
    for (size_t i = 0; i < m_panels.size(); ++i)
        (void)m_panels[i].SubclassDlgItem(frameIds[i], &page);
}

void CInputsSurfaces::GetPanelColors(int c, COLORREF& shadow, COLORREF& hilite) const
{
    m_panels[static_cast<size_t>(c & 3)].GetColors(shadow, hilite);
}

void CInputsSurfaces::SetPanelColors(int c, COLORREF shadow, COLORREF hilite, bool redraw)
{
    m_panels[static_cast<size_t>(c & 3)].SetColors(shadow, hilite, redraw);
}

void CInputsSurfaces::RedrawPanel(int c)
{
    if (m_page)
        m_page->GetDlgItem(m_panelIds[static_cast<size_t>(c & 3)]).Invalidate();
}

bool CInputsSurfaces::CreateView(CDialog& page, int viewId)
{
    m_page = &page;
    return m_view.Create(&page, viewId);
}

void CInputsSurfaces::SetSweep(int samples) { m_view.SetSweep(samples); }

void CInputsSurfaces::ShowSamples(int16_t* samples, int count, const std::string& title)
{
    m_strLastTitle = title;
    m_nLastCount = samples ? count : -1;
    ++m_nBlocks;
    m_view.ShowSamples(samples, count, title);
}

}  // namespace vk
