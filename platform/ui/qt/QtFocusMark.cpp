#include "platform/ui/qt/QtFocusMark.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace vk {

CQtFocusMark::CQtFocusMark(QWidget& window) : QWidget(&window), m_window(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void CQtFocusMark::Follow(QWidget* focused)
{
    if (m_target)
        m_target->removeEventFilter(this);
    m_target = nullptr;
    // The control itself: a part of a compound control (a slider's handle) counts as its control.
    QWidget* control = focused;
    while (control && control->parentWidget() != &m_window)
        control = control->parentWidget();
    // A window the dialog owns (a message box) is no control of it: its mark would
    // be drawn over the dialog's own controls.
    if (!control || control == this || control->isWindow() || !control->isVisible()) {
        hide();
        return;
    }
    m_target = control;
    control->installEventFilter(this);  // follows it when it moves or hides
    setGeometry(control->geometry());
    raise();
    show();
    update();
}

bool CQtFocusMark::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_target) {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            setGeometry(m_target->geometry());
        else if (event->type() == QEvent::Hide)
            hide();
        else if (event->type() == QEvent::Show && m_target->hasFocus())
            show();
    }
    return QWidget::eventFilter(watched, event);
}

void CQtFocusMark::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QPen pen(palette().color(QPalette::Highlight));
    pen.setStyle(Qt::DotLine);
    pen.setWidth(1);
    p.setPen(pen);
    p.drawRect(rect().adjusted(1, 1, -2, -2));
}

}  // namespace vk
