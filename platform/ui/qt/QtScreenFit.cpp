#include "platform/ui/qt/QtScreenFit.h"

#include <QGuiApplication>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/ui/Dialog.h"

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
    if (roomX <= 0 || roomY <= 0)
        return DialogFontScale();
    // Fonts come in whole pixels, so the size does not follow the scale exactly:
    // shrink by the missing ratio, then a little more, until it fits.
    for (int step = 0; step < 16; ++step) {
        const Size size = dlg.ClientSize();
        if ((size.cx <= roomX && size.cy <= roomY) || DialogFontScale() <= kMinDialogFontScale)
            break;
        const double ratio = std::min(double(roomX) / std::max(1, size.cx), double(roomY) / std::max(1, size.cy));
        SetDialogFontScale(DialogFontScale() * std::min(ratio, 0.98));
    }
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
