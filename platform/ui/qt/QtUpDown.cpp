#include "platform/ui/qt/QtUpDown.h"

#include <QToolButton>
#include <algorithm>

namespace vk {

CQtUpDown::CQtUpDown(bool vertical, std::function<void(int)> stepped, QWidget* parent)
    : QWidget(parent), m_vertical(vertical), m_stepped(std::move(stepped)), m_up(new QToolButton(this)),
      m_down(new QToolButton(this))
{
    m_up->setArrowType(vertical ? Qt::UpArrow : Qt::RightArrow);
    m_down->setArrowType(vertical ? Qt::DownArrow : Qt::LeftArrow);
    m_up->setAccessibleName(QStringLiteral("Up"));
    m_down->setAccessibleName(QStringLiteral("Down"));
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setIconSize(QSize(6, 6));
    }
    connect(m_up, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CQtUpDown::SetRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    m_pos = std::clamp(m_pos, std::min(m_min, m_max), std::max(m_min, m_max));
}

void CQtUpDown::SetPos(int pos) { m_pos = std::clamp(pos, std::min(m_min, m_max), std::max(m_min, m_max)); }

// The up arrow moves towards the maximum, as the classic control does when the
// range counts upwards; a reversed range reverses the arrows.
void CQtUpDown::Step(int delta)
{
    const int direction = m_max >= m_min ? 1 : -1;
    const int next = std::clamp(m_pos + delta * direction, std::min(m_min, m_max), std::max(m_min, m_max));
    if (next == m_pos)
        return;
    m_pos = next;
    if (m_stepped)
        m_stepped(m_pos);
}

void CQtUpDown::resizeEvent(QResizeEvent*)
{
    const int w = width();
    const int h = height();
    if (m_vertical) {
        m_up->setGeometry(0, 0, w, h / 2);
        m_down->setGeometry(0, h / 2, w, h - h / 2);
    } else {
        m_down->setGeometry(0, 0, w / 2, h);
        m_up->setGeometry(w / 2, 0, w - w / 2, h);
    }
}

}  // namespace vk
