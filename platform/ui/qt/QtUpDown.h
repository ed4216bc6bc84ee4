#pragma once
// An up-down control as the classic one looks: two small arrow buttons (one
// above the other when vertical) that step a position inside a range. It shows
// no number itself; its buddy (the text box beside it) shows what the owner writes.

#include <QWidget>
#include <functional>

class QToolButton;

namespace vk {

class CQtUpDown final : public QWidget {
public:
    // stepped: the new position after an arrow was pressed.
    CQtUpDown(bool vertical, std::function<void(int)> stepped, QWidget* parent);

    void SetRange(int minimum, int maximum);
    void SetPos(int pos);
    [[nodiscard]] int Pos() const { return m_pos; }
    [[nodiscard]] QToolButton* UpButton() const { return m_up; }
    [[nodiscard]] QToolButton* DownButton() const { return m_down; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Step(int delta);

    bool m_vertical;
    std::function<void(int)> m_stepped;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
};

}  // namespace vk
