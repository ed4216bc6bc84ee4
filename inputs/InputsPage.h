#pragma once
// The wizard's page 7: the inputs page runs modally over its owner and ends with
// 0 (closed on the owner's request: WM_APP+2 with lParam -2), 1 (Back on the
// first channel) or 2 (Next on the last channel).

#include <memory>

#include "platform/ui/Dialog.h"

namespace vk {

class IInputsOwner;

// End codes of the page.
inline constexpr int kInputsClosed = 0;
inline constexpr int kInputsBack = 1;
inline constexpr int kInputsNext = 2;

// The page for the owner's unit, starting on channel firstChannel (0..3).
[[nodiscard]] std::unique_ptr<CDialog> CreateInputsPage(IInputsOwner& owner, int firstChannel);

}  // namespace vk
