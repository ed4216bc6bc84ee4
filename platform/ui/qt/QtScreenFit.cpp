#include "platform/ui/qt/QtScreenFit.h"

#include <QGuiApplication>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/ui/Dialog.h"
#include "platform/ui/DialogHost.h"

namespace vk {
namespace {

std::atomic<double> g_scale{1.0};

}  // namespace

double DialogFontScale() { return g_scale.load(std::memory_order_relaxed); }

void SetDialogFontScale(double scale) { g_scale.store(std::clamp(scale, kMinDialogFontScale, 1.0), std::memory_order_relaxed); }

double FitDialogToWorkArea(const CDialog& dlg, QSize workArea, QMargins frame)
{
    const int roomX = workArea.width() - frame.left() - frame.right();
    const int roomY = workArea.height() - frame.top() - frame.bottom();
    const Size base = UiHost().DialogBaseUnits(dlg.GetFont());
    const double designedX = dlg.Template().width * base.cx / 4.0;
    const double designedY = dlg.Template().height * base.cy / 8.0;
    if (roomX <= 0 || roomY <= 0 || designedX <= 0 || designedY <= 0)
        return DialogFontScale();
    // The layout follows the scale exactly (CQtHost::DialogScale), so one
    // division finds the largest that fits.
    const double fit = std::min(double(roomX) / designedX, double(roomY) / designedY);
    if (fit < DialogFontScale())
        SetDialogFontScale(fit);
    return DialogFontScale();
}

bool FitsWindowsToScreen()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        return true;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform && std::strstr(platform, "configfile=");
}

}  // namespace vk
