// The headless host's screen: the pictures copied to controls, kept as pixels.
#include "platform/ui/headless/HeadlessHost.h"

namespace vk {

void CHeadlessHost::BlitToControl(CDialog& dlg, const CControl& ctrl, const IDrawingSurface& surface)
{
    const auto* pixels = dynamic_cast<const CPixelSurface*>(&surface);
    if (!pixels)
        return;  // not one of ours
    Screen& screen = m_screens[{&dlg, ctrl.Id()}];
    if (screen.pixels.GetSize() != pixels->GetSize())
        screen.pixels = CPixelSurface(pixels->GetSize());
    screen.pixels.CopyFrom(*pixels);
    ++screen.copies;
}

const CPixelSurface* CHeadlessHost::LastBlit(const CDialog& dlg, int id) const
{
    const auto it = m_screens.find({&dlg, id});
    return it == m_screens.end() ? nullptr : &it->second.pixels;
}

int CHeadlessHost::BlitCount(const CDialog& dlg, int id) const
{
    const auto it = m_screens.find({&dlg, id});
    return it == m_screens.end() ? 0 : it->second.copies;
}

CPixelSurface CHeadlessHost::RenderControl(CDialog& dlg, int id)
{
    const CControl* ctrl = dlg.FindControl(id);
    if (!ctrl)
        return CPixelSurface();
    CPixelSurface pixels(ControlClientSize(dlg, *ctrl), SysColor(COLOR_BTNFACE));
    if (const CPixelSurface* last = LastBlit(dlg, id))
        pixels.CopyFrom(*last);
    else if (ctrl->GetPaintHandler())
        ctrl->GetPaintHandler()(pixels);
    return pixels;
}

}  // namespace vk
