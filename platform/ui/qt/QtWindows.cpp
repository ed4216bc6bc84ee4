#include "platform/ui/qt/QtWindows.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QPalette>
#include <QSlider>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "platform/ui/qt/QtFocusMark.h"
#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtScaledStyle.h"
#include "platform/ui/qt/QtScreenFit.h"
#include "platform/ui/qt/QtSystemMenuButton.h"
#include "platform/ui/qt/QtUpDown.h"

namespace vk {
namespace {

QString ToQString(const std::string& text) { return QString::fromStdString(text).replace("\r\n", "\n"); }

// Statics show '&' as the prefix of an underlined letter; "&&" is one ampersand.
QString StaticText(const std::string& text)
{
    QString s = ToQString(text);
    s.replace("&&", QString(QChar(1)));
    s.remove('&');
    s.replace(QChar(1), '&');
    return s;
}

QColor ToQColor(COLORREF c) { return QColor(int(GetRValue(c)), int(GetGValue(c)), int(GetBValue(c))); }

QPixmap LoadImage(int id)
{
    const std::string path = ImageFile(id);
    return path.empty() ? QPixmap() : QPixmap(QString::fromStdString(path));
}

constexpr int kIconSize = 32;  // the classic large icon

}  // namespace

// --- canvas ------------------------------------------------------------------------

CQtCanvas::CQtCanvas(const CControl& ctrl, QWidget* parent) : QWidget(parent), m_ctrl(&ctrl)
{
    // Windows' statics and group boxes let clicks through to the dialog.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CQtCanvas::paintEvent(QPaintEvent*)
{
    if (!m_ctrl)
        return;
    QPainter p(this);
    if (PaintByCode(p))
        return;
    const CDrawing& drawing = m_ctrl->GetDrawing();
    if (!drawing.Empty()) {
        for (const DrawStep& s : drawing.Steps()) {
            switch (s.kind) {
            case DrawStep::Kind::FillRect:
                p.fillRect(QRect(s.rect.left, s.rect.top, s.rect.Width(), s.rect.Height()), ToQColor(s.color));
                break;
            case DrawStep::Kind::Polyline: {
                QPen pen(ToQColor(s.color));
                pen.setWidth(std::max(1, s.width));
                pen.setCapStyle(Qt::SquareCap);
                p.setPen(pen);
                QPolygon poly;
                for (const Point& pt : s.points)
                    poly << QPoint(pt.x, pt.y);
                p.drawPolyline(poly);
                break;
            }
            case DrawStep::Kind::Text: {
                const QFont font = ToQFont(s.font);
                const QFontMetrics fm(font);
                const QString text = ToQString(s.text);
                if (s.opaque)
                    p.fillRect(QRect(QPoint(s.rect.left, s.rect.top), fm.size(Qt::TextSingleLine, text)),
                               ToQColor(s.background));
                p.setFont(font);
                p.setPen(ToQColor(s.color));
                p.drawText(QPoint(s.rect.left, s.rect.top + fm.ascent()), text);
                break;
            }
            }
        }
        return;
    }
    if (m_ctrl->Kind() == ControlKind::Frame) {
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    }
    // A group box: an etched frame whose top line leaves a gap for the caption.
    const QFontMetrics fm(font());
    const QString caption = StaticText(m_ctrl->GetWindowText());
    const int y = fm.height() / 2;
    const QRect frame = rect().adjusted(0, y, -2, -2);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Mid));
    p.drawRect(frame);
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(frame.translated(1, 1));
    if (!caption.isEmpty()) {
        const QRect textRect(8, 0, fm.horizontalAdvance(caption) + 4, fm.height());
        p.fillRect(textRect, palette().color(QPalette::Window));
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        p.drawText(textRect, Qt::AlignCenter, caption);
    }
}

// --- dialog window ----------------------------------------------------------------------

