#include "UserActions.h"

#include "app/QuorvelVK550ConfigDlg.h"
#include "resources/ControlIds.h"

#include <algorithm>
#include <string>

namespace vk::scenario {

void DoUserAction(const Step& step, CDialog& dlg, CQuorvelVK550ConfigDlg& wizard, CTranscript& transcript)
{
    switch (step.verb) {
    case Verb::Click: {
        const int id = static_cast<int>(step.numbers[0]);
        if (!dlg.ClickControl(id))
            transcript.Event("refused click " + std::to_string(id));
        return;
    }
    case Verb::Slider: {
        const int id = static_cast<int>(step.numbers[0]);
        if (!dlg.ScrollControl(id, static_cast<int>(step.numbers[1])))
            transcript.Event("refused slider " + std::to_string(id));
        return;
    }
    case Verb::Panel: {
        // A left-button press in the middle of the channel's panel frame.
        const int channel = static_cast<int>(step.numbers[0]);
        const int frame = kChannelPanels[static_cast<size_t>(channel - 1)].frame;
        const CControl* ctrl = dlg.FindControl(frame);
        const auto& controls = dlg.Template().controls;
        const auto it = std::find_if(controls.begin(), controls.end(), [&](const auto& c) { return c.id == frame; });
        if (!ctrl || it == controls.end() || !ctrl->IsWindowVisible() || !dlg.IsWindowEnabled()) {
            transcript.Event("refused panel " + std::to_string(channel));
            return;
        }
        const Rect r = dlg.MapDialogRect(it->rect);
        const int x = (r.left + r.right) / 2;
        const int y = (r.top + r.bottom) / 2;
        (void)dlg.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, static_cast<LPARAM>((y & 0xFFFF) << 16 | (x & 0xFFFF)));
        return;
    }
    case Verb::Escape: (void)dlg.SendMessage(WM_COMMAND, IDCANCEL, 0); return;
    case Verb::Close: (void)dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0); return;
    case Verb::Post:
        (void)wizard.Post(static_cast<uint32_t>(step.numbers[0]), static_cast<WPARAM>(step.numbers[1]),
                           static_cast<LPARAM>(step.numbers[2]));
        return;
    case Verb::Command: (void)wizard.Post(WM_COMMAND, static_cast<WPARAM>(step.numbers[0]), 0); return;
    case Verb::Menu: {
        // As the corner menu does it: the dialog prepares its entries when the
        // menu opens, a chosen entry is sent (handled before the step ends).
        const auto id = static_cast<unsigned>(step.numbers[0]);
        dlg.PrepareSystemMenu();
        const auto& menu = dlg.SystemMenu();
        const auto entry = std::find_if(menu.begin(), menu.end(), [id](const auto& e) { return e.id == id; });
        if (!dlg.HasSystemMenu() || !dlg.IsWindowEnabled() || entry == menu.end() || !entry->enabled) {
            transcript.Event("refused menu " + std::to_string(id));
            return;
        }
        (void)dlg.SendMessage(WM_SYSCOMMAND, id, 0);
        return;
    }
    default: return;
    }
}

}  // namespace vk::scenario
