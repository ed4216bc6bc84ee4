#pragma once
// The message boxes of the simulated stack: a box an engine worker raises waits
// for the worker's turn on the scenario's clock (the window thread settling),
// so it lands at the same place of every transcript; the window thread's own
// boxes are shown at once.

#include "ScenarioClock.h"

#include "platform/ui/MessageBox.h"

namespace vk::scenario {

class CWorkerBoxTurns final : public IMessageBox {
public:
    CWorkerBoxTurns(CScenarioClock& clock, IMessageBox& boxes) : m_clock(clock), m_boxes(boxes) {}

    int Show(IWindowOwner* owner, const std::string& text, const std::string& caption, unsigned type) override
    {
        m_clock.AwaitTurn();
        return m_boxes.Show(owner, text, caption, type);
    }

private:
    CScenarioClock& m_clock;
    IMessageBox& m_boxes;
};

}  // namespace vk::scenario