CQtDialogWindow::CQtDialogWindow(CDialog& dlg, QWidget* owner) : QDialog(nullptr), m_dlg(&dlg), m_owner(owner)
{
    setFont(ToQFont(dlg.GetFont()));
    setWindowModality(Qt::ApplicationModal);
    const Size size = dlg.ClientSize();
    setFixedSize(size.cx, size.cy);
    for (const auto& ctrl : dlg.Controls()) {
        QWidget* w = MakeWidget(*ctrl);
        if (!ctrl->AccessibleName().empty())
            w->setAccessibleName(QString::fromStdString(ctrl->AccessibleName()));
        else if (ctrl->Kind() == ControlKind::GroupBox)
            w->setAccessibleName(StaticText(ctrl->GetWindowText()).trimmed());
        const Rect r = ctrl->GetClientRectInDialog();
        w->setGeometry(r.left, r.top, r.Width(), r.Height());
        m_widgets[ctrl->Id()] = w;
        w->installEventFilter(this);
        for (QWidget* part : w->findChildren<QWidget*>())
            part->installEventFilter(this);
        SyncControl(*ctrl, CC_ALL & ~CC_ZORDER);
    }
    // Frames and group boxes lie behind the controls they surround.
    for (CQtCanvas* canvas : m_canvases)
        canvas->lower();
    FillCaptionBoxes();
    if (dlg.HasSystemMenu())
        new CQtSystemMenuButton(*this);  // the system menu's own entries, visible (F1 too)
    new CQtFocusMark(*this);
    SyncWindow();
}

void CQtDialogWindow::FillCaptionBoxes()
{
    // A check box that lies on a group box's top line is that box's caption: like
    // the classic control it paints its background, so the line stops at it
    // instead of running through its text.
    const int lineY = QFontMetrics(font()).height() / 2;
    for (const auto& box : m_dlg->Controls()) {
        if (box->Kind() != ControlKind::CheckBox)
            continue;
        const Rect b = box->GetClientRectInDialog();
        for (const auto& group : m_dlg->Controls()) {
            const Rect g = group->GetClientRectInDialog();
            if (group->Kind() == ControlKind::GroupBox && !(group->Style() & CS_MODALFRAME) && b.top <= g.top + lineY &&
                g.top + lineY < b.bottom && g.left < b.left && b.left < g.right)
                m_widgets[box->Id()]->setAutoFillBackground(true);
        }
    }
}

QWidget* CQtDialogWindow::MakeWidget(const CControl& ctrl)
{
    const int id = ctrl.Id();
    switch (ctrl.Kind()) {
    case ControlKind::Static:
    case ControlKind::IconStatic:
    case ControlKind::Picture: {
        auto* label = new QLabel(this);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (ctrl.Kind() == ControlKind::Static) {
            label->setWordWrap(true);
            Qt::Alignment align = Qt::AlignTop | Qt::AlignLeft;
            if (ctrl.Style() & CS_CENTER)
                align = Qt::AlignTop | Qt::AlignHCenter;
            else if (ctrl.Style() & CS_RIGHT)
                align = Qt::AlignTop | Qt::AlignRight;
            label->setAlignment(align);
        }
        return label;
    }
    case ControlKind::Frame:
    case ControlKind::GroupBox: {
        auto* canvas = new CQtCanvas(ctrl, this);
        m_canvases.push_back(canvas);
        return canvas;
    }
    case ControlKind::PushButton: {
        auto* button = new QPushButton(this);
        button->setAutoDefault(false);
        button->setDefault((ctrl.Style() & CS_DEFAULT) != 0);
        connect(button, &QPushButton::clicked, this, [this, id] { Clicked(id); });
        return button;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(this);
        if (QStyle* style = ScaledMarksStyle())
            box->setStyle(style);
        ConnectClicks(box, id);
        return box;
    }
    case ControlKind::RadioButton: {
        auto* radio = new QRadioButton(this);
        if (QStyle* style = ScaledMarksStyle())
            radio->setStyle(style);
        // The framework keeps the groups: in a group that is not exclusive Qt
        // unchecks nothing, and the auto-exclusive flag it then ignores is what
        // makes screen readers hear a radio button rather than a check box.
        if (!m_radios) {
            m_radios = new QButtonGroup(this);
            m_radios->setExclusive(false);
        }
        m_radios->addButton(radio);
        radio->setAutoExclusive(true);
        ConnectClicks(radio, id);
        return radio;
    }
    case ControlKind::Slider: {
        auto* slider = new QSlider((ctrl.Style() & CS_VERTICAL) ? Qt::Vertical : Qt::Horizontal, this);
        if (ctrl.Style() & CS_VERTICAL) {
            // The classic vertical trackbar has its minimum at the top.
            slider->setInvertedAppearance(true);
            slider->setInvertedControls(true);
        }
        // A trackbar's groove is plain: a filled part would read as a level, and
        // on an inverted slider it grows the wrong way (full when the handle is at
        // the quiet end).
        QPalette plain = slider->palette();
        plain.setColor(QPalette::Highlight, plain.color(QPalette::Button));
        slider->setPalette(plain);
        connect(slider, &QSlider::valueChanged, this, [this, id, slider](int v) { Scrolled(id, v, slider->isSliderDown()); });
        return slider;
    }
    case ControlKind::UpDown:
        return new CQtUpDown((ctrl.Style() & CS_VERTICAL) != 0, [this, id](int pos) { Scrolled(id, pos, false); }, this);
    case ControlKind::Progress: {
        auto* bar = new QProgressBar(this);
        bar->setTextVisible(false);
        bar->setOrientation((ctrl.Style() & CS_VERTICAL) ? Qt::Vertical : Qt::Horizontal);
        bar->setAttribute(Qt::WA_TransparentForMouseEvents);
        return bar;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly((ctrl.Style() & CS_READONLY) != 0);
        return edit;
    }
    }
    return new QWidget(this);
}

