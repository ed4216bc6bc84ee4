#include "platform/ui/qt/QtLayoutCheck.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "platform/ui/qt/QtWindows.h"

namespace vk {
namespace {

QString Shown(QString text)
{
    text.replace("&&", QString(QChar(1)));
    text.remove('&');
    text.replace(QChar(1), '&');
    return text;
}

std::string Name(const QWidget& w, const QString& text)
{
    return (text.isEmpty() ? QString(w.metaObject()->className()) : "\"" + text + "\"").toStdString();
}

// Where a control draws its text, in its own coordinates; empty for controls
// without text.
QRect TextRect(QWidget& w, QString& text)
{
    const QFontMetrics fm(w.font());
    if (auto* button = qobject_cast<QAbstractButton*>(&w)) {
        text = Shown(button->text());
        if (text.isEmpty())
            return {};
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        QStyle::SubElement element = QStyle::SE_PushButtonContents;
        if (qobject_cast<QCheckBox*>(button))
            element = QStyle::SE_CheckBoxContents;
        else if (qobject_cast<QRadioButton*>(button))
            element = QStyle::SE_RadioButtonContents;
        const QRect contents = button->style()->subElementRect(element, &option, button);
        const int width = fm.horizontalAdvance(text);
        const int left = element == QStyle::SE_PushButtonContents ? contents.center().x() - width / 2 : contents.left();
        return {left, contents.center().y() - fm.height() / 2, width, fm.height()};
    }
    if (auto* label = qobject_cast<QLabel*>(&w)) {
        text = label->text();
        if (text.isEmpty() || label->pixmap().isNull() == false)
            return {};
        const QRect contents = label->contentsRect();
        if (label->wordWrap()) {
            const QRect r = fm.boundingRect(contents, int(label->alignment()) | Qt::TextWordWrap, text);
            // A word that does not fit on a line of its own runs past the right side.
            return {r.left(), r.top(), std::max(r.width(), 0), r.height()};
        }
        return fm.boundingRect(contents, int(label->alignment()), text);
    }
    if (auto* edit = qobject_cast<QLineEdit*>(&w)) {
        text = edit->text();
        if (text.isEmpty())
            return {};
        const QRect contents = edit->contentsRect().adjusted(2, 0, -2, 0);  // the edit's own margins
        return {contents.left(), contents.center().y() - fm.height() / 2, fm.horizontalAdvance(text), fm.height()};
    }
    return {};
}

// The room a control has for its text.
QRect Room(QWidget& w)
{
    if (auto* button = qobject_cast<QPushButton*>(&w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    if (auto* edit = qobject_cast<QLineEdit*>(&w))
        return edit->contentsRect().adjusted(2, 0, -2, 0);
    return w.rect();
}

// The frame lines of a canvas (group box or panel): its own pixels that differ
// from the window's background, its caption's letters excluded by the caller.
QImage Lines(CQtCanvas& canvas)
{
    QImage image(canvas.size(), QImage::Format_RGB32);
    const QColor background = canvas.palette().color(QPalette::Window);
    image.fill(background);
    canvas.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The rows a one-line text's letters cover inside its text rectangle (which
// holds the font's whole line); a text of several lines keeps its rectangle.
QRect Ink(const QWidget& w, const QString& text, const QRect& rect)
{
    const QFontMetrics fm(w.font());
    if (rect.height() > fm.height() || text.contains('\n'))
        return rect;
    const QRect letters = fm.tightBoundingRect(text);  // from the baseline
    return {rect.left(), rect.top() + fm.ascent() + letters.top(), rect.width(), letters.height()};
}

bool AnyLinePixel(const QImage& lines, const QRect& r, QRgb background)
{
    const QRect inside = r & lines.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (lines.pixel(x, y) != background)
                return true;
    return false;
}

}  // namespace

std::vector<std::string> TextLayoutFaults(QWidget& window)
{
    std::vector<std::string> faults;
    const auto controls = window.findChildren<QWidget*>();
    struct Text {
        QWidget* widget;
        QString text;
        QRect rect;  // in window coordinates
        QRect ink;   // where its letters are: a frame line in its leading strikes nothing
    };
    std::vector<Text> texts;
    for (QWidget* w : controls) {
        if (!w->isVisibleTo(&window) || w->isWindow())
            continue;
        QString text;
        const QRect r = TextRect(*w, text);
        if (r.isEmpty())
            continue;
        const QRect room = Room(*w);
        if (r.left() < room.left() || r.right() > room.right())
            faults.push_back(Name(*w, text) + ": text " + std::to_string(r.width()) + " px wide in " +
                             std::to_string(room.width()) + " px");
        if (r.top() < room.top() - 1 || r.bottom() > room.bottom() + 1)
            faults.push_back(Name(*w, text) + ": text " + std::to_string(r.height()) + " px high in " +
                             std::to_string(room.height()) + " px");
        const QRect placed = r.translated(w->mapTo(&window, QPoint()));
        texts.push_back({w, text, placed, Ink(*w, text, placed)});
    }
    for (QWidget* w : controls) {
        auto* canvas = dynamic_cast<CQtCanvas*>(w);  // no meta object of its own: findChildren would take any widget
        if (!canvas || !canvas->isVisibleTo(&window) || canvas->width() < 8 || canvas->height() < 8)
            continue;
        const QImage lines = Lines(*canvas);
        const QRgb background = canvas->palette().color(QPalette::Window).rgb();
        const QPoint origin = canvas->mapTo(&window, QPoint());
        const int captionBand = QFontMetrics(canvas->font()).height() + 8;
        for (const Text& t : texts) {
            if (t.widget->parentWidget() != canvas->parentWidget())
                continue;
            if (t.widget->autoFillBackground()) {
                // A control that paints its background may sit on the top line as the
                // caption; anywhere else it hides part of the frame.
                const QRect whole = QRect(t.widget->mapTo(&window, QPoint()), t.widget->size()).translated(-origin);
                if (AnyLinePixel(lines, whole.adjusted(0, std::max(0, captionBand - whole.top()), 0, 0), background))
                    faults.push_back(Name(*t.widget, t.text) + ": hides a frame line");
            } else if (AnyLinePixel(lines, t.ink.translated(-origin), background)) {
                faults.push_back(Name(*t.widget, t.text) + ": a frame line runs through the text");
            }
        }
    }
    return faults;
}

}  // namespace vk
