#include "program/SingleInstance.h"

#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/ipc/WindowSocket.h"
#include "program/WindowTitleLink.h"

namespace vk {

bool RaiseRunningWizard()
{
    CSocketWindowDirectory windows;
    const auto running = windows.FindWindow(kWizardTitle);  // a stale socket counts as absent
    return running && running->PostMessage(CWindowTitleLink::kRaiseMessage, 1, 0);
}

}  // namespace vk