void CQtDialogWindow::Detach()
{
    m_dlg = nullptr;
    // A dialog that ends before it was ever on screen keeps nobody waiting.
    if (!m_painted)
        if (auto* owner = dynamic_cast<CQtDialogWindow*>(m_owner.data()))
            owner->HideIfStillWanted();
    for (CQtCanvas* canvas : m_canvases)
        canvas->Detach();
}

QWidget* CQtDialogWindow::ControlWidget(int id) const
{
    const auto it = m_widgets.find(id);
    return it == m_widgets.end() ? nullptr : it->second.data();
}

int CQtDialogWindow::FocusedId() const
{
    const QWidget* focused = focusWidget();
    for (const auto& [id, w] : m_widgets)
        if (w && w.data() == focused)
            return id;
    return 0;
}

void CQtDialogWindow::SyncControl(const CControl& ctrl, unsigned what)
{
    QWidget* w = ControlWidget(ctrl.Id());
    if (!w)
        return;
    m_updating = true;
    const QSignalBlocker blocker(w);
    if (what & CC_FONT)
        w->setFont(ToQFont(ctrl.GetFont()));
    if (what & CC_TEXT) {
        if (auto* label = qobject_cast<QLabel*>(w); label && ctrl.Kind() == ControlKind::Static)
            label->setText(StaticText(ctrl.GetWindowText()));
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setText(ToQString(ctrl.GetWindowText()));
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->setText(ToQString(ctrl.GetWindowText()));
        else
            w->update();
    }
    if (what & CC_VISIBLE)
        w->setHidden(!ctrl.IsWindowVisible());
    if (what & CC_ENABLED)
        w->setEnabled(ctrl.IsWindowEnabled());
    if (what & CC_CHECK)
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable())
            button->setChecked(ctrl.GetCheck() == BST_CHECKED);
    if (what & CC_RANGE) {
        const int lo = std::min(ctrl.GetRangeMin(), ctrl.GetRangeMax());
        const int hi = std::max(ctrl.GetRangeMin(), ctrl.GetRangeMax());
        if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
            slider->setRange(lo, hi);
            slider->setValue(ctrl.GetPos());
            slider->setSingleStep(std::max(1, ctrl.GetLineSize()));
            slider->setPageStep(std::max(1, ctrl.GetPageSize()));
            if (auto* s = qobject_cast<QSlider*>(w)) {
                s->setTickInterval(ctrl.GetTicFreq());
                s->setTickPosition(ctrl.GetTicFreq() > 0 ? QSlider::TicksBelow : QSlider::NoTicks);  // right of a vertical one
            }
        } else if (auto* bar = qobject_cast<QProgressBar*>(w)) {
            bar->setRange(lo, hi);
            bar->setValue(ctrl.GetPos());
        } else if (auto* upDown = dynamic_cast<CQtUpDown*>(w)) {
            upDown->SetRange(ctrl.GetRangeMin(), ctrl.GetRangeMax());
            upDown->SetPos(ctrl.GetPos());
        }
    }
    if (what & CC_IMAGE)
        if (auto* label = qobject_cast<QLabel*>(w); label && ctrl.Kind() != ControlKind::Static) {
            QPixmap pixmap = LoadImage(ctrl.GetImage());
            if (ctrl.Kind() == ControlKind::IconStatic && !pixmap.isNull()) {
                // Icons shrink with the dialog when large text made it shrink (QtScreenFit.h).
                const int side = std::max(16, int(kIconSize * DialogFontScale() + 0.5));
                pixmap = pixmap.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
            if (ctrl.Kind() == ControlKind::Picture && !pixmap.isNull()) {
                // A picture takes its control's width (the meter's scale must span the
                // meter at every text size) and the height that keeps its proportions.
                const int width = std::max(1, ctrl.GetClientRectInDialog().Width());
                if (pixmap.width() != width)
                    pixmap = pixmap.scaledToWidth(width, Qt::SmoothTransformation);
                label->resize(pixmap.size());
            }
            label->setPixmap(pixmap);
        }
    if (what & CC_DRAWING)
        w->update();
    if (what & CC_ZORDER)
        w->raise();
    m_updating = false;
}

