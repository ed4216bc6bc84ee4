#pragma once
// The focus mark of a dialog window: a dotted rectangle just inside whichever of
// its controls has the keyboard focus. Every control shows its focus the same
// way, also those the style draws without one (sliders, a default button).

#include <QPointer>
#include <QWidget>

namespace vk {

class CQtFocusMark final : public QWidget {
public:
    explicit CQtFocusMark(QWidget& window);

    // The control the mark surrounds now; null when the focus is elsewhere.
    [[nodiscard]] QWidget* Marked() const { return m_target; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow(QWidget* focused);

    QWidget& m_window;
    QPointer<QWidget> m_target;
};

}  // namespace vk
