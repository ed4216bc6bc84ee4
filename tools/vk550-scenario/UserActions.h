#pragma once
// What a user does to the active window of the wizard (click, slider, panel,
// Esc, close box) or what another program sends it (post, command): the same on
// every stack the runner drives.

#include "Script.h"
#include "Transcript.h"

namespace vk {
class CDialog;
class CQuorvelVK550ConfigDlg;
}  // namespace vk

namespace vk::scenario {

// Does the step's action to `dlg` (the active modal window) or `wizard`; a
// control that refuses it prints "refused ...".
void DoUserAction(const Step& step, CDialog& dlg, CQuorvelVK550ConfigDlg& wizard, CTranscript& transcript);

}  // namespace vk::scenario
