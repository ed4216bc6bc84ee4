#include "platform/ui/qt/QtWindowFrames.h"

#include <QWidget>
#include <QWindow>

namespace vk {

QMargins CWindowFrames::Of(const QWidget& window)
{
    const QWindow* handle = window.windowHandle();
    const QMargins reported = handle ? handle->frameMargins() : QMargins();
    return Choose(reported, window.windowFlags().testFlag(Qt::FramelessWindowHint));
}

QMargins CWindowFrames::Choose(QMargins reported, bool frameless)
{
    if (frameless)
        return {};
    if (!reported.isNull())
        m_lastSeen = reported;
    return m_lastSeen;
}

}  // namespace vk