void CQtDialogWindow::SyncWindow()
{
    if (!m_dlg)
        return;
    setWindowTitle(ToQString(m_dlg->GetWindowText()));
    const int icon = m_dlg->GetIcon(true) ? m_dlg->GetIcon(true) : m_dlg->GetIcon(false);
    if (icon) {
        const QPixmap pixmap = LoadImage(icon);
        if (!pixmap.isNull())
            setWindowIcon(QIcon(pixmap));
    }
    setEnabled(m_dlg->IsWindowEnabled());
    // Qt passes a disabled state on to owned windows too; a disabled owner (the
    // one a modal dialog runs over) leaves its owned dialogs as they are.
    for (CQtDialogWindow* owned : findChildren<CQtDialogWindow*>(Qt::FindDirectChildrenOnly))
        if (owned->m_dlg)
            owned->setEnabled(owned->m_dlg->IsWindowEnabled());
    if (!m_dlg->IsWindowVisible()) {
        // A window that hides while a dialog it owns is being set up (the wizard
        // behind the inputs page) goes once that dialog is on screen: where the
        // compositor places windows itself, it puts a dialog over its owner only
        // while the owner is there.
        if (isVisible() && OwnsDialogBeingSetUp())
            m_hideWhenOwnedShows = true;
        else
            hide();
        return;
    }
    m_hideWhenOwnedShows = false;
    if (m_dlg->IsIconic())
        showMinimized();
    else if (isHidden() || isMinimized()) {
        PlaceOverOwner();
        showNormal();
    }
}

bool CQtDialogWindow::OwnsDialogBeingSetUp() const
{
    const auto widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.begin(), widgets.end(), [this](QWidget* widget) {
        const auto* window = dynamic_cast<CQtDialogWindow*>(widget);
        return window && window != this && window->m_owner == this && !window->m_painted && window->m_dlg &&
               !window->m_dlg->IsEnded();
    });
}

void CQtDialogWindow::HideIfStillWanted()
{
    if (std::exchange(m_hideWhenOwnedShows, false) && (!m_dlg || !m_dlg->IsWindowVisible()))
        hide();
}

