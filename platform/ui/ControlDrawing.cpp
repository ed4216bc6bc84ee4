// CControl's drawing by the code: paint handlers, copies of off-screen surfaces, the client area.
#include "platform/ui/Control.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Surface.h"

namespace vk {

void CControl::SetPaintHandler(PaintHandler handler)
{
    m_paint = std::move(handler);
    Changed(CC_DRAWING);
}

void CControl::Blit(const IDrawingSurface& surface)
{
    if (m_owner.HasWindow())
        UiHost().BlitToControl(m_owner, *this, surface);
}

int CControl::FrameBorder() const { return (m_style & CS_MODALFRAME) ? GetSystemMetrics(SM_CXDLGFRAME) : 0; }

Size CControl::GetClientSize() const { return UiHost().ControlClientSize(m_owner, *this); }

}  // namespace vk
