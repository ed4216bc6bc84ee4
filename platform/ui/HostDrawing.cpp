// The drawing defaults of IDialogHost: what a host without a screen offers.
#include <algorithm>

#include "platform/ui/Control.h"
#include "platform/ui/DialogHost.h"
#include "platform/ui/PixelSurface.h"

namespace vk {

std::unique_ptr<IDrawingSurface> IDialogHost::CreateSurface(Size size) { return std::make_unique<CPixelSurface>(size); }

void IDialogHost::BlitToControl(CDialog&, const CControl&, const IDrawingSurface&) {}

Size IDialogHost::ControlClientSize(CDialog&, const CControl& ctrl)
{
    const Rect r = ctrl.GetClientRectInDialog();
    const int border = 2 * ctrl.FrameBorder();
    return {std::max(0, r.Width() - border), std::max(0, r.Height() - border)};
}

COLORREF IDialogHost::SysColor(int index) { return GetSysColor(index); }

int IDialogHost::LogPixelsY() { return 96; }

}  // namespace vk