void CQtDialogWindow::PlaceOverOwner()
{
    if (!m_owner)
        return;
    // The window manager keeps the window above its owner.
    (void)winId();
    (void)m_owner->winId();
    if (windowHandle() && m_owner->windowHandle())
        windowHandle()->setTransientParent(m_owner->windowHandle());
    if (!testAttribute(Qt::WA_Moved))
        adjustPosition(m_owner);  // centred over the owner, as Qt does for its child dialogs
}

void CQtDialogWindow::Clicked(int id)
{
    if (m_updating || !m_dlg)
        return;
    QPointer<CQtDialogWindow> self(this);
    CDialog* dlg = m_dlg;
    dlg->ClickControl(id);
    // Qt toggled its own box already; show what the framework decided.
    if (self && m_dlg)
        if (const CControl* ctrl = m_dlg->FindControl(id))
            SyncControl(*ctrl, CC_CHECK);
}

// A check box or radio button tells the framework of its clicks. A screen
// reader's "Toggle" flips the button without a click: Qt then shows a choice the
// framework never heard of. A flip that no click follows within the same events
// (a click flips first, then clicks) counts as a click, so it counts once.
void CQtDialogWindow::ConnectClicks(QAbstractButton* button, int id)
{
    connect(button, &QAbstractButton::clicked, this, [this, id] {
        m_flipped.erase(id);
        Clicked(id);
    });
    connect(button, &QAbstractButton::toggled, this, [this, id] {
        if (m_updating || !m_flipped.insert(id).second)
            return;
        QMetaObject::invokeMethod(this, [this, id] {
            if (m_flipped.erase(id) != 0)
                Clicked(id);
        }, Qt::QueuedConnection);
    });
}

void CQtDialogWindow::Scrolled(int id, int pos, bool tracking)
{
    if (m_updating || !m_dlg)
        return;
    m_dlg->ScrollControl(id, pos, tracking ? SB_THUMBTRACK : SB_THUMBPOSITION);
}

void CQtDialogWindow::reject()
{
    if (m_dlg)
        m_dlg->SendMessage(WM_COMMAND, IDCANCEL);
}

void CQtDialogWindow::closeEvent(QCloseEvent* event)
{
    // The close box is a system command; the dialog decides whether it goes.
    event->ignore();
    if (m_dlg)
        m_dlg->SendMessage(WM_SYSCOMMAND, SC_CLOSE);
}

void CQtDialogWindow::mousePressEvent(QMouseEvent* event)
{
    QDialog::mousePressEvent(event);
    if (m_dlg && event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        m_dlg->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MakePointLParam({p.x(), p.y()}));
    }
}

// A disabled control takes no click of its own; like the classic dialog, the
// window behind it gets the click (the inputs page selects a panel by it).
bool CQtDialogWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress || !m_dlg)
        return QDialog::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (!widget || widget->isEnabled() || mouse->button() != Qt::LeftButton)
        return QDialog::eventFilter(watched, event);
    const QPoint p = widget->mapTo(this, mouse->position().toPoint());
    m_dlg->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MakePointLParam({p.x(), p.y()}));
    return true;
}

void CQtDialogWindow::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (m_dlg)
        m_dlg->SendMessage(WM_PAINT);
    // On screen now: an owner that waited for it may go (after this frame is out).
    if (!std::exchange(m_painted, true))
        if (auto* owner = dynamic_cast<CQtDialogWindow*>(m_owner.data()); owner && owner->m_hideWhenOwnedShows)
            QTimer::singleShot(0, owner, [owner = QPointer<CQtDialogWindow>(owner)] {
                if (owner)
                    owner->HideIfStillWanted();
            });
}

void CQtDialogWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_dlg || m_dlg->SystemMenu().empty())
        return;
    m_dlg->PrepareSystemMenu();
    QMenu menu(this);
    for (const SystemMenuItem& item : m_dlg->SystemMenu()) {
        if (item.id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(ToQString(item.text));
        action->setData(item.id);
        action->setEnabled(item.enabled);
    }
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen && m_dlg)
        m_dlg->SendMessage(WM_SYSCOMMAND, chosen->data().toUInt());
}

}  // namespace vk
