#pragma once
// What the window manager adds around our windows. It tells a window's frame some
// time after the window is shown (on X11 once it has reparented the window); until
// then Qt reports none, and a placement read in that moment is the window without
// its frame: the next window placed from it lands a title bar lower. All our
// windows get the same decoration, so the last frame seen stands in for one that
// has not been told yet.

#include <QMargins>

class QWidget;

namespace vk {

class CWindowFrames {
public:
    [[nodiscard]] QMargins Of(const QWidget& window);
    // The reported frame when there is one, none for a frameless window, else the
    // last frame seen.
    [[nodiscard]] QMargins Choose(QMargins reported, bool frameless);

private:
    QMargins m_lastSeen;
};

}  // namespace vk
