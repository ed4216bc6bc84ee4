#pragma once
// Looks a window over as a user would: every visible control's text must fit
// inside the control, and no frame line (a group box's or a panel's) may run
// through its letters or hide behind a control that paints its background.
// Used by tests and by the screenshots program on every page they draw.
//
//   for (const std::string& fault : TextLayoutFaults(*window))
//       ADD_FAILURE() << fault;

#include <string>
#include <vector>

class QWidget;

namespace vk {

// One line per fault: the control's text or class, what is wrong and by how many pixels.
[[nodiscard]] std::vector<std::string> TextLayoutFaults(QWidget& window);

}  // namespace vk
