#include "platform/ui/qt/QtSystemMenuButton.h"

#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QShortcut>
#include <QTimer>

#include "platform/ui/Dialog.h"
#include "platform/ui/qt/QtWindows.h"

namespace vk {
namespace {

// Three short bars: the menu sign every desktop knows, drawn here.
QIcon MenuIcon(const QPalette& palette)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette.color(QPalette::WindowText), 3, Qt::SolidLine, Qt::RoundCap));
    for (const int y : {9, 16, 23})
        p.drawLine(7, y, 25, y);
    return QIcon(pixmap);
}

// What a child covers of the window: a static text only the lines it draws
// (the layouts give titles the whole width), other controls their whole box.
QRect Occupied(const QWidget* child)
{
    const auto* label = qobject_cast<const QLabel*>(child);
    if (!label || !label->pixmap().isNull())
        return child->geometry();
    if (label->text().isEmpty())
        return {};
    const QRect inside = label->contentsRect();
    const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
    return label->fontMetrics().boundingRect(inside, flags, label->text()).translated(label->pos());
}

bool HasEntries(const CDialog* dlg)
{
    if (!dlg)
        return false;
    for (const SystemMenuItem& item : dlg->SystemMenu())
        if (item.id != 0)
            return true;
    return false;
}

}  // namespace

bool FillSystemMenu(QMenu& menu, const CDialog& dlg)
{
    bool pendingSeparator = false;
    bool any = false;
    for (const SystemMenuItem& item : dlg.SystemMenu()) {
        if (item.id == 0) {
            pendingSeparator = any;
            continue;
        }
        if (pendingSeparator)
            menu.addSeparator();
        pendingSeparator = false;
        QAction* action = menu.addAction(QString::fromStdString(item.text));
        action->setData(item.id);
        action->setEnabled(item.enabled);
        any = true;
    }
    return any;
}

CQtSystemMenuButton::CQtSystemMenuButton(CQtDialogWindow& window) : QToolButton(&window), m_window(window)
{
    setAutoRaise(true);
    // Reached with Tab after the designed controls (made last), not by clicking.
    setFocusPolicy(Qt::TabFocus);
    setIcon(MenuIcon(palette()));
    setIconSize(QSize(kSize - 6, kSize - 6));  // the icon fills most of the button
    setToolTip(QStringLiteral("Menu (F1)"));
    setAccessibleName(QStringLiteral("Menu"));
    resize(kSize, kSize);
    connect(this, &QToolButton::clicked, this, [this] { Popup(); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), &window);
    connect(f1, &QShortcut::activated, this, [this] { Popup(); });
    window.installEventFilter(this);
    // Pages show and hide controls: the corner is chosen again each time.
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != this)
            child->installEventFilter(this);
    hide();
}

void CQtSystemMenuButton::Popup()
{
    QPointer<CQtDialogWindow> window(&m_window);
    CDialog* dlg = m_window.Dialog();
    if (!dlg)
        return;
    dlg->PrepareSystemMenu();
    QMenu menu(this);
    if (!FillSystemMenu(menu, *dlg))
        return;
    // The entry is taken from the menu's signal: keys, clicks and accessibility
    // tools all trigger the action, not all of them end exec() with it.
    unsigned chosen = 0;
    connect(&menu, &QMenu::triggered, &menu, [&chosen](QAction* action) { chosen = action->data().toUInt(); });
    menu.exec(mapToGlobal(QPoint(width() - menu.sizeHint().width(), height())));
    if (chosen && window && window->Dialog())
        window->Dialog()->SendMessage(WM_SYSCOMMAND, chosen);
}

void CQtSystemMenuButton::Place()
{
    // The top-right corner unless a visible control lies there; then the first
    // free one of the others, so that the designed page stays as it is. Texts
    // change with the pages: the corner is chosen again when they do.
    const int right = m_window.width() - kSize - kMargin;
    const int bottom = m_window.height() - kSize - kMargin;
    const QPoint corners[] = {{right, kMargin}, {kMargin, bottom}, {kMargin, kMargin}, {right, bottom}};
    QPoint place = corners[0];
    for (const QPoint& corner : corners) {
        const QRect area(corner, QSize(kSize, kSize));
        bool free = true;
        for (const QWidget* child : m_window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child != this && child->isVisibleTo(&m_window) && Occupied(child).intersects(area))
                free = false;
        if (free) {
            place = corner;
            break;
        }
    }
    if (pos() != place)
        move(place);
    const bool show = HasEntries(m_window.Dialog());
    if (isVisible() != show)
        setVisible(show);
    raise();
}

bool CQtSystemMenuButton::eventFilter(QObject* watched, QEvent* event)
{
    // The entries are added while the dialog initialises, after its window exists.
    const QEvent::Type type = event->type();
    if (watched == &m_window && (type == QEvent::Show || type == QEvent::Resize)) {
        Place();
    } else if (watched != &m_window && !m_placePending &&
               (type == QEvent::Show || type == QEvent::Hide || type == QEvent::Resize || type == QEvent::Paint)) {
        // A control changed (a new text repaints it): choose the corner once the
        // page's changes are done, not in the middle of a paint.
        m_placePending = true;
        QTimer::singleShot(0, this, [this] {
            m_placePending = false;
            Place();
        });
    }
    return QToolButton::eventFilter(watched, event);
}

}  // namespace vk
